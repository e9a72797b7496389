// Rally ticks per second: the game's rally tick alone, and a whole tick of the headless program
// (message queue, window procedure, a scripted player's mouse move, recorded calls).
#include <benchmark/benchmark.h>

#include "game/game.h"
#include "record/calls.h"
#include "shell/shell.h"
#include "tools/sim/player.h"
#include "tools/sim/session.h"

namespace {

constexpr std::uint32_t SEED = 11;

// A started program in its first rally.
void StartRally() {
    sim::StartProgram(SEED);
    sim::Tick(6);
    sim::Deliver(platform::WM_LBUTTONDOWN);
    sim::Tick();
    record::ClearRecordedCalls();
}

void BM_RallyTick(benchmark::State& state) {
    StartRally();
    for (auto _ : state) {
        RallyTick();
        if (handlers.onTick != RallyTick) {
            ServePuck();  // a goal: straight on with the next rally
        }
        record::ClearRecordedCalls();
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RallyTick);

void BM_SimTickWithPlayer(benchmark::State& state) {
    StartRally();
    sim::Chaser chaser(SEED);
    for (auto _ : state) {
        if (handlers.onLButtonDown != nullptr) {
            sim::Deliver(platform::WM_LBUTTONDOWN);  // serve again, or back to a new match
        }
        const platform::Point cursor = chaser.NextCursor();
        sim::MoveCursor(cursor.x, cursor.y);
        sim::Tick();
        record::ClearRecordedCalls();
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimTickWithPlayer);

}  // namespace

BENCHMARK_MAIN();
