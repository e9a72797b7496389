// A session of the live game that is recorded, traced or replayed (puckwind --record, --trace,
// --replay). Hooks in the window procedure and a backend that watches the game's cursor and
// repaint calls do the work; ordinary play has neither.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/timer/timer.h"
#include "platform/window/window.h"

namespace record {

struct SessionFiles {
    std::string recordPath;  // empty when not wanted
    std::string tracePath;
    std::string replayPath;
};

// Checks the files before any window opens, creating or changing none: false, with one line
// saying why in *error, when one path is given twice, a file could not be created or the
// replay is not a valid script.
bool CheckSession(const SessionFiles& files, std::string* error);
// The backend with the game's cursor and repaint calls watched; during a replay the cursor the
// game reads is the recorded one.
std::unique_ptr<platform::Backend> WatchBackend(std::unique_ptr<platform::Backend> backend);
// The seed of the replay, or tickCount when there is none.
std::uint32_t SessionSeed(std::uint32_t tickCount);
// Before the entry: the seed, and the hooks in the window procedure.
void BeginSession(std::uint32_t seed);
// After the entry, once the game runs: the files created (false, said on stderr, when one cannot
// be), the activation a script's start gives, and the start line.
bool StartSession();
// After the message loop: the last lines written, the files closed, the hooks removed; false
// when a file could not be written whole (said on stderr as it happened).
bool EndSession();

}  // namespace record
