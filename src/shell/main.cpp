// The game's entry: the options, then the SDL backend under the shell. Exit codes: 0 when the
// game ends (or cannot start its video), 1 without any display to open, 2 for a bad option.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl_backend.h"
#include "shell/shell.h"

namespace {

constexpr char USAGE[] =
    "usage: puckwind [--window]\n"
    "  --window  play in an ordinary window (Alt+Enter switches full screen and window)\n"
    "  --help    print this and exit\n";

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}
#endif

}  // namespace

int main(int argc, char** argv) {
    bool windowed = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0) {
            windowed = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "puckwind: unknown option '%s' (puckwind --help lists them)\n",
                         argv[i]);
            return 2;
        }
    }
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)  // a page always has its canvas
    // Before the single-instance endpoint is claimed, and without letting SDL fall back to a
    // driver that shows nothing: a video driver is used headless only when named.
    if (!EnvSet("SDL_VIDEODRIVER") && !EnvSet("DISPLAY") && !EnvSet("WAYLAND_DISPLAY")) {
        std::fputs("puckwind: no display (DISPLAY and WAYLAND_DISPLAY are unset)\n", stderr);
        return 1;
    }
#endif
    auto backend = platform::MakeSdlBackend(windowed);
    if (!backend) {
        return 0;  // no video at all: as quiet as a failed render start-up
    }
    platform::SetBackend(std::move(backend));
    int code = 0;
    if (OpenShell(platform::GetTickCount(), true)) {
        code = RunMessageLoop();
    }
    platform::SetBackend(nullptr);
    return code;
}
