// puckwind-command ID: posts WM_COMMAND ID to the running game (40001 closes it, 40002 opens the
// render settings). Exit status 0 when delivered, 1 when no game runs, it refused or it did not
// answer in time (the game then drops the command), 2 on usage.
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/endpoint/endpoint.h"

namespace {

// Also the source of the manual page (help2man), so it reads as one.
constexpr char USAGE[] =
    "Usage: puckwind-command ID\n"
    "Posts the command ID to the game running for the same user.\n"
    "\n"
    "Commands:\n"
    "  40001   close the game\n"
    "  40002   open the render settings\n"
    "\n"
    "Options:\n"
    "  --help  print this and exit\n"
    "\n"
    "Exit status:\n"
    "  0       the game took the command\n"
    "  1       no game runs, it refused the command, or it did not answer within 2 seconds\n"
    "          (the game then drops the command, so trying again does not act twice)\n"
    "  2       an ID that is not a whole number from 0 to 18446744073709551615, or a bad\n"
    "          option\n";

}  // namespace

int main(int argc, char** argv) {
    platform::WPARAM id = 0;
    const char* text = argc == 2 ? argv[1] : "";
    const char* end = text + std::strlen(text);
    if (argc == 2 && std::strcmp(text, "--help") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    const auto [stop, error] = std::from_chars(text, end, id);
    if (argc != 2 || stop != end || error != std::errc{}) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    switch (platform::SendToInstance("PUCKWIND", platform::WM_COMMAND, id)) {
        case platform::SendResult::Delivered:
            return 0;
        case platform::SendResult::NoInstance:
            std::fprintf(stderr, "puckwind-command: the game is not running\n");
            return 1;
        case platform::SendResult::Refused:
            std::fprintf(stderr, "puckwind-command: the game refused the command\n");
            return 1;
        case platform::SendResult::NoAnswer:
            std::fprintf(stderr, "puckwind-command: the game did not answer within %d ms\n",
                         platform::ANSWER_TIMEOUT_MS);
            return 1;
    }
    return 1;
}
