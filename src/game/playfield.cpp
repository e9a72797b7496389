// The playfield's tables and random source.
#include "game/playfield.h"

#include "maths/rounded_math.h"

std::array<Body, BODY_COUNT> bodies{};
std::array<double, 256> SinTable{};
std::array<double, 256> CosTable{};
std::array<DifficultyRow, LEVEL_COUNT> DifficultyTable{};

namespace {
std::uint32_t randomState = 1;
}

void FillAngleTables() {
    for (int i = 0; i < 256; ++i) {
        const double v = i * ANGLE_STEP;
        // Rounded*: the same table bits on every platform, so matches replay alike everywhere.
        SinTable[i] = RoundedSin(v);
        CosTable[i] = RoundedCos(v);
    }
    DifficultyTable = {{{8, 140, 30}, {10, 70, 25}, {15, 20, 20}}};
}

Angle256 ComputeAngle256(double dx, double dy) {
    const double v = RoundedAtan2(dy, dx) * ANGLE_SCALE;
    // Truncation toward zero, not floor: every direction within one step of +x gives 0.
    const auto t = static_cast<std::int32_t>(v);
    return static_cast<Angle256>(t);
}

void SeedRandom(std::uint32_t seed) {
    randomState = seed;
}

int NextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

std::uint32_t RandomState() {
    return randomState;
}
