// Scripts of messages (puckwind-sim's input, the game's recordings): one command a line, read
// one at a time, so that a script of any length takes the same memory.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

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
    std::uint64_t lineNumber = 0;  // 0: none
    std::string message;
};

// The longest line read, comments included: a line of the syntax is a few dozen characters.
constexpr std::size_t MAX_LINE = 1000;

// Where a script is read. A last line that no newline ends (a recording cut off as the game was
// killed) is left out: its number is kept in unendedLine.
struct ScriptReader {
    explicit ScriptReader(std::istream& source) : in(&source) {}
    std::istream* in;
    std::uint64_t lineNumber = 0;
    std::uint64_t unendedLine = 0;
    bool started = false;
    std::int64_t seed = 1;  // given by a seed line before start
};

// The next command of the script into *command; false at its end, or with *error set at the
// first line not understood.
bool ReadCommand(ScriptReader& reader, Command* command, ScriptError* error);
// One command a line in the script's syntax; false when it is not one.
bool ParseCommand(const std::string& line, Command* command, std::string* why);
// The window message a button, activation, key, command or close line stands for; false for the
// lines that are not one message (seed, start, tick, move).
bool InputMessage(const Command& command, unsigned* message, platform::WPARAM* wParam);

}  // namespace record
