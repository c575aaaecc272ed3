#pragma once
// The narrow interfaces through which the core reaches the window. The window layer implements
// them; tests pass fakes.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/colours.h"
#include "core/long_work.h"

namespace core {

// Long work runs off the window's thread; the window handles its events while it waits.
class BackgroundWork {
  public:
    virtual ~BackgroundWork() = default;
    // Runs `work` on a worker thread and returns when it has ended. The sink's calls reach the
    // status line's progress bar.
    virtual void RunAside(const std::function<void(ProgressSink&)>& work) = 0;
    // Waits for the end of a started program (platform::StartProgram) and reaps it: its exit
    // status, 128 + n after signal n, nothing when that could not be read.
    virtual std::optional<std::uint32_t> AwaitProgram(int program) = 0;
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Caption "Error", OK; a reason that is not empty is the box's details.
    virtual void ShowErrorBox(const std::string& message, const std::string& reason) = 0;
    virtual bool AskYesNo(const std::string& message) = 0;        // caption "Question"; true for Yes
    virtual void ShowSuccessBox(const std::string& message) = 0;  // caption "Success", OK
};

// How far a long checksum or copy has come, `done` of `total` bytes; shown beside the status
// text until HideProgress. A ProgressMeter decides when and how often.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;
    virtual void ShowProgress(std::uint64_t done, std::uint64_t total) = 0;
    virtual void HideProgress() = 0;
};

class StatusLine : public ProgressDisplay {
  public:
    virtual void SetStatus(const std::string& text, Colour colour, bool blinking) = 0;
};

class BusyCursor {
  public:
    virtual ~BusyCursor() = default;
    virtual void ShowBusyCursor() = 0;
    virtual void ShowDefaultCursor() = 0;
};

// How a fatal error ends the program: the window is disabled, then the process exits.
class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    virtual void DisableMainWindow() = 0;
    // Must not return; tests throw from here to observe the exit.
    [[noreturn]] virtual void Exit(int exitCode) = 0;
};

// Everything the core needs from its surroundings, handed around as one bundle.
struct Seams {
    BackgroundWork& work;
    MessageBoxes& boxes;
    StatusLine& status;
    BusyCursor& cursor;
    ProgramEnd& end;
};

}  // namespace core
