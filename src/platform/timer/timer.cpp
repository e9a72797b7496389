// The periodic timer and the millisecond tick count.
//
// Each timer keeps the schedule start + n * delay by its backend's clock, so a late call does not
// push the later calls back and the rate does not drift: the calls missed meanwhile are made at
// once, one after another. The backend runs the timers (Backend::StartTimer, StopTimer): on the
// desktop each on a thread of its own (timer_thread.cpp), in a browser page from the backend's
// event wait (timer_page.cpp).
#include "platform/timer/timer.h"

#include <chrono>

namespace platform {

TimerCaps GetTimerCaps() {
    return {};
}

// The schedule is kept by a steady clock, whose resolution is already finer than a millisecond.
void BeginTimerPeriod(unsigned) {}
void EndTimerPeriod(unsigned) {}

unsigned SetPeriodicTimer(unsigned delay, unsigned, TimerCallback callback, std::uintptr_t user) {
    if (delay == 0 || callback == nullptr) {
        return 0;
    }
    return CurrentBackend().StartTimer(delay, callback, user);
}

void KillTimer(unsigned id) {
    CurrentBackend().StopTimer(id);
}

std::uint32_t GetTickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace platform
