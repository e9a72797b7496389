// The trace of a session (puckwind-sim's output, the game's --trace), one JSON object a line: a
// recorded call, or the state after a command. Numbers are written in their shortest form that
// reads back to the same double.
#pragma once

#include <string>
#include <string_view>

#include "calls/calls.h"
#include "shell/shell.h"

namespace record {

// {"call":"PlayEffect","args":[3,0,20000]} and a newline; TitleBannerStep adds "ret":0|1,
// GetCursorPos "ret":[x,y].
void AppendCallLine(std::string& out, const calls::Call& call);
// {"after":"<command>","state":{...}} and a newline: the slots, the shell's activation, the
// match, the three bodies, the player's target and cursor record, the random state.
void AppendStateLine(std::string& out, std::string_view after);

// The name of a handler the match flow installs; "" for an empty slot.
const char* HandlerName(Handler handler);

}  // namespace record
