// The real shell and game, run headless: a backend with no pixels whose tick timer never fires,
// messages posted by the caller and handled until the queue is empty.
#pragma once

#include <cstdint>

#include "platform/window/window.h"
#include "shell/shell.h"

namespace sim {

// Runs the entry with `seed` as the tick count, without the single-instance test (so it runs
// beside the game): WM_CREATE does the whole start-up, then WM_ACTIVATE with wParam 1. Started
// again in the same process, it closes the previous window and starts from the game state of a
// fresh process, so a run depends only on the seed and the commands that follow.
void StartProgram(std::uint32_t seed);
// Ends the program if one runs and puts everything back as a fresh process has it.
void ResetProgram();
// True when no program runs (before the first start, or once the quit message was taken): then
// nothing is delivered.
bool ProgramEnded();
// Posts the message to the main window and handles messages until none is left.
void Deliver(unsigned message, platform::WPARAM wParam = 0);
void Tick(int count = 1);
// The hand on the mouse: the cursor goes to the screen pixel, then WM_MOUSEMOVE.
void MoveCursor(int x, int y);
platform::Point CursorNow();  // where the hand left the cursor; not a call of the game

}  // namespace sim
