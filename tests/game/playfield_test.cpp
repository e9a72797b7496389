// The playfield's numbers: direction tables, angle conversion and the random source.
#include <gtest/gtest.h>

#include <cmath>

#include "game/playfield.h"

namespace {

TEST(Playfield, TablesHoldSineAndCosineOfTheAngleStep) {
    FillAngleTables();
    EXPECT_EQ(SinTable[0], 0.0);
    EXPECT_EQ(SinTable[32], 0.7071067779533383);
    EXPECT_EQ(CosTable[32], 0.7071067844197567);
    EXPECT_EQ(CosTable[64], 9.144896678973322e-09);  // not 0: the step is a hair short
}

TEST(Playfield, CompassDirectionsLandExactlyOnMultiplesOf32) {
    const struct {
        double dx, dy;
        int angle;
    } cases[] = {{1, 0, 0},       {1, 1, 32},    {0, 1, 64},   {-1, 1, 96}, {-1, 0, 128},
                 {-1, -0.0, 128}, {-1, -1, 160}, {0, -1, 192}, {1, -1, 224}};
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeAngle256(c.dx, c.dy), c.angle) << c.dx << "," << c.dy;
    }
}

TEST(Playfield, AngleConversionTruncatesTowardZero) {
    EXPECT_EQ(ComputeAngle256(1, -0.01), 0);  // within one step below +x
    EXPECT_EQ(ComputeAngle256(1, 0.05), 2);
    EXPECT_EQ(ComputeAngle256(1, -0.05), 254);
    EXPECT_EQ(ComputeAngle256(0, 0), 0);
    // -1.5 steps truncates to -1, i.e. 255; +1.5 steps to 1.
    EXPECT_EQ(ComputeAngle256(std::cos(-1.5 * ANGLE_STEP), std::sin(-1.5 * ANGLE_STEP)), 255);
    EXPECT_EQ(ComputeAngle256(std::cos(1.5 * ANGLE_STEP), std::sin(1.5 * ANGLE_STEP)), 1);
}

TEST(RandomSource, DrawsBits16To30OfA32BitLinearCongruence) {
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    // The state wraps at 32 bits: (2^32 - 1) * 214013 + 2531011 = 2316998 (mod 2^32).
    SeedRandom(0xFFFFFFFFu);
    EXPECT_EQ(NextRandom(), 35);
    EXPECT_EQ(RandomState(), 2316998u);
}

}  // namespace
