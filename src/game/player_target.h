// What the picture may ask of the game between two ticks: where the player's mallet goes next.
// (The mallet itself moves only at a tick; its target follows the mouse as messages come.)
#pragma once

#include <cstdint>

#include "platform/window/window.h"

// The point the player's mallet moves to at the next tick if the cursor stands at `cursor` now,
// by the rule the mouse handler applies; false while the mallet does not follow the mouse (the
// title, a result).
bool NextPlayerTarget(platform::Point cursor, std::int32_t* x, std::int32_t* y);
