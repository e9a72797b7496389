// The two mallets: the player's follows relative mouse motion inside its half; the computer's
// is driven by a controller of four states (wait, approach, strike, retreat).
#pragma once

#include <cstdint>

enum CpuState : int { CPU_WAIT = 0, CPU_APPROACH = 1, CPU_STRIKE = 2, CPU_RETREAT = 3 };

constexpr double APPROACH_SPEED = 5;
constexpr double RETREAT_SPEED = 4;
constexpr double CPU_HOME_Y = 156;
constexpr double HOME_HALF_WIDTH = 32;
constexpr double APPROACH_OFFSET_Y = 50;  // the approach aims this far beyond the puck in +y
constexpr int APPROACH_JITTER = 11;       // sideways offsets -5..+5
constexpr int STRIKE_RANGE = 80;
constexpr int RETREAT_RANGE = 140;
constexpr double RETREAT_LINE_Y = -9;  // a puck below it sends the computer home
constexpr double SLOW_PUCK_SPEED = 1.0;
constexpr std::int32_t PLAYER_MIN_X = -140;
constexpr std::int32_t PLAYER_MAX_X = 140;
constexpr std::int32_t PLAYER_MIN_Y = -160;
constexpr std::int32_t PLAYER_MAX_Y = 0;

extern std::int32_t playerTargetX;  // kept within -140..140
extern std::int32_t playerTargetY;  // kept within -160..0
extern std::int32_t lastCursorX;    // screen pixels at the last mouse message
extern std::int32_t lastCursorY;

// The onMouseMove handler of play: cursor motion since the last message moves the target.
void PlayerMouseMove();
// The player's mallet jumps to its target; its speed is the length of the jump.
void UpdatePlayerMallet(int mallet);
// One step of the computer's controller, then the clamps to its half.
void UpdateCpuMallet(int mallet);
void CpuWaitStep(int mallet);
void CpuApproachStep(int mallet);
void CpuStrikeStep(int mallet);
void CpuRetreatStep(int mallet);
