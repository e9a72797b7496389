// Rally ticks per second: the game's rally tick alone, and a whole tick of the headless program
// (message queue, window procedure, a scripted player's mouse move, recorded calls).
#include <benchmark/benchmark.h>

#include "bench/rally_steps.h"

namespace {

void BM_RallyTick(benchmark::State& state) {
    rally::Start();
    for (auto _ : state) {
        rally::TickRallyOnly();
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RallyTick);

void BM_SimTickWithPlayer(benchmark::State& state) {
    rally::Start();
    sim::Chaser chaser(rally::SEED);
    for (auto _ : state) {
        rally::TickWithPlayer(chaser);
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimTickWithPlayer);

}  // namespace

BENCHMARK_MAIN();
