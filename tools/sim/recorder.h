// What puckwind-sim sees of the game's output: every call the game makes to presentation, sound
// and the platform's repaint and cursor, kept in order until the runner takes them.
#pragma once

#include <array>
#include <vector>

namespace sim {

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

}  // namespace sim
