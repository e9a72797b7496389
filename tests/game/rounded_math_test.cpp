// The platform-independent sine, cosine and arc tangent: correctly rounded where the C libraries
// are known to differ, C's rules for zeros and signs, and close to the C library everywhere.
#include "maths/rounded_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/playfield.h"

namespace {

// Expected values are the exact results rounded to the nearest double (from a 300-bit
// reference computation).
TEST(RoundedMath, AngleTableEntriesNearTheAxesAreCorrectlyRounded) {
    // Where the exact value is near zero, an x87-based library loses the low bits.
    EXPECT_EQ(RoundedCos(64 * ANGLE_STEP), 0x1.3a375ca34c4c6p-27);
    EXPECT_EQ(RoundedSin(128 * ANGLE_STEP), 0x1.3a375ca34c4c6p-26);
    EXPECT_EQ(RoundedCos(128 * ANGLE_STEP), -0x1.ffffffffffffep-1);
    EXPECT_EQ(RoundedSin(192 * ANGLE_STEP), -0x1.ffffffffffffdp-1);
    EXPECT_EQ(RoundedCos(192 * ANGLE_STEP), -0x1.d7530b34f2729p-26);
    EXPECT_EQ(RoundedSin(64 * ANGLE_STEP), 1.0);
    EXPECT_EQ(RoundedCos(0), 1.0);
}

TEST(RoundedMath, ArcTangentIsCorrectlyRoundedWhereALibraryIsOneBitOff) {
    EXPECT_EQ(RoundedAtan2(-0x1.a47p+4, 0x1.4084p+7), -0x1.4cd8d6e034614p-3);
    EXPECT_EQ(RoundedAtan2(0x1.054ap+7, 0x1.e4dep+8), 0x1.0d82988239f33p-2);
    EXPECT_EQ(RoundedAtan2(-0x1.d9dcp+6, 0x1.6a52p+8), -0x1.4396d80c5313bp-2);
    EXPECT_EQ(RoundedAtan2(-1.0, -1.0), -0x1.2d97c7f3321d2p+1);
    EXPECT_EQ(RoundedAtan2(3.0, -4.0), 0x1.3fc176b7a856p+1);
}

TEST(RoundedMath, ArcTangentOfHugeAndTinyEqualArgumentsIsAQuarterPi) {
    const double quarterPi = 0x1.921fb54442d18p-1;
    EXPECT_EQ(RoundedAtan2(3.5e-323, 3.5e-323), quarterPi);
    EXPECT_EQ(RoundedAtan2(std::numeric_limits<double>::max(), std::numeric_limits<double>::max()),
              quarterPi);
}

TEST(RoundedMath, ArcTangentFollowsCsRulesForZerosAndAxes) {
    const double pi = 0x1.921fb54442d18p+1;
    const double halfPi = 0x1.921fb54442d18p+0;
    EXPECT_TRUE(RoundedAtan2(-0.0, 1.0) == 0.0 && std::signbit(RoundedAtan2(-0.0, 1.0)));
    EXPECT_TRUE(RoundedAtan2(0.0, 0.0) == 0.0 && !std::signbit(RoundedAtan2(0.0, 0.0)));
    EXPECT_EQ(RoundedAtan2(0.0, -0.0), pi);
    EXPECT_EQ(RoundedAtan2(-0.0, -2.0), -pi);
    EXPECT_EQ(RoundedAtan2(5.0, 0.0), halfPi);
    EXPECT_EQ(RoundedAtan2(5.0, -0.0), halfPi);
    EXPECT_EQ(RoundedAtan2(-5.0, 0.0), -halfPi);
    EXPECT_EQ(RoundedAtan2(1.0, std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_TRUE(std::isnan(RoundedAtan2(std::nan(""), 1.0)));
}

// Each result within one unit in the last place of the C library's, over every quadrant.
TEST(RoundedMath, ResultsStayWithinOneUlpOfTheCLibrary) {
    const auto near = [](double got, double want) {
        return std::fabs(got - want) <= std::nextafter(std::fabs(want), 4.0) - std::fabs(want);
    };
    for (int i = -2000; i <= 2000; ++i) {
        const double x = i * 0.00731;
        EXPECT_TRUE(near(RoundedSin(x), std::sin(x)) && near(RoundedCos(x), std::cos(x))) << x;
    }
    for (int i = -60; i <= 60; ++i) {
        for (int j = -60; j <= 60; ++j) {
            const double y = i * 3.7, x = j * 2.3 - 0.5;
            EXPECT_TRUE(near(RoundedAtan2(y, x), std::atan2(y, x))) << y << ", " << x;
        }
    }
}

}  // namespace
