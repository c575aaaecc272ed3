#pragma once
// The narrow interfaces through which the core reaches the window. The window layer implements
// them; tests pass fakes.
#include <cstdint>
#include <string>

#include "core/colours.h"

namespace core {

class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs every queued window event (input, painting, timers, close requests) and returns
    // when the queue is empty.
    virtual void ProcessPendingEvents() = 0;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void ShowErrorBox(const std::string& message) = 0;    // caption "Error", OK
    virtual bool AskYesNo(const std::string& message) = 0;         // caption "Question"; true for Yes
    virtual void ShowSuccessBox(const std::string& message) = 0;  // caption "Success", OK
};

class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetStatus(const std::string& text, Colour colour, bool blinking) = 0;
    // How far a long checksum or copy has come, `done` of `total` bytes; shown beside the status
    // text until HideProgress. A ProgressMeter decides when and how often.
    virtual void ShowProgress(std::uint64_t done, std::uint64_t total) = 0;
    virtual void HideProgress() = 0;
};

class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void ShowBusyCursor() = 0;
    virtual void ShowDefaultCursor() = 0;
};

// What a checksum computation watches to notice that its result is no longer wanted.
class SourceWatch {
public:
    virtual ~SourceWatch() = default;
    virtual std::string SourceText() = 0;  // the current text of the source edit box
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
    EventPump& pump;
    MessageBoxes& boxes;
    StatusLine& status;
    BusyCursor& cursor;
    SourceWatch& source;
    ProgramEnd& end;
};

}  // namespace core
