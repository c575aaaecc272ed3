#pragma once
// The progress of a long checksum or copy as the status line shows it: nothing for work that
// ends within about half a second, then at most about 30 updates a second, and hidden again
// when the work ends, however it ends.
#include <chrono>
#include <cstdint>
#include <functional>

#include "core/long_work.h"
#include "core/seams.h"

namespace core {

// Work that ends sooner shows no progress at all.
inline constexpr std::chrono::milliseconds ProgressDelay{500};
// The shortest time between two updates: about 30 a second.
inline constexpr std::chrono::milliseconds ProgressInterval{33};

class ProgressMeter : public ProgressSink {
  public:
    using Clock = std::chrono::steady_clock;
    using ClockReader = std::function<Clock::time_point()>;

    // Starts timing the work now.
    explicit ProgressMeter(ProgressDisplay& display, ClockReader now = Clock::now);
    // Hides the progress when it was shown.
    ~ProgressMeter() override;
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    void Advance(std::uint64_t done, std::uint64_t total) override;

  private:
    ProgressDisplay& display_;
    const ClockReader now_;
    Clock::time_point nextShow_;
    bool shown_ = false;
};

}  // namespace core
