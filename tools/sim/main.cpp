// puckwind-sim [SCRIPT]: runs the real shell and game headless from a script of messages (the
// file, or standard input) and writes a JSON Lines trace of the game's calls and state.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/sim/script.h"

namespace {

// Also the source of the manual page (help2man), so it reads as one.
constexpr char USAGE[] =
    "Usage: puckwind-sim [SCRIPT]\n"
    "Runs the game headless from a script of messages (the file SCRIPT, or standard input) and\n"
    "prints every call the game makes, and its state after each message, as JSON Lines. The\n"
    "same script gives the same bytes on every run.\n"
    "\n"
    "Options:\n"
    "  --help  print this and exit\n"
    "\n"
    "A last line that no newline ends (a recording cut off as the game was killed) is left\n"
    "out, with a note on standard error, as puckwind --replay leaves it out.\n"
    "\n"
    "Exit status:\n"
    "  0       the script ran\n"
    "  1       the trace could not be written (said on standard error)\n"
    "  2       the script cannot be read or has a line not understood (named on standard\n"
    "          error); of a file nothing is run, of standard input the lines before it\n";

// Says what the reader left out: a last line with no newline.
void NoteUnended(const record::ScriptReader& script) {
    if (script.unendedLine != 0) {
        std::cerr << "puckwind-sim: line " << script.unendedLine
                  << " has no newline (a recording cut off): left out\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::cout << USAGE;
        return 0;
    }
    if (argc > 2) {
        std::cerr << USAGE;
        return 2;
    }
    std::ifstream file;
    record::ScriptError error;
    if (argc == 2) {
        file.open(argv[1], std::ios::binary);
        if (!file) {
            std::cerr << "puckwind-sim: cannot read " << argv[1] << "\n";
            return 2;
        }
        // Read through once first, so that a script with a line not understood runs nothing.
        record::ScriptReader check(file);
        for (record::Command command; record::ReadCommand(check, &command, &error);) {
        }
        if (error.lineNumber == 0) {
            file.clear();
            file.seekg(0);
        }
    }
    std::istream& in = argc == 2 ? static_cast<std::istream&>(file) : std::cin;
#ifdef _WIN32
    // The trace is the same bytes everywhere: no carriage returns added on Windows.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    record::ScriptReader script(in);
    if (error.lineNumber == 0 && !sim::RunScript(script, std::cout, &error) &&
        error.lineNumber == 0) {
        std::cerr << "puckwind-sim: cannot write the trace: " << std::strerror(errno) << "\n";
        return 1;
    }
    if (error.lineNumber != 0) {
        std::cerr << "puckwind-sim: line " << error.lineNumber << ": " << error.message << "\n";
        return 2;
    }
    NoteUnended(script);
    return 0;
}
