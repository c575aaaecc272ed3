#pragma once
// Fakes for the window seams: they record what the core showed and let a test script the
// answers and hook into every step of long work, which runs at once on the caller's thread.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/seams.h"

namespace testing_support {

// Thrown by FakeSeams::Exit so that a test can observe a fatal end.
struct ProgramExited : std::runtime_error {
    explicit ProgramExited(int code) : std::runtime_error("program exited"), exitCode(code) {}
    int exitCode;
};

struct StatusCall {
    std::string text;
    core::Colour colour;
    bool blinking;
};

// A ShowProgress call, or a HideProgress call (`hidden`).
struct ProgressCall {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    bool hidden = false;
};

class FakeSeams : public core::BackgroundWork,
                  public core::MessageBoxes,
                  public core::StatusLine,
                  public core::BusyCursor,
                  public core::ProgramEnd,
                  public core::ProgressSink {
  public:
    // Runs the work at once, its steps reported to this fake's Advance, its progress shown here.
    void RunAside(const std::function<void(core::ProgressSink&)>& work) override;
    // Blocks until the program ends.
    std::optional<std::uint32_t> AwaitProgram(int program) override;
    // Counts the step, calls `onStep`, and passes the step on to the progress meter of the work.
    void Advance(std::uint64_t done, std::uint64_t total) override;
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

    // Scripted state.
    bool answerYes = true;
    std::function<void(int)> onStep;  // called with the 1-based count of steps of long work

    // Recorded.
    int steps = 0;
    int worksRun = 0;
    std::vector<std::uint64_t> stepsDone;  // the `done` of every step, in order
    std::vector<std::string> errors;
    std::vector<std::string> errorReasons;  // of the error boxes, in the same order
    std::vector<std::string> questions;
    std::vector<std::string> successes;
    std::vector<StatusCall> statuses;
    std::vector<ProgressCall> progress;  // every ShowProgress and HideProgress, in order
    bool busyCursor = false;
    bool windowDisabled = false;

  private:
    core::ProgressSink* meter_ = nullptr;  // of the work that runs
};

}  // namespace testing_support
