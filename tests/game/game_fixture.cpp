#include "game/game_fixture.h"

#include <cstring>

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
    sim::ClearRecordedCalls();
}

std::vector<std::string> GameTest::TakeCallNames() {
    std::vector<std::string> names;
    for (const sim::Call& call : sim::RecordedCalls()) {
        names.emplace_back(call.name);
    }
    sim::ClearRecordedCalls();
    return names;
}

std::vector<sim::Call> GameTest::CallsNamed(const char* name) {
    std::vector<sim::Call> calls;
    for (const sim::Call& call : sim::RecordedCalls()) {
        if (std::strcmp(call.name, name) == 0) {
            calls.push_back(call);
        }
    }
    return calls;
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
