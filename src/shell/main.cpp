// The game's entry: the options, then the SDL backend under the shell. Exit codes: 0 when the
// game ends (or cannot start its video), 1 without any display to open, 2 for a bad option, a
// file that cannot be created or a replay that is not a valid script.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl_backend.h"
#include "record/live.h"
#include "shell/shell.h"

namespace {

constexpr char USAGE[] =
    "Usage: puckwind [--window] [--record FILE] [--trace FILE] [--replay FILE]\n"
    "  --window        play in an ordinary window (Alt+Enter switches full screen and window)\n"
    "  --record FILE   write the session to FILE as a script puckwind-sim replays\n"
    "  --trace FILE    write to FILE the trace puckwind-sim prints for that script\n"
    "  --replay FILE   show a recorded session at its own pace; Escape quits\n"
    "  --help          print this and exit\n";

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}
#endif

// True when the option at argv[*i] is `name`, with the word after it taken into *value; without
// one the program ends with status 2, as for an unknown option.
bool FileOption(const char* name, int argc, char** argv, int* i, std::string* value) {
    if (std::strcmp(argv[*i], name) != 0) {
        return false;
    }
    if (*i + 1 >= argc) {
        std::fprintf(stderr, "puckwind: %s needs a FILE (puckwind --help lists the options)\n",
                     name);
        std::exit(2);
    }
    *value = argv[++*i];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool windowed = false;
    record::SessionFiles files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0) {
            windowed = true;
        } else if (FileOption("--record", argc, argv, &i, &files.recordPath) ||
                   FileOption("--trace", argc, argv, &i, &files.tracePath) ||
                   FileOption("--replay", argc, argv, &i, &files.replayPath)) {
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
    const bool session =
        !files.recordPath.empty() || !files.tracePath.empty() || !files.replayPath.empty();
    std::string error;
    if (!files.recordPath.empty() && !files.replayPath.empty()) {
        std::fputs("puckwind: --record and --replay do not go together\n", stderr);
        return 2;
    }
    if (session && !record::OpenSession(files, &error)) {
        std::fprintf(stderr, "puckwind: %s\n", error.c_str());
        return 2;
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
    if (session) {
        backend = record::WatchBackend(std::move(backend));
    }
    platform::SetBackend(std::move(backend));
    const std::uint32_t seed = record::SessionSeed(platform::GetTickCount());
    if (session) {
        record::BeginSession(seed);
    }
    int code = 0;
    if (OpenShell(seed, true)) {
        if (session) {
            record::StartSession();
        }
        code = RunMessageLoop();
    }
    if (session) {
        record::EndSession();
    }
    platform::SetBackend(nullptr);
    return code;
}
