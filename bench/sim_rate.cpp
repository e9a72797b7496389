// Rally ticks per second with nothing but a steady clock, so that the same program runs natively
// and under node (make web builds bench/sim_rate.js): the game's rally tick alone, and a whole
// tick of the headless program with a scripted player (as bench/sim_bench.cpp measures them).
// Usage: sim_rate [SECONDS]   (each figure is timed over about that long; default 1)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/rally_steps.h"

namespace {

constexpr int BATCH = 1000;  // ticks between looks at the clock

// Ticks per second of step, run in batches until `seconds` have passed.
template <typename Step>
double Rate(double seconds, Step step) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long ticks = 0;
    std::chrono::duration<double> spent{};
    while (spent.count() < seconds) {
        for (int i = 0; i < BATCH; ++i) {
            step();
        }
        ticks += BATCH;
        spent = Clock::now() - start;
    }
    return static_cast<double>(ticks) / spent.count();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    rally::Start();
    std::printf("rally ticks per second: %.0f\n", Rate(seconds, rally::TickRallyOnly));
    rally::Start();
    sim::Chaser chaser(rally::SEED);
    const double whole = Rate(seconds, [&chaser] { rally::TickWithPlayer(chaser); });
    std::printf("whole headless ticks per second: %.0f\n", whole);
    return 0;
}
