#include "core/progress_meter.h"

#include <utility>

namespace core {

ProgressMeter::ProgressMeter(StatusLine& status, std::uint64_t total, ClockReader now)
    : status_(status), total_(total), now_(std::move(now)), nextShow_(now_() + ProgressDelay) {}

ProgressMeter::~ProgressMeter() {
    if (shown_) status_.HideProgress();
}

void ProgressMeter::ShowWhenDue() {
    nextCheck_ = done_ + ProgressCheckBytes;
    const Clock::time_point now = now_();
    if (now < nextShow_) return;
    status_.ShowProgress(done_, total_);
    shown_ = true;
    nextShow_ = now + ProgressInterval;
}

}  // namespace core
