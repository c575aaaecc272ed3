#include "tests/core/support/fake_seams.h"

#include <utility>

#include "core/progress_meter.h"
#include "platform/process.h"

namespace testing_support {

void FakeSeams::RunAside(const std::function<void(core::ProgressSink&)>& work) {
    ++worksRun;
    core::ProgressMeter meter(*this);
    core::ProgressSink* const outer = std::exchange(meter_, &meter);
    work(*this);
    meter_ = outer;
}

std::optional<std::uint32_t> FakeSeams::AwaitProgram(int program) { return platform::ReapProgram(program); }

void FakeSeams::Advance(std::uint64_t done, std::uint64_t total) {
    ++steps;
    stepsDone.push_back(done);
    if (onStep) onStep(steps);
    if (meter_) meter_->Advance(done, total);
}
void FakeSeams::ShowErrorBox(const std::string& message, const std::string& reason) {
    errors.push_back(message);
    errorReasons.push_back(reason);
}
bool FakeSeams::AskYesNo(const std::string& message) {
    questions.push_back(message);
    return answerYes;
}
void FakeSeams::ShowSuccessBox(const std::string& message) { successes.push_back(message); }
void FakeSeams::SetStatus(const std::string& text, core::Colour colour, bool blinking) {
    statuses.push_back({text, colour, blinking});
}
void FakeSeams::ShowProgress(std::uint64_t done, std::uint64_t total) {
    progress.push_back({done, total, false});
}
void FakeSeams::HideProgress() { progress.push_back({0, 0, true}); }
void FakeSeams::ShowBusyCursor() { busyCursor = true; }
void FakeSeams::ShowDefaultCursor() { busyCursor = false; }
void FakeSeams::DisableMainWindow() { windowDisabled = true; }
void FakeSeams::Exit(int exitCode) { throw ProgramExited(exitCode); }

}  // namespace testing_support
