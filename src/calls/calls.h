// The game's calls to presentation, sound and the platform's repaint and cursor, as a trace shows
// them: kept in order until the trace writer takes them. A tap at the bottom of the house, with no
// dependency of its own: presentation and sound report into it, the recorder above sets it.
#pragma once

#include <array>
#include <initializer_list>
#include <vector>

namespace calls {

struct Call {
    enum class Result { None, Flag, Point };

    const char* name = "";
    std::array<double, 4> args{};
    int argCount = 0;
    Result result = Result::None;
    std::array<int, 2> resultValue{};  // Flag: [0]; Point: x, y
};

// The calls made since the last clear, oldest first.
const std::vector<Call>& RecordedCalls();
void ClearRecordedCalls();
void RecordCall(const Call& call);

inline Call MakeCall(const char* name, std::initializer_list<double> args) {
    Call call;
    call.name = name;
    for (const double a : args) {
        call.args[call.argCount++] = a;
    }
    return call;
}

// Where the live game's presentation and sound report the calls the game makes to them. Null
// except while a traced session handles a message, so ordinary play pays one test a call.
inline void (*callTap)(const Call&) = nullptr;

inline void TapCall(const char* name, std::initializer_list<double> args) {
    if (callTap != nullptr) {
        callTap(MakeCall(name, args));
    }
}

// A call that returned a flag (the title banner's step).
inline void TapFlagCall(const char* name, double arg, int result) {
    if (callTap != nullptr) {
        Call call = MakeCall(name, {arg});
        call.result = Call::Result::Flag;
        call.resultValue[0] = result;
        callTap(call);
    }
}

}  // namespace calls
