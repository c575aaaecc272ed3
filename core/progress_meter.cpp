#include "core/progress_meter.h"

#include <utility>

namespace core {

ProgressMeter::ProgressMeter(ProgressDisplay& display, ClockReader now)
    : display_(display), now_(std::move(now)), nextShow_(now_() + ProgressDelay) {}

ProgressMeter::~ProgressMeter() {
    if (shown_) display_.HideProgress();
}

void ProgressMeter::Advance(std::uint64_t done, std::uint64_t total) {
    const Clock::time_point now = now_();
    if (now < nextShow_) return;
    display_.ShowProgress(done, total);
    shown_ = true;
    nextShow_ = now + ProgressInterval;
}

}  // namespace core
