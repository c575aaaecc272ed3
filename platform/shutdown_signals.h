#pragma once
// The signals that ask the program to end (SIGTERM from a logout or kill, SIGHUP from a closed
// terminal, SIGINT from Ctrl+C), turned into bytes on a pipe so that the event loop can handle
// them in order, like any other input.
#include <optional>

namespace platform {

class ShutdownSignals {
  public:
    // Installs the handlers (once per process) and opens a reading end of the pipe of its own,
    // non-blocking. When the pipe cannot be made, descriptor() is -1 and the signals keep their
    // default effect.
    ShutdownSignals();
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    [[nodiscard]] int descriptor() const { return descriptor_; }
    // The number of the next caught signal; nullopt when none is waiting.
    [[nodiscard]] std::optional<int> Next();

  private:
    int descriptor_ = -1;
};

}  // namespace platform
