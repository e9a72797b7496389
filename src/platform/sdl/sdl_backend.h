// The SDL2 backend: the game's real window, input, cursor and OpenGL surface.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

// Null when SDL's video cannot start (no display, no driver). With windowed, the window is an
// ordinary resizable one that stays a window (the virtual display does not make it full screen).
std::unique_ptr<Backend> MakeSdlBackend(bool windowed = false);

}  // namespace platform
