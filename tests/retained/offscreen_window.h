// Test helper: the game's SDL backend on SDL's offscreen video driver (real OpenGL through EGL, no
// X server), and hidden windows on it, of a class unique to the process (tests run side by side).
// A test that includes it links tests/support/keep_gl_drivers_loaded.cpp for the leak checker.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/sdl/sdl_backend.h"
#include "platform/window/window.h"

namespace testing_support {

inline const std::string offscreenClassName = "puckwind-test-" + std::to_string(getpid());

// Starts the backend once per process (through wrap, when given, so that a test can put a backend
// of its own around it); false when there is no offscreen video.
template <typename Wrap = decltype([](std::unique_ptr<platform::Backend> b) { return b; })>
bool StartOffscreenBackend(Wrap wrap = {}) {
    static const bool started = [&] {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        auto backend = platform::MakeSdlBackend();
        if (backend == nullptr) {
            return false;
        }
        platform::SetBackend(wrap(std::move(backend)));
        return platform::RegisterClass(
            {.name = offscreenClassName, .proc = platform::DefWindowProc, .iconResource = {}});
    }();
    return started;
}

// A hidden window of width x height at the origin; null when it cannot be made.
inline platform::HWND OpenOffscreenWindow(int width, int height) {
    return platform::CreateWindowEx(offscreenClassName, "test", {.width = width, .height = height});
}

}  // namespace testing_support
