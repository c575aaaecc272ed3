#include "tests/core/support/fake_seams.h"

namespace testing_support {

void FakeSeams::ProcessPendingEvents() {
    ++pumpCalls;
    if (onPump) onPump(pumpCalls);
}
void FakeSeams::ShowErrorBox(const std::string& message) { errors.push_back(message); }
bool FakeSeams::AskYesNo(const std::string& message) {
    questions.push_back(message);
    return answerYes;
}
void FakeSeams::ShowSuccessBox(const std::string& message) { successes.push_back(message); }
void FakeSeams::SetStatus(const std::string& text, core::Colour colour, bool blinking) {
    statuses.push_back({text, colour, blinking});
}
void FakeSeams::ShowProgress(std::uint64_t done, std::uint64_t total) { progress.push_back({done, total, false}); }
void FakeSeams::HideProgress() { progress.push_back({0, 0, true}); }
void FakeSeams::ShowBusyCursor() { busyCursor = true; }
void FakeSeams::ShowDefaultCursor() { busyCursor = false; }
std::string FakeSeams::SourceText() { return sourceText; }
void FakeSeams::DisableMainWindow() { windowDisabled = true; }
void FakeSeams::Exit(int exitCode) { throw ProgramExited(exitCode); }

}  // namespace testing_support
