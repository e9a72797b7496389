#include "record/script.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace record {

namespace {

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> result;
    for (std::string w; words >> w;) {
        result.push_back(w);
    }
    return result;
}

template <typename T>
bool ParseNumber(const std::string& word, T* value) {
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, *value);
    return result.ec == std::errc{} && result.ptr == end;
}

std::string Trim(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

bool ParseCommand(const std::string& line, Command* command, std::string* why) {
    const std::vector<std::string> words = SplitWords(line);
    command->line = Trim(line);
    if (words.empty()) {
        *why = "empty command";
        return false;
    }
    const std::string& verb = words[0];
    const std::size_t argc = words.size() - 1;
    struct Bare {
        const char* verb;
        Command::Kind kind;
    };
    static const Bare bare[] = {{"start", Command::Kind::Start},
                                {"down", Command::Kind::Down},
                                {"up", Command::Kind::Up},
                                {"rdown", Command::Kind::RDown},
                                {"close", Command::Kind::Close}};
    for (const Bare& b : bare) {
        if (verb == b.verb) {
            command->kind = b.kind;
            if (argc != 0) {
                *why = verb + " takes no argument";
                return false;
            }
            return true;
        }
    }
    if (verb == "seed") {
        std::uint32_t seed = 0;
        command->kind = Command::Kind::Seed;
        if (argc != 1 || !ParseNumber(words[1], &seed)) {
            *why = "seed needs one number from 0 to 4294967295";
            return false;
        }
        command->a = seed;
        return true;
    }
    if (verb == "tick") {
        std::int32_t count = 1;
        command->kind = Command::Kind::Tick;
        if (argc > 1 || (argc == 1 && (!ParseNumber(words[1], &count) || count < 0))) {
            *why = "tick takes at most one count from 0 to 2147483647";
            return false;
        }
        command->a = count;
        return true;
    }
    if (verb == "move") {
        std::int32_t x = 0;
        std::int32_t y = 0;
        command->kind = Command::Kind::Move;
        if (argc != 2 || !ParseNumber(words[1], &x) || !ParseNumber(words[2], &y)) {
            *why = "move needs two whole numbers X Y (32-bit)";
            return false;
        }
        command->a = x;
        command->b = y;
        return true;
    }
    struct WithParam {
        const char* verb;
        Command::Kind kind;
    };
    static const WithParam withParam[] = {{"activate", Command::Kind::Activate},
                                          {"key", Command::Kind::Key},
                                          {"command", Command::Kind::Command}};
    for (const WithParam& p : withParam) {
        if (verb == p.verb) {
            command->kind = p.kind;
            if (argc != 1 || !ParseNumber(words[1], &command->wParam)) {
                *why = verb + " needs one number from 0 to 18446744073709551615";
                return false;
            }
            return true;
        }
    }
    *why = "unknown command '" + verb + "'";
    return false;
}

bool ReadCommand(ScriptReader& reader, Command* command, ScriptError* error) {
    char buffer[MAX_LINE + 1];
    for (;;) {
        reader.in->getline(buffer, sizeof buffer);
        const auto length = static_cast<std::size_t>(reader.in->gcount());
        if (length == 0 && reader.in->eof()) {
            return false;
        }
        ++reader.lineNumber;
        if (reader.in->eof()) {
            reader.unendedLine = reader.lineNumber;
            return false;
        }
        if (reader.in->fail()) {
            *error = {reader.lineNumber, "longer than " + std::to_string(MAX_LINE) + " characters"};
            return false;
        }
        const std::string text = Trim(std::string(buffer, length - 1));  // the newline taken
        if (text.empty() || text[0] == '#') {
            continue;
        }
        std::string why;
        bool ok = ParseCommand(text, command, &why);
        if (ok && command->kind == Command::Kind::Seed && reader.started) {
            ok = false;
            why = "seed must come before start";
        } else if (ok && command->kind == Command::Kind::Start && reader.started) {
            ok = false;
            why = "the program is started only once";
        } else if (ok && command->kind != Command::Kind::Seed &&
                   command->kind != Command::Kind::Start && !reader.started) {
            ok = false;
            why = "'" + text + "' before start";
        }
        if (!ok) {
            *error = {reader.lineNumber, why};
            return false;
        }
        if (command->kind == Command::Kind::Seed) {
            reader.seed = command->a;
        } else if (command->kind == Command::Kind::Start) {
            command->a = reader.seed;
            reader.started = true;
        }
        return true;
    }
}

bool InputMessage(const Command& command, unsigned* message, platform::WPARAM* wParam) {
    *wParam = 0;
    switch (command.kind) {
        case Command::Kind::Down:
            *message = platform::WM_LBUTTONDOWN;
            return true;
        case Command::Kind::Up:
            *message = platform::WM_LBUTTONUP;
            return true;
        case Command::Kind::RDown:
            *message = platform::WM_RBUTTONDOWN;
            return true;
        case Command::Kind::Activate:
            *message = platform::WM_ACTIVATE;
            break;
        case Command::Kind::Key:
            *message = platform::WM_KEYDOWN;
            break;
        case Command::Kind::Command:
            *message = platform::WM_COMMAND;
            break;
        case Command::Kind::Close:
            *message = platform::WM_CLOSE;
            return true;
        default:
            return false;
    }
    *wParam = command.wParam;
    return true;
}

}  // namespace record
