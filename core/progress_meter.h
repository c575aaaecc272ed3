#pragma once
// The progress of a long checksum or copy as the status line shows it: nothing for work that
// ends within about half a second, then at most about 30 updates a second, and hidden again
// when the work ends, however it ends.
#include <chrono>
#include <cstdint>
#include <functional>

#include "core/seams.h"

namespace core {

// Work that ends sooner shows no progress at all.
inline constexpr std::chrono::milliseconds ProgressDelay{500};
// The shortest time between two updates: about 30 a second.
inline constexpr std::chrono::milliseconds ProgressInterval{33};
// The clock is read once per this much work, so that counting a step costs one comparison.
inline constexpr std::uint64_t ProgressCheckBytes = 64 * 1024;

class ProgressMeter {
  public:
    using Clock = std::chrono::steady_clock;
    using ClockReader = std::function<Clock::time_point()>;

    // Starts counting `total` bytes of work now.
    ProgressMeter(StatusLine& status, std::uint64_t total, ClockReader now = Clock::now);
    // Hides the progress when it was shown.
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Counts `bytes` more as done.
    void Advance(std::uint64_t bytes) {
        done_ += bytes;
        if (done_ >= nextCheck_) ShowWhenDue();
    }

  private:
    void ShowWhenDue();

    StatusLine& status_;
    const std::uint64_t total_;
    const ClockReader now_;
    std::uint64_t done_ = 0;
    std::uint64_t nextCheck_ = ProgressCheckBytes;
    Clock::time_point nextShow_;
    bool shown_ = false;
};

}  // namespace core
