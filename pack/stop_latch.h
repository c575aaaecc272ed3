#pragma once
// The first shutdown signal (SIGTERM, SIGHUP, SIGINT) that asked a run of the tool to end.
#include <mutex>
#include <optional>

#include "platform/shutdown_signals.h"

namespace pack {

// Catches the signals from its construction on; remembers the first one once seen. Safe to ask
// from several threads.
class StopLatch {
  public:
    [[nodiscard]] bool Requested() {
        std::lock_guard lock(mutex_);
        if (!signal_) signal_ = signals_.Next();
        return signal_.has_value();
    }
    [[nodiscard]] std::optional<int> Signal() {
        std::lock_guard lock(mutex_);
        return signal_;
    }

  private:
    platform::ShutdownSignals signals_;
    std::mutex mutex_;
    std::optional<int> signal_;
};

}  // namespace pack
