// Scripted players for whole matches: a passive one that never touches the mouse, and one that
// heads for the puck. Every command they give is one of puckwind-sim's, so a match they play is
// a script that puckwind-sim replays bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "tools/sim/script.h"

namespace sim {

// Passive never moves; Chaser heads for the puck (below); Seesaw stands still until the computer
// leads, then chases until it leads itself, and so on, so that the level goes both ways.
enum class Player { Passive, Chaser, Seesaw };

// How far the chaser moves its target in a tick, per axis; where it lines up behind the puck;
// how far through the puck it strikes once lined up; where it waits while the puck is in the
// computer's half.
constexpr int CHASE_REACH = 12;
constexpr int CHASE_BEHIND = 45;
constexpr int CHASE_LINED_UP_X = 8;
constexpr int CHASE_THROUGH = 20;
constexpr int CHASE_GUARD_Y = -130;
// The chaser hits the puck off centre by up to this much, drawn anew each time the puck comes
// into its half, so that two mallets cannot return it along one line for ever.
constexpr int CHASE_AIM_SPREAD = 6;

// A player who heads for the puck while it is in the player's half: gets behind it, then strikes
// through it (and keeps on until it is through); while the puck is in the computer's half it
// waits in front of its goal, in line with the puck.
class Chaser {
  public:
    explicit Chaser(std::uint32_t seed) : dice_(seed) {}
    // Where the hand puts the cursor before the next tick.
    platform::Point NextCursor();

  private:
    int NextAim();

    std::uint32_t dice_;  // the chaser's own, apart from the game's random source
    int aimX_ = 0;
    bool puckWasNear_ = false;
    bool striking_ = false;
};

struct MatchResult {
    bool finished = false;   // the result state was reached within the tick budget
    std::int64_t ticks = 0;  // ticks from the click at the title to the result state
    int scorePlayer = 0;
    int scoreCpu = 0;
    int levelChanges = 0;
};

// Plays one match from a fresh start with `seed`: through the title, a click, the rallies with
// a click after every goal, until the result state or until `maxTicks` ticks have passed. With
// a script, every command run is appended to it.
MatchResult PlayMatch(std::uint32_t seed, Player player, std::int64_t maxTicks,
                      std::vector<Command>* script);

}  // namespace sim
