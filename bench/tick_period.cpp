// Measures the tick timer as the game's window thread sees it: the arrival times of N tick
// messages through the real queue. Prints mean period, worst deviation, 99th percentile of the
// deviation, the lateness of the last tick and the drift over the run (bench/tick_stats.h).
// Usage: tick_period [N]   (default 500)
#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/headless_backend.h"
#include "shell/shell.h"
#include "shell/tick_timer.h"
#include "tick_stats.h"

using namespace platform;

namespace {
LRESULT Proc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(hwnd, message, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    SetBackend(std::make_unique<HeadlessBackend>());
    RegisterClass({"TickBench", Proc, ""});
    shell.mainWindow = CreateWindowEx("TickBench", "bench", {});

    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(static_cast<std::size_t>(count) + 1);
    StartTickTimer();
    const auto start = Clock::now();
    MSG msg;
    while (static_cast<int>(arrivals.size()) < count && GetMessage(&msg)) {
        if (msg.message == WM_TICK) {
            arrivals.push_back(Clock::now());
        }
    }
    StopTickTimer();

    PrintTickFigures(arrivals, start, TICK_DELAY_MIN_MS);
    DestroyWindow(shell.mainWindow);
    SetBackend(nullptr);
    return 0;
}
