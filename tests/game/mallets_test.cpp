// The mallets at the edges of their rules: the player's clamps and wrapping cursor arithmetic, and
// the computer's changes of state at their exact thresholds.
#include "game/game_fixture.h"
#include "platform/platform.h"

namespace {

class PlayerMalletTest : public GameTest {
  protected:
    static void MoveCursorBy(int dx, int dy) {
        platform::Point now;
        platform::GetCursorPos(&now);
        platform::SetCursorPos(now.x + dx, now.y + dy);
        PlayerMouseMove();
    }
    void SetUp() override {
        GameTest::SetUp();
        platform::SetCursorPos(320, 360);
        lastCursorX = 320;
        lastCursorY = 360;
    }
};

TEST_F(PlayerMalletTest, TargetStopsAtTheSideAndComesBackAtOnce) {
    playerTargetX = 140;
    MoveCursorBy(10, 0);
    EXPECT_EQ(playerTargetX, 140);
    MoveCursorBy(-10, 0);
    EXPECT_EQ(playerTargetX, 130);
    playerTargetX = -135;
    MoveCursorBy(-20, 0);
    EXPECT_EQ(playerTargetX, -140);
}

TEST_F(PlayerMalletTest, CursorUpTheScreenMovesTheTargetAwayButNotPastTheCentreLine) {
    playerTargetY = -160;
    MoveCursorBy(0, -30);
    EXPECT_EQ(playerTargetY, -130);
    MoveCursorBy(0, -500);
    EXPECT_EQ(playerTargetY, 0);
    MoveCursorBy(0, 1000);
    EXPECT_EQ(playerTargetY, -160);
    EXPECT_EQ(lastCursorY, 360 - 30 - 500 + 1000);
}

TEST_F(PlayerMalletTest, CursorFarOffAnyScreenWrapsInsteadOfOverflowing) {
    platform::SetCursorPos(2147483647, -2147483647 - 1);
    lastCursorX = -2147483647 - 1;
    lastCursorY = 2147483647;
    playerTargetX = 0;
    playerTargetY = -80;
    PlayerMouseMove();
    // The deltas wrap to -1 and +1 in 32 bits.
    EXPECT_EQ(playerTargetX, -1);
    EXPECT_EQ(playerTargetY, -81);
}

class CpuMalletTest : public GameTest {
  protected:
    static Body& Cpu() { return bodies[BODY_CPU]; }
    static void PlaceCpu(double x, double y, int state) {
        PlaceMallet(BODY_CPU, x, y);
        Cpu().aiState = state;
    }
};

TEST_F(CpuMalletTest, WaitEndsInRetreatWhenThePuckIsInThePlayersHalf) {
    PlaceCpu(0, 160, CPU_WAIT);
    Cpu().aiTimer = 1;
    PlacePuck(0, -0.5, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_RETREAT);
    EXPECT_EQ(Cpu().aiTimer, 0);
}

TEST_F(CpuMalletTest, ApproachTurnsIntoStrikeWithinRangeAndBehindThePuck) {
    PlaceCpu(10, 60, CPU_APPROACH);
    PlacePuck(0, 0, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_STRIKE);
    EXPECT_EQ(Cpu().speed, 0);  // a change of state costs the tick's motion

    PlaceCpu(0, 80.9, CPU_APPROACH);  // 79.4 apart, 79 truncated
    PlacePuck(0, 1.5, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_STRIKE);

    PlaceCpu(0, 81.6, CPU_APPROACH);  // 80 truncated: too far
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_APPROACH);

    PlaceCpu(0, 3.5, CPU_APPROACH);  // in range but only 2 units behind it
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_APPROACH);
}

TEST_F(CpuMalletTest, PuckPastTheRetreatLineSendsApproachAndStrikeHome) {
    PlacePuck(0, -9.5, 0, 0);
    PlaceCpu(0, 100, CPU_APPROACH);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_RETREAT);
    PlaceCpu(0, 100, CPU_STRIKE);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_RETREAT);
    EXPECT_EQ(Cpu().y, 100);
    PlacePuck(0, -9, 0, 0);  // on the line: not past it
    PlaceCpu(0, 100, CPU_STRIKE);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_STRIKE);
}

TEST_F(CpuMalletTest, StrikeMovesAtTheLevelsSpeedAndStopsAtTheCentreLine) {
    match.level = 2;
    PlaceCpu(0, 100, CPU_STRIKE);
    PlacePuck(0, 0, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_NEAR(Cpu().y, 85, 1e-9);
    EXPECT_NEAR(Cpu().speed, 15, 1e-9);

    PlaceCpu(0, 10, CPU_STRIKE);
    PlacePuck(0, -5, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().y, 0);
    EXPECT_NEAR(Cpu().speed, 10, 1e-9);
}

TEST_F(CpuMalletTest, RetreatHoldsInsideTheLevelsHomeZone) {
    PlacePuck(0, -100, 192, 5);
    PlaceCpu(0, 130, CPU_RETREAT);
    match.level = 0;
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().y, 130);
    EXPECT_EQ(Cpu().aiState, CPU_RETREAT);

    match.level = 2;
    UpdateCpuMallet(BODY_CPU);
    EXPECT_NEAR(Cpu().x, 0, 1e-6);
    EXPECT_NEAR(Cpu().y, 134, 1e-9);

    match.level = 0;
    PlaceCpu(-32, 150, CPU_RETREAT);  // the zone's side bound is strict
    UpdateCpuMallet(BODY_CPU);
    EXPECT_GT(Cpu().x, -32);
}

TEST_F(CpuMalletTest, RetreatTurnsToApproachForASlowPuckInItsHalf) {
    PlacePuck(100, 40, 0, 0.5);
    PlaceCpu(0, 150, CPU_RETREAT);  // 210 apart: too far for the first test
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_APPROACH);
    EXPECT_EQ(Cpu().speed, 0);

    PlacePuck(100, 40, 0, 1.0);  // not slower than 1
    PlaceCpu(0, 150, CPU_RETREAT);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().aiState, CPU_RETREAT);
}

TEST_F(CpuMalletTest, PuckJustPastTheLineInFrontMakesTheMalletAlternateInPlace) {
    PlacePuck(0, -20, 0, 0);
    PlaceCpu(0, 100, CPU_RETREAT);
    for (int tick = 0; tick < 6; ++tick) {
        UpdateCpuMallet(BODY_CPU);
        EXPECT_EQ(Cpu().aiState, tick % 2 == 0 ? CPU_APPROACH : CPU_RETREAT);
        EXPECT_EQ(Cpu().x, 0);
        EXPECT_EQ(Cpu().y, 100);
    }
}

TEST_F(CpuMalletTest, UnknownStateOnlyClamps) {
    PlaceCpu(150, -5, 7);
    PlacePuck(0, 0, 0, 0);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().x, 140);
    EXPECT_EQ(Cpu().y, 0);
    EXPECT_EQ(Cpu().aiState, 7);
    PlaceCpu(-141, 161, -1);
    UpdateCpuMallet(BODY_CPU);
    EXPECT_EQ(Cpu().x, -140);
    EXPECT_EQ(Cpu().y, 160);
}

}  // namespace
