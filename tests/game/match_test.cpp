// The match flow where the stored replays (tests/sim) do not reach: a new match after a finished
// one starts afresh, the serve's heading on every seed, the level rule at its edges, and input
// that a state does not take.
#include "game/game_fixture.h"
#include "tools/sim/session.h"
#include "tools/sim/trace.h"

namespace {

using Names = std::vector<std::string>;

struct Slots {
    Handler onMouseMove;
    Handler onLButtonDown;
    Handler onTick;
};

void ExpectSlots(const Slots& expected) {
    EXPECT_EQ(handlers.onMouseMove, expected.onMouseMove);
    EXPECT_EQ(handlers.onLButtonDown, expected.onLButtonDown);
    EXPECT_EQ(handlers.onLButtonUp, nullptr);
    EXPECT_EQ(handlers.onRButtonDown, nullptr);
    EXPECT_EQ(handlers.onTick, expected.onTick);
}

class MatchTest : public GameTest {};

TEST_F(MatchTest, ClickAtTheTitleStartsAMatchAtLevelZeroServedOnTheNextTick) {
    match = {2, {4, 5}, SIDE_CPU, 9};
    TitleClick();
    EXPECT_EQ(TakeCallNames(),
              (Names{"StopAllEffects", "ShowScore", "ShowScore", "SetCursorPos", "HideBanner"}));
    EXPECT_EQ(match.level, 0);
    EXPECT_EQ(match.score[SIDE_PLAYER], 0);
    EXPECT_EQ(match.score[SIDE_CPU], 0);
    EXPECT_EQ(match.lastScorer, SIDE_PLAYER);
    EXPECT_EQ(bodies[BODY_PLAYER].y, -160);
    EXPECT_EQ(bodies[BODY_PLAYER].prevY, -160);
    EXPECT_EQ(bodies[BODY_CPU].y, 160);
    EXPECT_EQ(playerTargetY, -160);
    EXPECT_EQ(lastCursorX, 320);
    EXPECT_EQ(lastCursorY, 360);
    platform::Point cursor;
    platform::GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 320);
    EXPECT_EQ(cursor.y, 360);
    ExpectSlots({nullptr, nullptr, ServePuck});
}

TEST_F(MatchTest, ServeHeadsForTheSideThatConcededLast) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SeedRandom(seed);
        match.lastScorer = seed % 2 == 0 ? SIDE_PLAYER : SIDE_CPU;
        ServePuck();
        const int angle = bodies[BODY_PUCK].angle;
        if (match.lastScorer == SIDE_PLAYER) {
            EXPECT_TRUE(angle >= 32 && angle <= 95) << "seed " << seed << " angle " << angle;
        } else {
            EXPECT_TRUE(angle >= 160 && angle <= 223) << "seed " << seed << " angle " << angle;
        }
        EXPECT_EQ(bodies[BODY_PUCK].x, 0);
        EXPECT_EQ(bodies[BODY_PUCK].y, 0);
        EXPECT_EQ(bodies[BODY_PUCK].speed, SERVE_SPEED);
    }
    const Body& cpu = bodies[BODY_CPU];
    EXPECT_EQ(cpu.aiState, CPU_WAIT);
    EXPECT_EQ(cpu.aiTimer, 20);
    EXPECT_EQ(cpu.prevY, 160);
    ExpectSlots({PlayerMouseMove, nullptr, RallyTick});
}

struct LevelCase {
    int lastScorer;
    int player;
    int cpu;
    int levelBefore;
    int levelAfter;
};

class LevelRuleTest : public GameTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LevelRuleTest, LevelFollowsTheScoreOnTheClickAfterAGoal) {
    const LevelCase c = GetParam();
    match = {c.levelBefore, {c.player, c.cpu}, c.lastScorer, 0};
    handlers.onLButtonDown = NextServeClick;
    NextServeClick();
    EXPECT_EQ(match.level, c.levelAfter);
    ExpectSlots({PlayerMouseMove, nullptr, RallyTick});
}

INSTANTIATE_TEST_SUITE_P(
    Goals, LevelRuleTest,
    ::testing::Values(LevelCase{SIDE_PLAYER, 1, 0, 0, 1},
                      LevelCase{SIDE_PLAYER, 2, 2, 1, 2},  // a tie is not behind
                      LevelCase{SIDE_PLAYER, 3, 2, 2, 2},  // already at the top
                      LevelCase{SIDE_PLAYER, 2, 3, 1, 1},  // still behind
                      LevelCase{SIDE_CPU, 2, 3, 0, 0},     // already at the bottom
                      LevelCase{SIDE_CPU, 2, 3, 2, 1},
                      LevelCase{SIDE_CPU, 2, 2, 1, 1},  // a tie: the player is not behind
                      LevelCase{SIDE_CPU, 4, 3, 2, 2}),
    [](const ::testing::TestParamInfo<LevelCase>& info) {
        const LevelCase& c = info.param;
        return std::string(c.lastScorer == SIDE_PLAYER ? "Player" : "Computer") + "Scores" +
               std::to_string(c.player) + "To" + std::to_string(c.cpu) + "AtLevel" +
               std::to_string(c.levelBefore);
    });

// Through the real window procedure: a message a state ignores changes nothing at all.
class IgnoredInputTest : public ::testing::Test {
  protected:
    static std::string State() {
        std::string out;
        sim::AppendStateLine(out, "");
        return out;
    }
    static void ExpectIgnored(unsigned message, const char* where) {
        const std::string before = State();
        sim::Deliver(message);
        EXPECT_EQ(State(), before) << where;
    }
    static void ExpectMoveIgnored(const char* where) {
        const std::string before = State();
        sim::MoveCursor(100, 100);
        EXPECT_EQ(State(), before) << where;
    }
};

TEST_F(IgnoredInputTest, ClicksAndMovesDoNothingWhereNoHandlerTakesThem) {
    sim::StartProgram(67);  // a seed on which the player who never moves concedes
    ExpectIgnored(platform::WM_LBUTTONDOWN, "title intro");
    ExpectMoveIgnored("title intro");
    sim::Tick(6);
    ExpectIgnored(platform::WM_RBUTTONDOWN, "title wait");
    ExpectMoveIgnored("title wait");
    sim::Deliver(platform::WM_LBUTTONDOWN);
    ExpectIgnored(platform::WM_LBUTTONDOWN, "match start");
    sim::Tick();
    ASSERT_EQ(handlers.onTick, RallyTick);
    ExpectIgnored(platform::WM_LBUTTONDOWN, "rally");
    ExpectIgnored(platform::WM_LBUTTONUP, "rally");
    ExpectIgnored(platform::WM_RBUTTONDOWN, "rally");
    for (int i = 0; i < 5000 && handlers.onTick != GoalTick; ++i) {
        sim::Tick();
    }
    ASSERT_EQ(handlers.onTick, GoalTick);
    ExpectIgnored(platform::WM_LBUTTONDOWN, "goal");
    match.score = {4, 4};
    sim::Tick(5);
    sim::Deliver(platform::WM_LBUTTONDOWN);
    ASSERT_TRUE(handlers.onTick == WinTick || handlers.onTick == LoseTick);
    ExpectIgnored(platform::WM_LBUTTONDOWN, "result sequence");
    ExpectMoveIgnored("result sequence");
    sim::Tick(40);
    ASSERT_EQ(handlers.onLButtonDown, EnterTitle);
    ExpectMoveIgnored("result wait");
    ExpectIgnored(platform::WM_RBUTTONDOWN, "result wait");
}

}  // namespace
