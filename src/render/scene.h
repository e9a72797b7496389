// The scene: the table, goals, mallets, puck, scoreboard and banner, built once at start-up, and
// the per-tick placing of the three bodies' frames.
#pragma once

// Object frame indices; 0 to 2 are the body indices of the playfield.
enum ObjectFrame : unsigned {
    FRAME_TABLE = 3,
    FRAME_GOAL_PLAYER = 4,
    FRAME_GOAL_CPU = 5,
    FRAME_SCOREBOARD = 6,
    FRAME_BANNER = 7,
    OBJECT_FRAME_COUNT = 8
};

int BuildScene();
// Moves frame i (i < OBJECT_FRAME_COUNT, else nothing) to (x, y, z) in scene units.
void PlaceBodyFrame(unsigned i, double x, double y, double z);
