// The puck at the edges of its rules: walls, goal mouths and posts, friction to rest, the mallet's
// response and its cap, contact latching, and the order of the tests within a substep.
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
    int mallet = -1;  // -1: a whole tick; else CollideMallet(mallet, substep, 10)
    int substep = 0;
};

// PlayEffect 3 is the pad: 20000 Hz when a wall was hit in the tick, else 22000; 4 is the goal.
const PuckCase cases[] = {
    {"a wall hit clears a latched contact", -139.9, 0, 128, 5,
     "-140,0 a128 s2.48; contact 1,0; player waits 30; PlayEffect 3 0 20000", At(-115, 0, 1)},
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
    {"a goal clamps, ends the tick, no friction nor pad", 47, -159.8, 192, 5,
     "30,-169 a192 s5; contact 0,0; GoalTick 1; PlayEffect 4 0 0"},
    {"friction stops a slow puck at zero", 0, 0, 10, 0.01, "0.0097,0.00243 a10 s0; contact 0,0"},
    {"a puck at rest is still hit", 0, -20, 0, 0,
     "0,-20 a0 s0; contact 1,0; player waits 30; PlayEffect 3 0 22000", At(0, -50)},
    {"the box is strict at two radii across", 36, -100, 0, 0, "ret 0; 36,-100 a0 s0; contact 0,0",
     At(0, -100, 1), At(0, 160), 0},
    {"the box is strict at two radii along", 0, -64, 0, 0, "ret 0; 0,-64 a0 s0; contact 0,0",
     At(0, -100, 1), At(0, 160), 0},
    {"a diagonal in the box and the circle", 25, -75, 0, 0,
     "ret 1; 25,-75 a0 s0; contact 1,0; player waits 30", At(0, -100), At(0, 160), 0},
    {"a resting mallet halves the speed", 20, -75, 200, 10,
     "ret 1; 20,-75 a0 s5; contact 1,0; player waits 30", At(0, -100), At(0, 160), 0},
    {"an answered touch is not answered again", 20, -75, 200, 10,
     "ret 0; 20,-75 a200 s10; contact 1,0", At(0, -100, 1), At(0, 160), 0},
    {"the response is capped", 5, -100, 128, 40, "ret 1; 5,-100 a78 s18; contact 0,1; cpu waits 30",
     At(0, -160), At(0, -100, 0, 30), 1},
    {"substep 0 sees the mallet at its start", 0, -30, 0, 0, "ret 0; 0,-30 a0 s0; contact 0,0",
     At(0, -50, 0, 100), At(0, 160), 0},
    {"substep 9 sees it 9/10 along", 0, -30, 0, 0,
     "ret 1; 0,-30 a64 s18; contact 1,0; player waits 30", At(0, -50, 0, 100), At(0, 160), 0, 9},
    {"on top: pushed toward the centre line, silently", 5, -49, 77, 3,
     "ret 0; 4,-13 a77 s3; contact 0,0; player waits 5", At(4, -50, 1), At(0, 160), 0},
    {"the computer's mallet pushes it the other way", -9, 101, 0, 0,
     "ret 0; -10,63 a0 s0; contact 0,0; cpu waits 5", At(0, -160), At(-10, 100), 1},
    {"on top: place from the move's end, side from the path", 0, -10, 0, 0,
     "ret 0; 0,47 a0 s0; contact 0,0; cpu waits 5", At(0, -160), At(0, 10, 0, 20), 1},
    {"a wall, then a mallet ends the tick at the wall's pitch", 139.2, 0, 0, 5,
     "138,0 a0 s2.48; contact 1,0; player waits 30; PlayEffect 3 0 20000", At(102.2, 0)},
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
            out << "ret " << CollideMallet(c.mallet, c.substep, PUCK_SUBSTEPS) << "; ";
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
