#pragma once
// The program from start to end: start-up in its fixed order, the event loop, and shutdown when
// the main window closes.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/branding.h"
#include "app/companion_files.h"
#include "app/shutdown_signal_watch.h"
#include "core/program_state.h"
#include "platform/directory_mark.h"

namespace ui {
class Dialogs;
class TForm1;
}  // namespace ui

namespace app {

class FileConverterApp {
  public:
    // `exit` ends the process with the given code and must not return.
    FileConverterApp(const std::string& executablePath, ui::Dialogs& dialogs, std::function<void(int)> exit);
    ~FileConverterApp();
    FileConverterApp(const FileConverterApp&) = delete;
    FileConverterApp& operator=(const FileConverterApp&) = delete;

    // Creates and shows the window, unpacks the patch set and reads the catalogue. A fatal error
    // ends the process through `exit`.
    void Start();
    // Runs the event loop until the main window closes; returns the exit code.
    int Run();

    [[nodiscard]] const core::ProgramSetup& Setup() const { return setup_; }
    [[nodiscard]] const core::RunRegister& Register() const { return run_; }
    ui::TForm1& Form() { return *form_; }

  private:
    // Title, captions, colours, default file names and the overwrite switch from the .cfg file.
    void ReadSettings();
    void UnpackPatchSet();
    void RequireUnpacked(const std::string& path);
    void FormClose();
    // Keeps the window until the closing sound has been heard, for a few seconds at most, while
    // the shutdown signals are still handled.
    void WaitForClosingSound();
    // Stops whatever runs, removes what the run made and ends the process, showing nothing.
    [[noreturn]] void EndInOrder(int exitCode);

    CompanionFiles companions_;
    Branding branding_;
    core::ProgramSetup setup_;
    core::RunRegister run_;
    ui::Dialogs& dialogs_;
    std::function<void(int)> exit_;
    std::unique_ptr<ui::TForm1> form_;
    std::unique_ptr<ShutdownSignalWatch> signalWatch_;
    std::optional<platform::DirectoryMark> extractionMark_;
    bool started_ = false;  // start-up has finished and the window is the user's
};

}  // namespace app
