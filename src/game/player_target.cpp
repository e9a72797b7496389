// The player's target under the mouse: the onMouseMove handler of play, and the same rule for the
// picture, which draws the mallet where the next tick will put it.
#include "game/player_target.h"

#include "game/mallets.h"
#include "shell/shell.h"

std::int32_t playerTargetX = 0;
std::int32_t playerTargetY = 0;
std::int32_t lastCursorX = 0;
std::int32_t lastCursorY = 0;

namespace {

// 32-bit arithmetic that wraps like the machine's, where a cursor far off any screen would
// otherwise overflow.
std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// The target once the cursor has moved from `from` to `to`: one pixel is one table unit; screen
// y grows downwards, table y away from the player.
void MoveTarget(platform::Point from, platform::Point to, std::int32_t* x, std::int32_t* y) {
    *x = WrapAdd(*x, WrapSub(to.x, from.x));
    if (*x < PLAYER_MIN_X) {
        *x = PLAYER_MIN_X;
    } else if (*x > PLAYER_MAX_X) {
        *x = PLAYER_MAX_X;
    }
    *y = WrapAdd(*y, WrapSub(from.y, to.y));
    if (*y > PLAYER_MAX_Y) {
        *y = PLAYER_MAX_Y;
    } else if (*y < PLAYER_MIN_Y) {
        *y = PLAYER_MIN_Y;
    }
}

}  // namespace

void PlayerMouseMove() {
    const platform::Point old{lastCursorX, lastCursorY};
    platform::Point cursor;
    platform::GetCursorPos(&cursor);
    lastCursorX = cursor.x;
    lastCursorY = cursor.y;
    MoveTarget(old, cursor, &playerTargetX, &playerTargetY);
}

bool NextPlayerTarget(platform::Point cursor, std::int32_t* x, std::int32_t* y) {
    if (handlers.onMouseMove != PlayerMouseMove) {
        return false;
    }
    *x = playerTargetX;
    *y = playerTargetY;
    MoveTarget({lastCursorX, lastCursorY}, cursor, x, y);
    return true;
}
