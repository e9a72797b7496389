// puckwind-command ID: posts WM_COMMAND ID to the running game (40001 closes it, 40002 opens the
// render settings). Exit status 0 when delivered, 1 when no game runs, it refused or it did not
// answer in time, 2 on usage.
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/instance.h"

int main(int argc, char** argv) {
    unsigned long id = 0;
    const char* text = argc == 2 ? argv[1] : "";
    const char* end = text + std::strlen(text);
    if (argc != 2 || std::from_chars(text, end, id).ptr != end || *text == '\0') {
        std::fprintf(stderr,
                     "usage: puckwind-command ID   (40001 closes the game, 40002 opens the render "
                     "settings)\n");
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
