// Scripts of messages (puckwind-sim's input, the game's recordings): one command a line, read
// whole and checked before anything runs.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace record {

struct Command {
    enum class Kind { Seed, Start, Tick, Move, Down, Up, RDown, Activate, Key, Command, Close };
    Kind kind = Kind::Start;
    std::int64_t a = 0;        // start: the seed given before it (1 if none); tick count; x
    std::int64_t b = 0;        // y
    std::uint64_t wParam = 0;  // activate, key and command: the message's whole wParam
    std::string line;          // as written, without surrounding blanks
};

struct ScriptError {
    int lineNumber = 0;
    std::string message;
};

// The commands of a script; false, with the first line not understood, when there is one.
bool ParseScript(std::istream& in, std::vector<Command>* commands, ScriptError* error);
// One command a line in the script's syntax; false when it is not one.
bool ParseCommand(const std::string& line, Command* command, std::string* why);
// The window message a button, activation, key, command or close line stands for; false for the
// lines that are not one message (seed, start, tick, move).
bool InputMessage(const Command& command, unsigned* message, platform::WPARAM* wParam);

}  // namespace record
