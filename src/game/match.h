// The match flow: the title, serves and rallies, goals, the adaptive level, the result.
//
// A state of the match is nothing but the handlers standing in the shell's slots: each change of
// state clears the slots and installs its own (the goal keeps the rally's mouse handler).
#pragma once

#include <array>
#include <cstdint>

enum Side : int { SIDE_PLAYER = 0, SIDE_CPU = 1 };

constexpr int GOALS_TO_WIN = 5;
constexpr double SERVE_SPEED = 5.0;
constexpr int SERVE_HEADING_TO_CPU = 32;      // a random 0..63 is added
constexpr int SERVE_HEADING_TO_PLAYER = 160;  // a random 0..63 is added
constexpr int SERVE_CPU_WAIT_TICKS = 20;
constexpr int GOAL_SEQUENCE_TICKS = 5;
constexpr double GOAL_SLIDE = 3;      // units per tick, deeper into the goal
constexpr double HIDDEN_PUCK_Z = 20;  // below the table surface
constexpr int WIN_SEQUENCE_TICKS = 40;
constexpr int LOSE_SEQUENCE_TICKS = 20;
constexpr int CURSOR_START_X = 320;
constexpr int CURSOR_START_Y = 360;
constexpr int MAX_LEVEL = 2;

struct MatchState {
    std::int32_t level;                 // difficulty, 0..2: the row of DifficultyTable
    std::array<std::int32_t, 2> score;  // indexed by side
    std::int32_t lastScorer;            // the side that scored last
    std::int32_t phaseCounter;          // ticks of the title, goal, win and lose sequences
};
extern MatchState match;

// The title: the banner flies in, then a click starts a match. Also the click of Result wait.
void EnterTitle();
void TitleTick();
void TitleClick();
// A match at the given level with both scores 0; the serve comes on the next tick.
void StartMatch(int level);
// Puts the puck on the centre spot, heading for the side that conceded last.
void ServePuck();
void RallyTick();
// Called by the puck's motion when it has put the puck into a goal; side is the scorer.
void GoalScored(int side);
void GoalTick();
void WaitServeTick();
// Serves again, or after the deciding goal starts the win or lose sequence.
void NextServeClick();
void WinTick();
void LoseTick();
