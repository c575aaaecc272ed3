#pragma once
// Hands the signals that ask the program to end to the event loop.
#include <functional>
#include <memory>

#include "platform/shutdown_signals.h"

class QSocketNotifier;

namespace app {

class ShutdownSignalWatch {
  public:
    // From now on SIGTERM, SIGHUP and SIGINT call `onSignal` with the signal's number from the
    // event loop (also a nested one, such as a message box's), never from inside the signal.
    explicit ShutdownSignalWatch(std::function<void(int signal)> onSignal);
    ~ShutdownSignalWatch();
    ShutdownSignalWatch(const ShutdownSignalWatch&) = delete;
    ShutdownSignalWatch& operator=(const ShutdownSignalWatch&) = delete;

  private:
    platform::ShutdownSignals signals_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace app
