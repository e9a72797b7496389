// The puck at the edges of its rules: walls, goal mouths and posts, friction to rest, the mallet's
// response and its cap, contact latching, and the order of the tests within a substep.
#include "game/game_fixture.h"

namespace {

class PuckTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        // Both mallets at rest at their ends, out of the puck's way.
        PlaceMallet(BODY_PLAYER, 0, -160);
        PlaceMallet(BODY_CPU, 0, 160);
        handlers.onTick = RallyTick;
    }

    static std::vector<unsigned> PadFrequencies() {
        std::vector<unsigned> result;
        for (const sim::Call& call : CallsNamed("PlayEffect")) {
            EXPECT_EQ(call.args[0], SND_PAD);
            EXPECT_EQ(call.args[1], 0);
            result.push_back(static_cast<unsigned>(call.args[2]));
        }
        return result;
    }

    static const Body& Puck() { return bodies[BODY_PUCK]; }
};

TEST_F(PuckTest, WallHitLetsAMalletStillInTouchAnswerAgain) {
    PlaceMallet(BODY_PLAYER, -115, 0);
    bodies[BODY_PLAYER].contact = 1;  // this touch was answered already
    PlacePuck(-139.9, 0, 128, 5);
    UpdatePuck();
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 1);
    EXPECT_DOUBLE_EQ(Puck().speed, 2.48);  // answered: halved, then friction
    EXPECT_EQ(PadFrequencies(), std::vector<unsigned>{PAD_FREQ_WALL});
}

TEST_F(PuckTest, CornerMirrorsBothWaysInOneSubstep) {
    PlacePuck(139.9, 159.9, 32, 5);
    UpdatePuck();
    EXPECT_EQ(Puck().angle, 160);  // reversed
    EXPECT_EQ(handlers.onTick, RallyTick);
}

TEST_F(PuckTest, EndLineItselfIsNeitherGoalNorWall) {
    PlaceMallet(BODY_PLAYER, 100, -100);
    PlaceMallet(BODY_CPU, -100, 100);
    PlacePuck(0, -160, 7, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().y, -160);
    EXPECT_EQ(Puck().angle, 7);
    EXPECT_TRUE(sim::RecordedCalls().empty());
    PlacePuck(0, 160, 9, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().angle, 9);
    EXPECT_EQ(handlers.onTick, RallyTick);
}

TEST_F(PuckTest, GoalPostIsWallAndInsideItIsGoal) {
    // Beyond the end line at rest: only the mouth test decides.
    PlacePuck(48, -160.5, 200, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().y, -160);
    EXPECT_EQ(Puck().angle, 56);
    EXPECT_EQ(handlers.onTick, RallyTick);

    PlacePuck(-48, 160.5, 40, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().y, 160);
    EXPECT_EQ(handlers.onTick, RallyTick);

    PlacePuck(47.9, -160.5, 200, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().y, -GOAL_PUCK_DEPTH);
    EXPECT_EQ(handlers.onTick, GoalTick);
}

TEST_F(PuckTest, GoalAtThePlayersEndClampsThePuckAndEndsTheTick) {
    PlacePuck(47, -159.8, 192, 5);
    UpdatePuck();
    EXPECT_EQ(Puck().x, 30);
    EXPECT_EQ(Puck().y, -169);
    EXPECT_EQ(Puck().speed, 5);  // no friction in the tick of a goal
    EXPECT_EQ(Puck().angle, 192);
    EXPECT_EQ(match.lastScorer, SIDE_CPU);
    EXPECT_EQ(handlers.onTick, GoalTick);
    EXPECT_EQ(TakeCallNames(), std::vector<std::string>{"PlayEffect"});  // the goal, no pad
}

TEST_F(PuckTest, FrictionStopsASlowPuckAtZero) {
    PlacePuck(0, 0, 10, 0.01);
    UpdatePuck();
    EXPECT_EQ(Puck().speed, 0);
    UpdatePuck();
    EXPECT_EQ(Puck().speed, 0);
}

TEST_F(PuckTest, PuckAtRestIsStillHitByAMallet) {
    PlaceMallet(BODY_PLAYER, 0, -50);
    PlacePuck(0, -20, 0, 0);
    UpdatePuck();
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 1);
    EXPECT_EQ(PadFrequencies(), std::vector<unsigned>{PAD_FREQ_MALLET});
}

TEST_F(PuckTest, BoxTestIsStrictAtExactlyTwoRadii) {
    PlaceMallet(BODY_PLAYER, 0, -100);
    bodies[BODY_PLAYER].contact = 1;
    PlacePuck(36, -100, 0, 0);
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 0);
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 0);
    bodies[BODY_PLAYER].contact = 1;
    PlacePuck(0, -64, 0, 0);
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 0);
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 0);
    PlacePuck(25, -75, 0, 0);  // 35.36 away, inside the box
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 1);
}

TEST_F(PuckTest, RestingMalletReflectsThePuckAtHalfSpeed) {
    PlaceMallet(BODY_PLAYER, 0, -100);
    PlacePuck(20, -75, 200, 10);
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 1);
    EXPECT_EQ(Puck().angle, 0);
    EXPECT_DOUBLE_EQ(Puck().speed, 5);
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 1);
    // A touch that was answered is not answered again until the mallet has been apart.
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 0);
    EXPECT_EQ(Puck().angle, 0);
}

TEST_F(PuckTest, ResponseSpeedIsCappedAt18) {
    Body& m = bodies[BODY_CPU];
    m.prevX = 0;
    m.prevY = -130;
    m.x = 0;
    m.y = -100;
    m.speed = 30;
    PlacePuck(5, -100, 128, 40);
    EXPECT_EQ(CollideMallet(BODY_CPU, 0, 10), 1);
    EXPECT_EQ(Puck().speed, PUCK_MAX_SPEED);
    EXPECT_EQ(Puck().angle, 78);
    EXPECT_EQ(m.aiTimer, 30);
}

TEST_F(PuckTest, SubstepSeesTheMalletPartWayAlongItsMove) {
    Body& m = bodies[BODY_PLAYER];
    m.prevX = 0;
    m.prevY = -150;
    m.x = 0;
    m.y = -50;
    m.speed = 100;
    PlacePuck(0, -30, 0, 0);
    // At substep 9 the mallet is at y = -60: the puck 30 away is touched; at substep 0 it is not.
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 0);
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 9, 10), 1);
}

TEST_F(PuckTest, MalletOnTopPushesThePuckTowardTheCentreLine) {
    PlaceMallet(BODY_PLAYER, 4, -50);
    bodies[BODY_PLAYER].contact = 1;
    PlacePuck(5, -49, 77, 3);
    EXPECT_EQ(CollideMallet(BODY_PLAYER, 0, 10), 0);
    EXPECT_EQ(Puck().x, 4);
    EXPECT_EQ(Puck().y, -13);
    EXPECT_EQ(Puck().angle, 77);
    EXPECT_EQ(Puck().speed, 3);
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 0);
    EXPECT_EQ(bodies[BODY_PLAYER].aiState, CPU_WAIT);
    EXPECT_EQ(bodies[BODY_PLAYER].aiTimer, ON_TOP_WAIT_TICKS);

    PlaceMallet(BODY_CPU, -10, 100);
    PlacePuck(-9, 101, 0, 0);
    EXPECT_EQ(CollideMallet(BODY_CPU, 0, 10), 0);
    EXPECT_EQ(Puck().y, 63);
    EXPECT_TRUE(sim::RecordedCalls().empty());  // no sound
}

TEST_F(PuckTest, OnTopUsesTheEndOfTheMoveForThePlaceAndThePathForTheSide) {
    Body& m = bodies[BODY_CPU];
    m.prevX = 0;
    m.prevY = -10;
    m.x = 0;
    m.y = 10;
    PlacePuck(0, -10, 0, 0);
    // Substep 0 sees the mallet at y = -10, below the centre line: the puck goes to 10 + 37.
    EXPECT_EQ(CollideMallet(BODY_CPU, 0, 10), 0);
    EXPECT_EQ(Puck().y, 47);
}

TEST_F(PuckTest, WallThenMalletInOneTickPlaysOneSoundAtTheWallFrequency) {
    PlaceMallet(BODY_PLAYER, 102.2, 0);
    PlacePuck(139.2, 0, 0, 5);
    UpdatePuck();
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 1);
    EXPECT_NEAR(Puck().x, 138, 1e-9);  // the response ended the tick's motion
    EXPECT_EQ(PadFrequencies(), std::vector<unsigned>{PAD_FREQ_WALL});
}

TEST_F(PuckTest, PlayerMalletIsTestedFirst) {
    // Both mallets touch the puck; only the player's answers it.
    PlaceMallet(BODY_PLAYER, -20, 0);
    PlaceMallet(BODY_CPU, 20, 0);
    PlacePuck(0, 0, 64, 0);
    UpdatePuck();
    EXPECT_EQ(bodies[BODY_PLAYER].contact, 1);
    EXPECT_EQ(bodies[BODY_CPU].contact, 0);
    EXPECT_EQ(PadFrequencies(), std::vector<unsigned>{PAD_FREQ_MALLET});
}

}  // namespace
