// The mallets at the edges of their rules: the player's clamps and wrapping cursor arithmetic, and
// the computer's changes of state at their exact thresholds.
#include <climits>
#include <tuple>

#include "game/game_fixture.h"
#include "game/player_target.h"
#include "platform/window/window.h"

namespace {

TEST_F(GameTest, PlayerTargetFollowsTheCursorWithinItsHalfWrappingIn32Bits) {
    const struct {
        platform::Point from, to;
        std::int32_t x, y, expectedX, expectedY;
    } cases[] = {
        {{320, 360}, {330, 360}, 140, -80, 140, -80},  // stops at the side
        {{320, 360}, {310, 360}, 140, -80, 130, -80},  // and comes back at once
        {{320, 360}, {300, 360}, -135, -80, -140, -80},
        {{320, 360}, {320, 330}, 0, -160, 0, -130},  // up the screen: away from the player
        {{320, 360}, {320, -140}, 0, -130, 0, 0},    // not past the centre line
        {{320, 360}, {320, 1360}, 0, 0, 0, -160},
        // Far off any screen the deltas wrap to -1 and +1 instead of overflowing.
        {{INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}, 0, -80, -1, -81},
    };
    std::int32_t x = 0, y = 0;
    for (const bool follows : {false, true}) {
        handlers.onMouseMove = follows ? PlayerMouseMove : nullptr;
        for (const auto& c : cases) {
            std::tie(lastCursorX, lastCursorY, playerTargetX, playerTargetY) =
                std::tuple(c.from.x, c.from.y, c.x, c.y);
            // The picture, before the move reaches the game, draws the mallet where it will go.
            EXPECT_EQ(NextPlayerTarget(c.to, &x, &y), follows);
            if (follows) {
                EXPECT_EQ(std::tuple(x, y), std::tuple(c.expectedX, c.expectedY));
            }
            platform::SetCursorPos(c.to.x, c.to.y);
            PlayerMouseMove();
            EXPECT_EQ(std::tuple(playerTargetX, playerTargetY, lastCursorX, lastCursorY),
                      std::tuple(c.expectedX, c.expectedY, c.to.x, c.to.y));
        }
    }
}

struct CpuCase {
    const char* what;
    int level;
    double x, y;
    int state;
    double puckX, puckY, puckSpeed;
    const char* expected;  // after each tick: state, place and speed
    int ticks = 1;
};

const CpuCase cpuCases[] = {
    {"79.4 apart: 79 once truncated, in range", 0, 0, 80.9, CPU_APPROACH, 0, 1.5, 0,
     "strike 0 80.9 0; "},
    {"80 once truncated: too far", 0, 0, 81.6, CPU_APPROACH, 0, 1.5, 0,
     "approach 0.612053 76.6376 5; "},
    {"in range but only 2 units behind it", 0, 0, 3.5, CPU_APPROACH, 0, 1.5, 0,
     "approach 0.367823 8.48645 5; "},
    {"on the line is not past it", 0, 0, 100, CPU_STRIKE, 0, -9, 0, "strike 0 92 8; "},
    {"strike stops at the centre line", 2, 0, 10, CPU_STRIKE, 0, -5, 0, "strike 0 0 10; "},
    {"the zone's side bound is strict", 0, -32, 150, CPU_RETREAT, 0, -100, 5,
     "retreat -28.0589 150.684 4; "},
    {"retreat turns to approach for a slow puck in its half", 0, 0, 150, CPU_RETREAT, 100, 40, 0.5,
     "approach 0 150 0; "},
    {"a puck at speed 1 is not slow", 0, 0, 150, CPU_RETREAT, 100, 40, 1, "retreat 0 150 0; "},
    {"a puck just past the line in front: the mallet alternates in place", 0, 0, 100, CPU_RETREAT,
     0, -20, 0, "approach 0 100 0; retreat 0 100 0; approach 0 100 0; ", 3},
    {"an unknown state only clamps", 0, 150, -5, 7, 0, 0, 0, "7 140 0 11.1803; "},
    {"an unknown state clamps on every side", 0, -141, 161, -1, 0, 0, 0, "-1 -140 160 1.41421; "},
};

// Every change of state costs the tick's motion: the mallet stays where it was.
TEST_F(GameTest, CpuMalletChangesStateAtItsThresholds) {
    static const char* const names[] = {"wait", "approach", "strike", "retreat"};
    for (const CpuCase& c : cpuCases) {
        SCOPED_TRACE(c.what);
        SetUp();  // each case from a fresh game
        match.level = c.level;
        Body& m = bodies[BODY_CPU];
        PlaceMallet(BODY_CPU, c.x, c.y);
        m.aiState = c.state;
        PlacePuck(c.puckX, c.puckY, 0, c.puckSpeed);
        std::string after;
        for (int tick = 0; tick < c.ticks; ++tick) {
            UpdateCpuMallet(BODY_CPU);
            after +=
                (m.aiState >= 0 && m.aiState < 4 ? names[m.aiState] : std::to_string(m.aiState)) +
                " " + Num(m.x) + " " + Num(m.y) + " " + Num(m.speed) + "; ";
        }
        EXPECT_EQ(after, c.expected);
    }
}

}  // namespace
