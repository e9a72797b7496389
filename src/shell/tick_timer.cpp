#include "shell/tick_timer.h"

#include "shell/shell.h"

std::uint32_t tickTimerId = 0;

unsigned TickDelay(unsigned periodMin) {
    return periodMin <= TICK_DELAY_MIN_MS ? TICK_DELAY_MIN_MS : periodMin;
}

int StartTickTimer() {
    const unsigned m = platform::GetTimerCaps().periodMin;
    platform::BeginTimerPeriod(m);
    tickTimerId = platform::SetPeriodicTimer(TickDelay(m), m, TickTimerCallback, 0);
    return tickTimerId != 0 ? 1 : 0;
}

void StopTickTimer() {
    if (tickTimerId == 0) {
        return;
    }
    platform::KillTimer(tickTimerId);
    platform::EndTimerPeriod(platform::GetTimerCaps().periodMin);
    tickTimerId = 0;
}

void TickTimerCallback(unsigned, unsigned, std::uintptr_t, std::uintptr_t, std::uintptr_t) {
    // A tick that falls while a tick handler runs is dropped, not queued.
    if (shell.inTick.load() != 0) {
        return;
    }
    platform::PostMessage(shell.mainWindow, WM_TICK, 0, 0);
}
