// The tick timer: every 24 ms (or the platform's finest period, if coarser) it posts the tick
// message to the main window, unless a tick handler is running at that moment.
#pragma once

#include <cstdint>

constexpr unsigned TICK_DELAY_MIN_MS = 24;

extern std::uint32_t tickTimerId;  // 0 when no timer runs

// The period for a platform whose finest period is periodMin.
unsigned TickDelay(unsigned periodMin);
int StartTickTimer();  // 1 when the timer runs
void StopTickTimer();  // no tick is posted after it returns
void TickTimerCallback(unsigned id, unsigned message, std::uintptr_t user, std::uintptr_t reserved1,
                       std::uintptr_t reserved2);
