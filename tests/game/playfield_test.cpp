// The playfield's numbers: direction tables, angle conversion, difficulty rows, random source.
#include <gtest/gtest.h>

#include <cmath>

#include "game/playfield.h"

namespace {

class Playfield : public ::testing::Test {
  protected:
    void SetUp() override { FillAngleTables(); }
};

TEST_F(Playfield, AngleStepIsAHairBelowAFullTurnOver256) {
    EXPECT_EQ(ANGLE_STEP, 0.02454369246328125);
    EXPECT_LT(ANGLE_STEP * 256, 2 * 3.14159265358979323846);
}

TEST_F(Playfield, TablesHoldSineAndCosineOfTheStoredStep) {
    EXPECT_EQ(SinTable[0], 0.0);
    EXPECT_EQ(CosTable[0], 1.0);
    EXPECT_EQ(SinTable[32], 0.7071067779533383);
    EXPECT_EQ(CosTable[32], 0.7071067844197567);
    EXPECT_EQ(SinTable[64], 1.0);
    EXPECT_EQ(CosTable[64], 9.144896678973322e-09);  // not 0: the step is a hair short
}

TEST_F(Playfield, CompassDirectionsLandExactlyOnMultiplesOf32) {
    const struct {
        double dx, dy;
        int angle;
    } cases[] = {{1, 0, 0},       {1, 1, 32},    {0, 1, 64},   {-1, 1, 96}, {-1, 0, 128},
                 {-1, -0.0, 128}, {-1, -1, 160}, {0, -1, 192}, {1, -1, 224}};
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeAngle256(c.dx, c.dy), c.angle) << c.dx << "," << c.dy;
    }
}

TEST_F(Playfield, AngleConversionTruncatesTowardZero) {
    EXPECT_EQ(ComputeAngle256(1, -0.01), 0);  // within one step below +x
    EXPECT_EQ(ComputeAngle256(1, 0.05), 2);
    EXPECT_EQ(ComputeAngle256(1, -0.05), 254);
    EXPECT_EQ(ComputeAngle256(0, 0), 0);
    // -1.5 steps truncates to -1, i.e. 255; +1.5 steps to 1.
    EXPECT_EQ(ComputeAngle256(std::cos(-1.5 * ANGLE_STEP), std::sin(-1.5 * ANGLE_STEP)), 255);
    EXPECT_EQ(ComputeAngle256(std::cos(1.5 * ANGLE_STEP), std::sin(1.5 * ANGLE_STEP)), 1);
}

TEST_F(Playfield, AngleArithmeticWrapsModulo256) {
    const Angle256 a = 200;
    EXPECT_EQ(static_cast<Angle256>(128 - a), 184);
    EXPECT_EQ(static_cast<Angle256>(0 - Angle256{1}), 255);
}

TEST_F(Playfield, DifficultyRowsGrowHarder) {
    EXPECT_EQ(DifficultyTable[0].strikeSpeed, 8);
    EXPECT_EQ(DifficultyTable[0].retreatZoneDepth, 140);
    EXPECT_EQ(DifficultyTable[0].hitPauseTicks, 30);
    EXPECT_EQ(DifficultyTable[1].strikeSpeed, 10);
    EXPECT_EQ(DifficultyTable[1].retreatZoneDepth, 70);
    EXPECT_EQ(DifficultyTable[1].hitPauseTicks, 25);
    EXPECT_EQ(DifficultyTable[2].strikeSpeed, 15);
    EXPECT_EQ(DifficultyTable[2].retreatZoneDepth, 20);
    EXPECT_EQ(DifficultyTable[2].hitPauseTicks, 20);
}

TEST(RandomSource, UnseededSequenceStartsFromStateOne) {
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
}

TEST(RandomSource, SameSeedSameSequenceAndStateWrapsAt32Bits) {
    SeedRandom(0xFFFFFFFFu);
    const int first = NextRandom();
    EXPECT_EQ(RandomState(), 0xFFFFFFFFu * 214013u + 2531011u);
    SeedRandom(0xFFFFFFFFu);
    EXPECT_EQ(NextRandom(), first);
    for (int i = 0; i < 1000; ++i) {
        const int v = NextRandom();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

}  // namespace
