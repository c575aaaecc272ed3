#pragma once
// What long work on a worker thread is handed: a token that tells it to stop, and a sink that
// hears how far it has come. Both are called from the worker's thread.
#include <atomic>
#include <cstdint>

namespace core {

// Set by the window's thread when a result is no longer wanted; the work looks at it after
// every step and stops there.
class CancelToken {
  public:
    void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    [[nodiscard]] bool IsCancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  private:
    std::atomic<bool> cancelled_{false};
};

// Told after every step of the work: `done` of `total` bytes.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void Advance(std::uint64_t done, std::uint64_t total) = 0;
};

}  // namespace core
