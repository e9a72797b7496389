#include "platform/headless_backend.h"

namespace platform {

void HeadlessBackend::PumpEvents(bool wait) {
    std::unique_lock lock(lock_);
    if (wait) {
        woken_.wait(lock, [this] { return wakePending_; });
    }
    wakePending_ = false;
}

void HeadlessBackend::PumpEventsUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(lock_);
    if (clock_ == nullptr) {
        woken_.wait_until(lock, deadline, [this] { return wakePending_; });
    }
    wakePending_ = false;
}

void HeadlessBackend::Wake() {
    {
        std::lock_guard lock(lock_);
        wakePending_ = true;
    }
    woken_.notify_one();
}

unsigned HeadlessBackend::StartTimer(unsigned delay, TimerCallback callback, std::uintptr_t user) {
    if (ticks_ == Ticks::Real) {
        return Backend::StartTimer(delay, callback, user);
    }
    return static_cast<unsigned>(++manualTimers_);
}

void HeadlessBackend::StopTimer(unsigned id) {
    if (ticks_ == Ticks::Real) {
        Backend::StopTimer(id);
    } else if (manualTimers_ > 0) {
        --manualTimers_;
    }
}

}  // namespace platform
