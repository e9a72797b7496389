// Measures the tick timer as the game's window thread sees it: the arrival times of N tick
// messages through the real queue. Prints mean period, worst deviation, 99th percentile of the
// deviation, and the drift of the last tick against the ideal schedule.
// Usage: tick_period [N]   (default 500)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/headless_backend.h"
#include "shell/shell.h"
#include "shell/tick_timer.h"

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

    std::vector<double> periods;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        periods.push_back(
            std::chrono::duration<double, std::milli>(arrivals[i] - arrivals[i - 1]).count());
    }
    double sum = 0;
    std::vector<double> deviations;
    for (double p : periods) {
        sum += p;
        deviations.push_back(std::fabs(p - TICK_DELAY_MIN_MS));
    }
    std::sort(deviations.begin(), deviations.end());
    const double mean = sum / static_cast<double>(periods.size());
    const double worst = deviations.back();
    const double p99 =
        deviations[static_cast<std::size_t>(0.99 * static_cast<double>(deviations.size() - 1))];
    const double elapsed =
        std::chrono::duration<double, std::milli>(arrivals.back() - start).count();
    const double drift = elapsed - static_cast<double>(count) * TICK_DELAY_MIN_MS;
    std::printf(
        "ticks: %d  mean period: %.3f ms  worst deviation: %.3f ms  p99 deviation: %.3f ms  drift "
        "at the end: %+.3f ms\n",
        count, mean, worst, p99, drift);
    DestroyWindow(shell.mainWindow);
    SetBackend(nullptr);
    return 0;
}
