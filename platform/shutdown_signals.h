#pragma once
// The signals that ask the program to end (SIGTERM from a logout or kill, SIGHUP from a closed
// terminal, SIGINT from Ctrl+C), turned into bytes on a pipe so that the event loop can handle
// them in order, like any other input.
#include <optional>

namespace platform {

// Installs the handlers (once per process) and returns the pipe's reading end, non-blocking;
// -1 when the pipe cannot be made, in which case the signals keep their default effect.
[[nodiscard]] int CatchShutdownSignals();

// The number of the next caught signal waiting on the pipe; nullopt when none is waiting.
[[nodiscard]] std::optional<int> NextShutdownSignal(int readFd);

}  // namespace platform
