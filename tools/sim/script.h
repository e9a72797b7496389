// puckwind-sim's runner: the commands of a script (record/script.h) sent to the real shell and
// game, headless, with the trace of what they did.
#pragma once

#include <ostream>
#include <vector>

#include "record/script.h"

namespace sim {

using record::Command;

// Runs one command and writes the calls it made and the state line after it; with no stream the
// calls are dropped unwritten.
void RunCommand(const Command& command, std::ostream* out);
// Runs the script, writing the trace.
void RunScript(const std::vector<Command>& commands, std::ostream& out);

}  // namespace sim
