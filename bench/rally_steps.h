// The steps both rally benchmarks time (bench/sim_bench.cpp with Google Benchmark,
// bench/sim_rate.cpp on a plain clock, natively and under node), so that they time the same work.
#pragma once

#include <cstdint>

#include "calls/calls.h"
#include "game/game.h"
#include "shell/shell.h"
#include "tools/sim/player.h"
#include "tools/sim/session.h"

namespace rally {

constexpr std::uint32_t SEED = 11;

// A started program in its first rally.
inline void Start() {
    sim::StartProgram(SEED);
    sim::Tick(6);
    sim::Deliver(platform::WM_LBUTTONDOWN);
    sim::Tick();
    calls::ClearRecordedCalls();
}

// The game's rally tick alone.
inline void TickRallyOnly() {
    RallyTick();
    if (handlers.onTick != RallyTick) {
        ServePuck();  // a goal: straight on with the next rally
    }
    calls::ClearRecordedCalls();
}

// A whole tick of the headless program: message queue, window procedure, the player's mouse move,
// recorded calls.
inline void TickWithPlayer(sim::Chaser& chaser) {
    if (handlers.onLButtonDown != nullptr) {
        sim::Deliver(platform::WM_LBUTTONDOWN);  // serve again, or back to a new match
    }
    const platform::Point cursor = chaser.NextCursor();
    sim::MoveCursor(cursor.x, cursor.y);
    sim::Tick();
    calls::ClearRecordedCalls();
}

}  // namespace rally
