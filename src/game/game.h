// The game logic: the playfield, the match flow, the puck and the mallets.
#pragma once

#include "game/mallets.h"
#include "game/match.h"
#include "game/playfield.h"
#include "game/puck.h"
