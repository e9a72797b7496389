// The periodic timer and the millisecond tick count. Each timer keeps its schedule by its
// backend's clock; on the desktop each runs on a thread of its own (timer_thread.cpp), in a page
// from the event wait (timer_page.cpp).
#pragma once

#include <chrono>
#include <cstdint>

// A page has no threads (nor stop tokens in its library): nothing there waits on a timer's clock.
#ifndef __EMSCRIPTEN__
#include <stop_token>
#define PUCKWIND_TIMER_THREADS 1
#endif

#include "platform/platform.h"

namespace platform {

struct TimerCaps {
    unsigned periodMin = 1;  // finest period in milliseconds
    unsigned periodMax = 1000000;
};

TimerCaps GetTimerCaps();
void BeginTimerPeriod(unsigned period);
void EndTimerPeriod(unsigned period);
// Calls back every `delay` ms on a thread of its own, against a schedule kept by the backend's
// Clock() (late calls do not push the later ones back). Returns the timer's id, 0 on failure.
unsigned SetPeriodicTimer(unsigned delay, unsigned resolution, TimerCallback callback,
                          std::uintptr_t user);
// When it returns, the callback runs no more. Must not be called from the callback itself.
void KillTimer(unsigned id);
// In a page only: the backend's event wait calls this to make the timer calls that are due, and
// waits at most the milliseconds it returns for the next one (-1: there is no timer).
int RunDueTimers();

// What a timer's thread keeps time by: the steady clock, or a clock a test moves by hand.
class TimerClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~TimerClock() = default;
    virtual TimePoint Now() = 0;
#if PUCKWIND_TIMER_THREADS
    // Returns true once the clock has reached `when`, false as soon as stop is requested (a
    // timer's thread waits on it).
    virtual bool WaitUntil(TimePoint when, std::stop_token stop) = 0;
#endif
};

std::uint32_t GetTickCount();  // milliseconds since the system started, wrapping at 2^32

}  // namespace platform
