// The match flow where the stored replays (tests/sim) do not reach: a new match after a finished
// one starts afresh, the level rule at its edges, and input that a state does not take.
#include <tuple>

#include "game/game_fixture.h"
#include "record/trace.h"
#include "tools/sim/session.h"

namespace {

void ExpectSlots(Handler onMouseMove, Handler onLButtonDown, Handler onTick) {
    EXPECT_EQ(std::tuple(handlers.onMouseMove, handlers.onLButtonDown, handlers.onLButtonUp,
                         handlers.onRButtonDown, handlers.onTick),
              std::tuple(onMouseMove, onLButtonDown, nullptr, nullptr, onTick));
}

TEST_F(GameTest, ClickAtTheTitleStartsAMatchAtLevelZeroServedOnTheNextTick) {
    match = {2, {4, 5}, SIDE_CPU, 9};
    TitleClick();
    EXPECT_EQ(TakeCalls(),
              "StopAllEffects; ShowScore 0 0; ShowScore 1 0; SetCursorPos 320 360; "
              "HideBanner");
    EXPECT_EQ(std::tuple(match.level, match.score[0], match.score[1], match.lastScorer),
              std::tuple(0, 0, 0, SIDE_PLAYER));
    EXPECT_EQ(std::tuple(bodies[BODY_PLAYER].y, bodies[BODY_PLAYER].prevY, bodies[BODY_CPU].y),
              std::tuple(-160, -160, 160));
    EXPECT_EQ(std::tuple(playerTargetY, lastCursorX, lastCursorY), std::tuple(-160, 320, 360));
    ExpectSlots(nullptr, nullptr, ServePuck);
}

TEST_F(GameTest, LevelFollowsTheScoreOnTheClickAfterAGoal) {
    const struct {
        int lastScorer, player, cpu, levelBefore, levelAfter;
    } cases[] = {
        {SIDE_PLAYER, 1, 0, 0, 1}, {SIDE_PLAYER, 2, 2, 1, 2},  // a tie is not behind
        {SIDE_PLAYER, 3, 2, 2, 2},                             // already at the top
        {SIDE_PLAYER, 2, 3, 1, 1},                             // still behind
        {SIDE_CPU, 2, 3, 0, 0},                                // already at the bottom
        {SIDE_CPU, 2, 3, 2, 1},    {SIDE_CPU, 2, 2, 1, 1},     // a tie: the player is not behind
    };
    for (const auto& c : cases) {
        match = {c.levelBefore, {c.player, c.cpu}, c.lastScorer, 0};
        handlers.onLButtonDown = NextServeClick;
        NextServeClick();
        EXPECT_EQ(match.level, c.levelAfter) << c.lastScorer << ": " << c.player << "-" << c.cpu;
        ExpectSlots(PlayerMouseMove, nullptr, RallyTick);
    }
}

// Through the real window procedure: a message a state ignores changes nothing at all.
void ExpectIgnored(const char* where, std::initializer_list<unsigned> messages) {
    for (const unsigned message : messages) {
        std::string before;
        record::AppendStateLine(before, "");
        if (message == platform::WM_MOUSEMOVE) {
            sim::MoveCursor(100, 100);
        } else {
            sim::Deliver(message);
        }
        std::string after;
        record::AppendStateLine(after, "");
        EXPECT_EQ(after, before) << where << " took message " << message;
    }
}

TEST(IgnoredInputTest, ClicksAndMovesDoNothingWhereNoHandlerTakesThem) {
    using namespace platform;
    sim::StartProgram(67);  // a seed on which the player who never moves concedes
    ExpectIgnored("title intro", {WM_LBUTTONDOWN, WM_MOUSEMOVE});
    sim::Tick(6);
    ExpectIgnored("title wait", {WM_RBUTTONDOWN, WM_MOUSEMOVE});
    sim::Deliver(WM_LBUTTONDOWN);
    ExpectIgnored("match start", {WM_LBUTTONDOWN});
    sim::Tick();
    ASSERT_EQ(handlers.onTick, RallyTick);
    ExpectIgnored("rally", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN});
    for (int i = 0; i < 5000 && handlers.onTick != GoalTick; ++i) {
        sim::Tick();
    }
    ASSERT_EQ(handlers.onTick, GoalTick);
    ExpectIgnored("goal", {WM_LBUTTONDOWN});
    match.score = {4, 4};
    sim::Tick(5);
    sim::Deliver(WM_LBUTTONDOWN);
    ASSERT_TRUE(handlers.onTick == WinTick || handlers.onTick == LoseTick);
    ExpectIgnored("result sequence", {WM_LBUTTONDOWN, WM_MOUSEMOVE});
    sim::Tick(40);
    ASSERT_EQ(handlers.onLButtonDown, EnterTitle);
    ExpectIgnored("result wait", {WM_MOUSEMOVE, WM_RBUTTONDOWN});
}

}  // namespace
