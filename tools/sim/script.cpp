#include "tools/sim/script.h"

#include "record/trace.h"
#include "tools/sim/session.h"

namespace sim {

namespace {

void WriteCalls(std::ostream* out) {
    if (out != nullptr) {
        std::string text;
        for (const calls::Call& call : calls::RecordedCalls()) {
            record::AppendCallLine(text, call);
        }
        *out << text;
    }
    calls::ClearRecordedCalls();
}

}  // namespace

void RunCommand(const Command& command, std::ostream* out) {
    switch (command.kind) {
        case Command::Kind::Seed:
            break;  // taken by the start that follows
        case Command::Kind::Start:
            StartProgram(static_cast<std::uint32_t>(command.a));
            break;
        case Command::Kind::Tick:
            for (std::int64_t i = 0; i < command.a; ++i) {
                Tick();
                WriteCalls(out);  // a long run keeps no backlog of calls
            }
            break;
        case Command::Kind::Move:
            MoveCursor(static_cast<int>(command.a), static_cast<int>(command.b));
            break;
        default: {
            unsigned message = 0;
            platform::WPARAM wParam = 0;
            if (record::InputMessage(command, &message, &wParam)) {
                Deliver(message, wParam);
            }
            break;
        }
    }
    WriteCalls(out);
    if (out != nullptr) {
        std::string text;
        record::AppendStateLine(text, command.line);
        *out << text;
    }
}

bool RunScript(record::ScriptReader& script, std::ostream& out, record::ScriptError* error) {
    ResetProgram();
    for (Command command; out && record::ReadCommand(script, &command, error);) {
        RunCommand(command, &out);
    }
    out.flush();
    return out && error->lineNumber == 0;
}

}  // namespace sim
