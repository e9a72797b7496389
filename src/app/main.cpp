// The game's entry, at the top of the house: the options, then the SDL backend under the shell,
// watched by the recorder when a session is recorded, traced or replayed. Exit codes: 0 when the
// game ends (or cannot start its video), 1 without any display to open or when a recording or
// trace could not be written whole, 2 for a bad option, a file that cannot be created or a
// replay that is not a valid script. Every check that can refuse the run comes before a file is
// created, so a refused run leaves every file as it was.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl/sdl_backend.h"
#include "record/live.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr char USAGE[] =
    "Usage: puckwind [--window] [--tick-paint] [--frame-rate HZ] [--record FILE] [--trace FILE]\n"
    "                [--replay FILE]\n"
    "  --window         play in an ordinary window (Alt+Enter switches full screen and window)\n"
    "  --tick-paint     one picture a tick (41.7 a second), nothing blended between ticks\n"
    "  --frame-rate HZ  draw at most HZ frames a second where the display's vsync does not\n"
    "                   pace them (default: the display's reported rate, else 60; also\n"
    "                   PUCKWIND_FRAME_RATE)\n"
    "  --record FILE    write the session to FILE as a script puckwind-sim replays\n"
    "  --trace FILE     write to FILE the trace puckwind-sim prints for that script\n"
    "  --replay FILE    show a recorded session at its own pace; Escape quits\n"
    "  --help           print this and exit\n";

// The frames a second asked for, from 1 to 1000; 0 when `text` is no such number.
double FrameRate(const char* text) {
    char* end = nullptr;
    const double rate = std::strtod(text, &end);
    return end != text && *end == '\0' && rate >= 1 && rate <= 1000 ? rate : 0;
}

// Whether a display is there to open, told before the single-instance endpoint is claimed and
// without letting SDL fall back to a driver that shows nothing: on X11 and Wayland a video driver
// is used headless only when named. Windows always has its desktop, a page its canvas.
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

bool DisplayNamed() {
    return EnvSet("SDL_VIDEODRIVER") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}
#else
bool DisplayNamed() {
    return true;
}
#endif

// True when the option at argv[*i] is `name`, with the word after it taken into *value; without
// one the program ends with status 2, as for an unknown option.
bool ValueOption(const char* name, const char* what, int argc, char** argv, int* i,
                 std::string* value) {
    if (std::strcmp(argv[*i], name) != 0) {
        return false;
    }
    if (*i + 1 >= argc) {
        std::fprintf(stderr, "puckwind: %s needs %s (puckwind --help lists the options)\n", name,
                     what);
        std::exit(2);
    }
    *value = argv[++*i];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool windowed = false;
    Presentation presentation;
    std::string rate;
    if (const char* fromEnvironment = std::getenv("PUCKWIND_FRAME_RATE")) {
        rate = fromEnvironment;
    }
    record::SessionFiles files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0) {
            windowed = true;
        } else if (std::strcmp(argv[i], "--tick-paint") == 0) {
            presentation.tickPaint = true;
        } else if (ValueOption("--frame-rate", "a rate", argc, argv, &i, &rate)) {
            continue;
        } else if (ValueOption("--record", "a FILE", argc, argv, &i, &files.recordPath) ||
                   ValueOption("--trace", "a FILE", argc, argv, &i, &files.tracePath) ||
                   ValueOption("--replay", "a FILE", argc, argv, &i, &files.replayPath)) {
            continue;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "puckwind: unknown option '%s' (puckwind --help lists them)\n",
                         argv[i]);
            return 2;
        }
    }
    if (!rate.empty()) {
        presentation.frameRate = FrameRate(rate.c_str());
        if (presentation.frameRate == 0) {
            std::fprintf(stderr, "puckwind: the frame rate '%s' is not a number from 1 to 1000\n",
                         rate.c_str());
            return 2;
        }
    }
    SetPresentation(presentation);
    const bool session =
        !files.recordPath.empty() || !files.tracePath.empty() || !files.replayPath.empty();
    std::string error;
    if (!files.recordPath.empty() && !files.replayPath.empty()) {
        std::fputs("puckwind: --record and --replay do not go together\n", stderr);
        return 2;
    }
    if (session && !record::CheckSession(files, &error)) {
        std::fprintf(stderr, "puckwind: %s\n", error.c_str());
        return 2;
    }
    if (!DisplayNamed()) {
        std::fputs("puckwind: no display (DISPLAY and WAYLAND_DISPLAY are unset)\n", stderr);
        return 1;
    }
    auto backend = platform::MakeSdlBackend(windowed);
    if (!backend) {
        return 0;  // no video at all: as quiet as a failed render start-up
    }
    if (session) {
        backend = record::WatchBackend(std::move(backend));
    }
    platform::SetBackend(std::move(backend));
    const std::uint32_t seed = record::SessionSeed(platform::GetTickCount());
    if (session) {
        record::BeginSession(seed);
    }
    int code = 0;
    if (OpenShell(seed, true)) {  // false too for a second instance, which leaves it to the first
        const bool started = !session || record::StartSession();
        if (!started) {
            platform::PostMessage(shell.mainWindow, platform::WM_CLOSE, 0, 0);
        }
        code = RunMessageLoop();
        code = started ? code : 2;
    }
    if (session && !record::EndSession() && code == 0) {
        code = 1;
    }
    platform::SetBackend(nullptr);
    return code;
}
