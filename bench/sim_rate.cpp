// Rally ticks per second with nothing but a steady clock, so that the same program runs natively
// and under node (make web builds bench/sim_rate.js): the game's rally tick alone, and a whole
// tick of the headless program with a scripted player (as bench/sim_bench.cpp measures them).
// Usage: sim_rate [SECONDS]   (each figure is timed over about that long; default 1)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "game/game.h"
#include "record/calls.h"
#include "shell/shell.h"
#include "tools/sim/player.h"
#include "tools/sim/session.h"

namespace {

constexpr std::uint32_t SEED = 11;
constexpr int BATCH = 1000;  // ticks between looks at the clock

// A started program in its first rally.
void StartRally() {
    sim::StartProgram(SEED);
    sim::Tick(6);
    sim::Deliver(platform::WM_LBUTTONDOWN);
    sim::Tick();
    record::ClearRecordedCalls();
}

void RallyOnly() {
    RallyTick();
    if (handlers.onTick != RallyTick) {
        ServePuck();  // a goal: straight on with the next rally
    }
    record::ClearRecordedCalls();
}

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
    StartRally();
    std::printf("rally ticks per second: %.0f\n", Rate(seconds, RallyOnly));
    StartRally();
    sim::Chaser chaser(SEED);
    const double whole = Rate(seconds, [&chaser] {
        if (handlers.onLButtonDown != nullptr) {
            sim::Deliver(platform::WM_LBUTTONDOWN);  // serve again, or back to a new match
        }
        const platform::Point cursor = chaser.NextCursor();
        sim::MoveCursor(cursor.x, cursor.y);
        sim::Tick();
        record::ClearRecordedCalls();
    });
    std::printf("whole headless ticks per second: %.0f\n", whole);
    return 0;
}
