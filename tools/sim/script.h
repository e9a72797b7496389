// puckwind-sim's runner: the commands of a script (record/script.h) sent to the real shell and
// game, headless, with the trace of what they did.
#pragma once

#include <ostream>

#include "record/script.h"

namespace sim {

using record::Command;

// Runs one command and writes the calls it made and the state line after it; with no stream the
// calls are dropped unwritten.
void RunCommand(const Command& command, std::ostream* out);
// Runs the script as it is read, writing the trace, up to its end, a line not understood (false,
// with *error set) or a failed write (false, with `out` failed).
bool RunScript(record::ScriptReader& script, std::ostream& out, record::ScriptError* error);

}  // namespace sim
