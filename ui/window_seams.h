#pragma once
// The core's seams, served by the real window and the real dialogs.
#include <QString>
#include <functional>
#include <string>

#include "core/seams.h"

namespace ui {

class Dialogs;
class TForm1;

// Flushes the standard streams and ends the process at once, without running static
// destructors while windows and nested event loops may still be alive.
[[noreturn]] void EndProcessNow(int exitCode);  // also declared in Unit1.h for its default argument

class WindowSeams : public core::BackgroundWork,
                    public core::MessageBoxes,
                    public core::StatusLine,
                    public core::BusyCursor,
                    public core::ProgramEnd {
  public:
    WindowSeams(TForm1& form, Dialogs& dialogs, std::function<void(int)> exitProcess = EndProcessNow);

    // Runs every queued window event and returns when the queue is empty.
    static void ProcessPendingEvents();
    // Both wait in an event loop of their own, so every window event is handled as it arrives.
    void RunAside(const std::function<void(core::ProgressSink&)>& work) override;
    std::optional<std::uint32_t> AwaitProgram(int program) override;
    void ShowErrorBox(const std::string& message, const std::string& reason) override;
    bool AskYesNo(const std::string& message) override;
    void ShowSuccessBox(const std::string& message) override;
    void SetStatus(const std::string& text, core::Colour colour, bool blinking) override;
    void ShowProgress(std::uint64_t done, std::uint64_t total) override;
    void HideProgress() override;
    void ShowBusyCursor() override;
    void ShowDefaultCursor() override;
    void DisableMainWindow() override;
    [[noreturn]] void Exit(int exitCode) override;

    core::Seams Bundle() { return core::Seams{*this, *this, *this, *this, *this}; }

  private:
    TForm1& form_;
    Dialogs& dialogs_;
    std::function<void(int)> exitProcess_;
};

}  // namespace ui
