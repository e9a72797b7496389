// The playfield: the table's coordinates and sizes, the three moving discs, the 8-bit direction
// type with its sine and cosine tables, the difficulty table and the seeded random source.
//
// Table units, origin at the table's centre; x grows to the player's right, y away from the
// player (the player defends y = -160, the computer y = +160). Positions are disc centres,
// speeds are units per tick, timers count ticks.
#pragma once

#include <array>
#include <cstdint>

constexpr double TABLE_HALF_WIDTH = 140;   // largest |x| of a disc centre
constexpr double TABLE_HALF_LENGTH = 160;  // largest |y| of a disc centre outside a goal
constexpr double GOAL_HALF_WIDTH = 48;     // an end line crossed with |x| < 48 (strict) is a goal
constexpr double DISC_RADIUS = 18;         // puck and mallets alike
constexpr double CONTACT_DISTANCE = 36;    // two radii: at or below it a mallet touches the puck

// 256 steps a turn, counted from +x towards +y; arithmetic wraps modulo 256.
using Angle256 = std::uint8_t;

struct Body {
    double x;
    double y;
    double prevX;          // mallets: x at the start of the tick
    double prevY;          // mallets: y at the start of the tick
    Angle256 angle;        // puck: direction of travel
    double speed;          // puck: units per tick; mallets: length of this tick's move
    std::int32_t contact;  // mallets: 1 from a hit until apart again or a wall hit
    std::int32_t aiState;  // computer's mallet: its controller state
    std::int32_t aiTimer;  // computer's mallet: ticks left in the wait state
};

enum BodyIndex : int { BODY_PLAYER = 0, BODY_CPU = 1, BODY_PUCK = 2, BODY_COUNT = 3 };

extern std::array<Body, BODY_COUNT> bodies;

// 2 * 3.1415926353 / 256 in double arithmetic: a hair below 2*pi/256.
constexpr double ANGLE_STEP = 2 * 3.1415926353 / 256;
// 128 / 3.1415926353: with it the eight compass directions come out exactly on multiples of 32.
constexpr double ANGLE_SCALE = 40.74366566872758;

extern std::array<double, 256> SinTable;
extern std::array<double, 256> CosTable;

struct DifficultyRow {
    std::int32_t strikeSpeed;       // computer's mallet speed when striking
    std::int32_t retreatZoneDepth;  // how deep in its half the retreating mallet stops
    std::int32_t hitPauseTicks;     // wait after a mallet returns the puck
};

constexpr int LEVEL_COUNT = 3;
extern std::array<DifficultyRow, LEVEL_COUNT> DifficultyTable;

// Fills SinTable, CosTable and DifficultyTable; called once at start-up.
void FillAngleTables();

// The Angle256 of the vector (dx, dy): atan2 scaled by ANGLE_SCALE, truncated toward zero,
// taken modulo 256.
Angle256 ComputeAngle256(double dx, double dy);

// The game's pseudo-random source: state = state * 214013 + 2531011, value = bits 16..30.
void SeedRandom(std::uint32_t seed);
int NextRandom();             // 0..32767
std::uint32_t RandomState();  // the generator's state, for replays and traces
