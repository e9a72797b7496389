#include "platform/headless_backend.h"

namespace platform {

void HeadlessBackend::PumpEvents(bool wait) {
    std::unique_lock lock(lock_);
    if (wait) {
        woken_.wait(lock, [this] { return wakePending_; });
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

}  // namespace platform
