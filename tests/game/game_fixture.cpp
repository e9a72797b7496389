#include "game/game_fixture.h"

#include <cmath>
#include <sstream>

#include "tools/sim/session.h"

void GameTest::SetUp() {
    sim::StartProgram(1);
    FillAngleTables();
    ClearHandlers();
    bodies = {};
    match = {};
    playerTargetX = playerTargetY = 0;
    lastCursorX = lastCursorY = 0;
    SeedRandom(1);
    calls::ClearRecordedCalls();
}

std::string GameTest::TakeCalls() {
    std::ostringstream out;
    for (const calls::Call& call : calls::RecordedCalls()) {
        out << (out.tellp() > 0 ? "; " : "") << call.name;
        for (int i = 0; i < call.argCount; ++i) {
            out << " " << call.args[i];
        }
    }
    calls::ClearRecordedCalls();
    return out.str();
}

std::string GameTest::Num(double v) {
    std::ostringstream out;
    out << std::round(v * 1e6) / 1e6 + 0.0;
    return out.str();
}

void GameTest::PlaceMallet(int mallet, double x, double y) {
    Body& m = bodies[mallet];
    m.x = m.prevX = x;
    m.y = m.prevY = y;
    m.speed = 0;
}

void GameTest::PlacePuck(double x, double y, int angle, double speed) {
    Body& puck = bodies[BODY_PUCK];
    puck.x = x;
    puck.y = y;
    puck.angle = static_cast<Angle256>(angle);
    puck.speed = speed;
}
