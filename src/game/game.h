// The game logic: the playfield, the match flow, the puck and the mallets. It calls presentation
// and sound below it through their operations, and installs its states in the shell's handler
// slots (shell/shell.h), the one header above it that it includes.
#pragma once

#include "game/mallets.h"
#include "game/match.h"
#include "game/playfield.h"
#include "game/puck.h"
