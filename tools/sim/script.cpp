#include "tools/sim/script.h"

#include "record/trace.h"
#include "tools/sim/session.h"

namespace sim {

namespace {

void WriteCalls(std::ostream* out) {
    if (out != nullptr) {
        std::string text;
        for (const record::Call& call : record::RecordedCalls()) {
            record::AppendCallLine(text, call);
        }
        *out << text;
    }
    record::ClearRecordedCalls();
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
        case Command::Kind::Down:
            Deliver(platform::WM_LBUTTONDOWN);
            break;
        case Command::Kind::Up:
            Deliver(platform::WM_LBUTTONUP);
            break;
        case Command::Kind::RDown:
            Deliver(platform::WM_RBUTTONDOWN);
            break;
        case Command::Kind::Activate:
            Deliver(platform::WM_ACTIVATE, command.wParam);
            break;
        case Command::Kind::Key:
            Deliver(platform::WM_KEYDOWN, command.wParam);
            break;
        case Command::Kind::Command:
            Deliver(platform::WM_COMMAND, command.wParam);
            break;
        case Command::Kind::Close:
            Deliver(platform::WM_CLOSE);
            break;
    }
    WriteCalls(out);
    if (out != nullptr) {
        std::string text;
        record::AppendStateLine(text, command.line);
        *out << text;
    }
}

void RunScript(const std::vector<Command>& commands, std::ostream& out) {
    ResetProgram();
    for (const Command& command : commands) {
        RunCommand(command, &out);
    }
    out.flush();
}

}  // namespace sim
