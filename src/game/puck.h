// The puck's motion in a rally: ten substeps a tick along its heading, the walls, the goal
// mouths, the contact with each mallet and its rebound, friction and the pad sound.
#pragma once

#include "game/playfield.h"

constexpr int PUCK_SUBSTEPS = 10;
constexpr double PUCK_FRICTION = 0.02;       // speed lost once per tick
constexpr double PUCK_MAX_SPEED = 18;        // cap on the speed after a mallet's response
constexpr double GOAL_PUCK_X_LIMIT = 30;     // |x| of a puck put into a goal
constexpr double GOAL_PUCK_DEPTH = 169;      // |y| of a puck put into a goal
constexpr double DEEP_CONTACT_DISTANCE = 3;  // below it a mallet stands on top of the puck
constexpr double DEEP_SEPARATION = 37;       // the puck is then put this far away along y
constexpr int ON_TOP_WAIT_TICKS = 5;
constexpr unsigned PAD_FREQ_MALLET = 22000;  // Hz, when only a mallet returned the puck
constexpr unsigned PAD_FREQ_WALL = 20000;    // Hz, when the puck hit a wall in the tick

// One tick of the puck; may hand a goal to the match flow and then returns at once.
void UpdatePuck();
// Tests the puck against a mallet at substep k of n; 1 when the mallet returned the puck.
int CollideMallet(int mallet, int k, int n);
// Puts a mallet into the computer's wait state for the given number of ticks.
void StartCpuWait(int mallet, int ticks);
