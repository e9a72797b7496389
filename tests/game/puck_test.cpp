// The puck at the edges of its rules: corners, end lines, goal posts, the mallet's strict box, a
// mallet on top of the puck, and which mallet is tested first. The rules away from their edges
// (friction, the response and its cap, contact latching, substeps) play in every stored replay.
#include <cmath>
#include <sstream>

#include "game/game_fixture.h"
#include "record/trace.h"
#include "tools/sim/session.h"

namespace {

struct Mallet {
    double x, y;
    int contact = 0;  // 1: the touch was answered already
    double dy = 0;    // moved this far along y in the tick, from y - dy
};

Mallet At(double x, double y, int contact = 0, double dy = 0) {
    return {x, y, contact, dy};
}

struct PuckCase {
    const char* what;
    double x, y;
    int angle;
    double speed;
    const char* expected;
    Mallet player = At(0, -160);
    Mallet cpu = At(0, 160);
    int mallet = -1;  // -1: a whole tick; else CollideMallet(mallet, 0, 10), at the move's start
};

// PlayEffect 3 is the pad: 20000 Hz when a wall was hit in the tick, else 22000; 4 is the goal.
const PuckCase cases[] = {
    {"a corner mirrors both ways in one substep", 139.9, 159.9, 32, 5,
     "136.818,156.818 a160 s4.98; contact 0,0; PlayEffect 3 0 20000"},
    {"the end line is neither goal nor wall", 0, -160, 7, 0, "0,-160 a7 s0; contact 0,0",
     At(100, -100), At(-100, 100)},
    {"the far end line is neither goal nor wall", 0, 160, 9, 0, "0,160 a9 s0; contact 0,0",
     At(100, -100), At(-100, 100)},
    {"a goal post is wall", 48, -160.5, 200, 0,
     "48,-160 a56 s0; contact 0,0; PlayEffect 3 0 20000"},
    {"a far goal post is wall", -48, 160.5, 40, 0,
     "-48,160 a216 s0; contact 0,0; PlayEffect 3 0 20000"},
    {"just inside the post is goal", 47.9, -160.5, 200, 0,
     "30,-169 a200 s0; contact 0,0; GoalTick 1; PlayEffect 4 0 0"},
    {"the box is strict at two radii across", 36, -100, 0, 0, "ret 0; 36,-100 a0 s0; contact 0,0",
     At(0, -100, 1), At(0, 160), 0},
    {"the box is strict at two radii along", 0, -64, 0, 0, "ret 0; 0,-64 a0 s0; contact 0,0",
     At(0, -100, 1), At(0, 160), 0},
    {"on top: pushed toward the centre line, silently", 5, -49, 77, 3,
     "ret 0; 4,-13 a77 s3; contact 0,0; player waits 5", At(4, -50, 1), At(0, 160), 0},
    {"the computer's mallet pushes it the other way", -9, 101, 0, 0,
     "ret 0; -10,63 a0 s0; contact 0,0; cpu waits 5", At(0, -160), At(-10, 100), 1},
    {"on top: place from the move's end, side from the path", 0, -10, 0, 0,
     "ret 0; 0,47 a0 s0; contact 0,0; cpu waits 5", At(0, -160), At(0, 10, 0, 20), 1},
    {"the player's mallet is tested first", 0, 0, 64, 0,
     "0,0 a0 s0; contact 1,0; player waits 30; PlayEffect 3 0 22000", At(-20, 0), At(20, 0)},
};

using PuckTest = GameTest;

// What the tick or the test changed: the return, the puck, the contacts, a mallet made to wait,
// a goal and its scorer, and the calls.
TEST_F(PuckTest, MovesCollidesAndSoundsAtTheEdgesOfItsRules) {
    for (const PuckCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // each case from a fresh game
        for (const auto& [index, m] :
             {std::pair{BODY_PLAYER, c.player}, std::pair{BODY_CPU, c.cpu}}) {
            PlaceMallet(index, m.x, m.y);
            bodies[index].prevY = m.y - m.dy;
            bodies[index].speed = std::fabs(m.dy);
            bodies[index].contact = m.contact;
            bodies[index].aiState = CPU_RETREAT;
        }
        PlacePuck(c.x, c.y, c.angle, c.speed);
        handlers.onTick = RallyTick;
        std::ostringstream out;
        if (c.mallet < 0) {
            UpdatePuck();
        } else {
            out << "ret " << CollideMallet(c.mallet, 0, PUCK_SUBSTEPS) << "; ";
        }
        const Body& puck = bodies[BODY_PUCK];
        out << Num(puck.x) << "," << Num(puck.y) << " a" << int(puck.angle) << " s"
            << Num(puck.speed) << "; contact " << bodies[BODY_PLAYER].contact << ","
            << bodies[BODY_CPU].contact;
        for (int m : {BODY_PLAYER, BODY_CPU}) {
            if (bodies[m].aiState == CPU_WAIT) {
                out << (m == BODY_PLAYER ? "; player" : "; cpu") << " waits " << bodies[m].aiTimer;
            }
        }
        if (handlers.onTick != RallyTick) {
            out << "; " << record::HandlerName(handlers.onTick) << " " << match.lastScorer;
        }
        const std::string calls = TakeCalls();
        EXPECT_EQ(out.str() + (calls.empty() ? "" : "; " + calls), c.expected);
    }
}

}  // namespace
