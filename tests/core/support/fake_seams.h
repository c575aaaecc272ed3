#pragma once
// Fakes for the window seams: they record what the core showed and let a test script the
// answers and hook into every event-pump call.
#include <functional>
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

class FakeSeams : public core::EventPump,
                  public core::MessageBoxes,
                  public core::StatusLine,
                  public core::BusyCursor,
                  public core::SourceWatch,
                  public core::ProgramEnd {
public:
    void ProcessPendingEvents() override;
    void ShowErrorBox(const std::string& message) override;
    bool AskYesNo(const std::string& message) override;
    void ShowSuccessBox(const std::string& message) override;
    void SetStatus(const std::string& text, core::Colour colour, bool blinking) override;
    void ShowProgress(std::uint64_t done, std::uint64_t total) override;
    void HideProgress() override;
    void ShowBusyCursor() override;
    void ShowDefaultCursor() override;
    std::string SourceText() override;
    void DisableMainWindow() override;
    [[noreturn]] void Exit(int exitCode) override;

    core::Seams Bundle() { return core::Seams{*this, *this, *this, *this, *this, *this}; }

    // Scripted state.
    std::string sourceText;
    bool answerYes = true;
    std::function<void(int)> onPump;  // called with the 1-based count of pump calls

    // Recorded.
    int pumpCalls = 0;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<std::string> successes;
    std::vector<StatusCall> statuses;
    std::vector<ProgressCall> progress;  // every ShowProgress and HideProgress, in order
    bool busyCursor = false;
    bool windowDisabled = false;
};

}  // namespace testing_support
