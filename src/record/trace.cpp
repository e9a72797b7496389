#include "record/trace.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/game.h"
#include "shell/shell.h"

namespace record {

namespace {

template <typename T>
void AppendNumber(std::string& out, T value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

#ifdef __EMSCRIPTEN__
// Emscripten's C++ library writes no floating point with to_chars; the same text comes from
// printf: the fewest significant digits that read back as the same double, written plain or with
// an exponent, whichever is shorter (plain on a tie).
template <>
void AppendNumber(std::string& out, double value) {
    char digits[32];
    int precision = 0;
    while (std::snprintf(digits, sizeof digits, "%.*e", precision, value) > 0 &&
           std::strtod(digits, nullptr) != value && precision < 17) {
        ++precision;
    }
    const int exponent = std::atoi(std::strchr(digits, 'e') + 1);
    // Plain: as many decimals as the digits after the point need; at least none.
    const int decimals = std::max(precision - exponent, 0);
    char plain[400];
    std::snprintf(plain, sizeof plain, "%.*f", decimals, value);
    out += std::strlen(plain) <= std::strlen(digits) ? plain : digits;
}
#endif

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendKey(std::string& out, const char* key) {
    out += '"';
    out += key;
    out += "\":";
}

template <typename T>
void AppendPair(std::string& out, T a, T b) {
    out += '[';
    AppendNumber(out, a);
    out += ',';
    AppendNumber(out, b);
    out += ']';
}

void AppendSlot(std::string& out, Handler handler) {
    if (handler == nullptr) {
        out += "null";
    } else {
        AppendString(out, HandlerName(handler));
    }
}

void AppendBody(std::string& out, const Body& body) {
    out += "{\"x\":";
    AppendNumber(out, body.x);
    out += ",\"y\":";
    AppendNumber(out, body.y);
    out += ",\"prevX\":";
    AppendNumber(out, body.prevX);
    out += ",\"prevY\":";
    AppendNumber(out, body.prevY);
    out += ",\"angle\":";
    AppendNumber(out, static_cast<int>(body.angle));
    out += ",\"speed\":";
    AppendNumber(out, body.speed);
    out += ",\"contact\":";
    AppendNumber(out, body.contact);
    out += ",\"aiState\":";
    AppendNumber(out, body.aiState);
    out += ",\"aiTimer\":";
    AppendNumber(out, body.aiTimer);
    out += '}';
}

}  // namespace

void AppendCallLine(std::string& out, const calls::Call& call) {
    out += "{\"call\":";
    AppendString(out, call.name);
    out += ",\"args\":[";
    for (int i = 0; i < call.argCount; ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendNumber(out, call.args[i]);
    }
    out += ']';
    if (call.result == calls::Call::Result::Flag) {
        out += ",\"ret\":";
        AppendNumber(out, call.resultValue[0]);
    } else if (call.result == calls::Call::Result::Point) {
        out += ",\"ret\":";
        AppendPair(out, call.resultValue[0], call.resultValue[1]);
    }
    out += "}\n";
}

void AppendStateLine(std::string& out, std::string_view after) {
    out += "{\"after\":";
    AppendString(out, after);
    out += ",\"state\":{\"slots\":[";
    const Handler slots[] = {handlers.onMouseMove, handlers.onLButtonDown, handlers.onLButtonUp,
                             handlers.onRButtonDown, handlers.onTick};
    for (std::size_t i = 0; i < std::size(slots); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendSlot(out, slots[i]);
    }
    out += "],";
    AppendKey(out, "appActive");
    AppendNumber(out, shell.appActive);
    out += ',';
    AppendKey(out, "level");
    AppendNumber(out, match.level);
    out += ',';
    AppendKey(out, "score");
    AppendPair(out, match.score[SIDE_PLAYER], match.score[SIDE_CPU]);
    out += ',';
    AppendKey(out, "lastScorer");
    AppendNumber(out, match.lastScorer);
    out += ',';
    AppendKey(out, "phaseCounter");
    AppendNumber(out, match.phaseCounter);
    out += ',';
    AppendKey(out, "bodies");
    out += '[';
    for (int i = 0; i < BODY_COUNT; ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendBody(out, bodies[i]);
    }
    out += "],";
    AppendKey(out, "playerTarget");
    AppendPair(out, playerTargetX, playerTargetY);
    out += ',';
    AppendKey(out, "lastCursor");
    AppendPair(out, lastCursorX, lastCursorY);
    out += ',';
    AppendKey(out, "random");
    AppendNumber(out, RandomState());
    out += "}}\n";
}

const char* HandlerName(Handler handler) {
    struct Named {
        Handler handler;
        const char* name;
    };
    static const Named names[] = {
        {EnterTitle, "EnterTitle"},
        {TitleTick, "TitleTick"},
        {TitleClick, "TitleClick"},
        {ServePuck, "ServePuck"},
        {RallyTick, "RallyTick"},
        {GoalTick, "GoalTick"},
        {WaitServeTick, "WaitServeTick"},
        {NextServeClick, "NextServeClick"},
        {WinTick, "WinTick"},
        {LoseTick, "LoseTick"},
        {PlayerMouseMove, "PlayerMouseMove"},
    };
    if (handler == nullptr) {
        return "";
    }
    for (const Named& n : names) {
        if (n.handler == handler) {
            return n.name;
        }
    }
    return "unknown";
}

}  // namespace record
