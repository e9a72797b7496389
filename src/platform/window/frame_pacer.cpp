#include "platform/window/frame_pacer.h"

#include <algorithm>

namespace platform {

FramePacer::FramePacer(Duration period) : period_(period) {}

void FramePacer::SetPeriod(Duration period) {
    period_ = period;
}

FramePacer::TimePoint FramePacer::Due(TimePoint now) const {
    switch (sync_) {
        case Sync::Measuring:
            return now;
        case Sync::Swap:
            // A swap that stops waiting (a window the compositor hides) still gives no more than
            // twice the rate.
            return std::max(now, lastStart_ + period_ / 2);
        case Sync::Clock:
            return std::max(now, next_);
    }
    return now;
}

void FramePacer::Drew(TimePoint asked, TimePoint start, TimePoint end) {
    // The schedule keeps its points while frames start in their slot; a frame a whole period
    // late (after a pause) or early (not paced by it) starts it anew.
    next_ = start >= next_ && start < next_ + period_ ? next_ + period_ : start + period_;
    if (sync_ == Sync::Measuring && asked >= lastStart_ && asked <= lastEnd_ &&
        lastEnd_ != TimePoint{}) {
        samples_[sampleCount_++] = start - lastStart_;
        if (sampleCount_ == SAMPLES) {
            std::nth_element(samples_.begin(), samples_.begin() + SAMPLES / 2, samples_.end());
            // Back to back, a swap that waits for the refresh spaces frames about a period apart;
            // one that does not, by the drawing alone.
            sync_ = samples_[SAMPLES / 2] * 10 >= period_ * 6 ? Sync::Swap : Sync::Clock;
        }
    }
    lastStart_ = start;
    lastEnd_ = end;
}

}  // namespace platform
