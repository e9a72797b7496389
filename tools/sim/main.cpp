// puckwind-sim [SCRIPT]: runs the real shell and game headless from a script of messages (the
// file, or standard input) and writes a JSON Lines trace of the game's calls and state.
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
    "Exit status:\n"
    "  0       the script ran\n"
    "  2       the script cannot be read or has a line not understood (named on standard\n"
    "          error); nothing is run\n";

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
    if (argc == 2) {
        file.open(argv[1]);
        if (!file) {
            std::cerr << "puckwind-sim: cannot read " << argv[1] << "\n";
            return 2;
        }
    }
    std::istream& in = argc == 2 ? static_cast<std::istream&>(file) : std::cin;
    std::vector<sim::Command> commands;
    record::ScriptError error;
    if (!record::ParseScript(in, &commands, &error)) {
        std::cerr << "puckwind-sim: line " << error.lineNumber << ": " << error.message << "\n";
        return 2;
    }
#ifdef _WIN32
    // The trace is the same bytes everywhere: no carriage returns added on Windows.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    sim::RunScript(commands, std::cout);
    return 0;
}
