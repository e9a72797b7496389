// The SDL2 backend: the game's real window, input, cursor and OpenGL surface.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

// Null when SDL's video cannot start (no display, no driver).
std::unique_ptr<Backend> MakeSdlBackend();

}  // namespace platform
