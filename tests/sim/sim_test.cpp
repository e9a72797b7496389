// The sim's own parts, beside the stored replays (check_replays.sh): a script replays the same
// way every time in one process, the script a scripted player leaves replays its match, and the
// script reader names the line it does not understand.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "record/trace.h"
#include "tools/sim/player.h"
#include "tools/sim/script.h"
#include "tools/sim/session.h"

namespace {

std::string Trace(const std::vector<sim::Command>& commands) {
    std::ostringstream out;
    sim::ResetProgram();
    for (const sim::Command& command : commands) {
        sim::RunCommand(command, &out);
    }
    return out.str();
}

std::string LastState(const std::string& trace) {
    const auto start = trace.rfind("{\"slots\"");
    return start == std::string::npos ? "" : trace.substr(start);
}

TEST(Replay, APlayedMatchReplaysBitForBitAsOftenAsItIsRun) {
    std::vector<sim::Command> script;
    const sim::MatchResult played = sim::PlayMatch(23, sim::Player::Chaser, 3000, &script);
    ASSERT_GT(played.ticks, 0);
    std::string afterPlay;
    record::AppendStateLine(afterPlay, "");
    const std::string first = Trace(script);
    EXPECT_EQ(LastState(first), LastState(afterPlay));
    // Another seed serves another way and leaves the game elsewhere; the replay after it must
    // start from a fresh game all the same.
    std::vector<sim::Command> reseeded = script;
    for (sim::Command& command : reseeded) {
        if (command.kind == sim::Command::Kind::Start) {
            command.a += 1;
        }
    }
    EXPECT_NE(Trace(reseeded), first);
    EXPECT_EQ(Trace(script), first) << "a run after another match in the same process differs";
}

TEST(Script, LinesNotUnderstoodAreNamedByNumber) {
    const struct {
        std::string text;
        std::uint64_t badLine;  // 0: accepted
    } cases[] = {
        {"seed 1\nstart\ntick x\n", 3},
        {"start\nseed 4\n", 2},
        {"tick\n", 1},
        {"start\nstart\n", 2},
        {"# comment\n\nstart\nmove 1\n", 4},
        {"start\nmove 1 2 3\n", 2},
        {"seed -1\n", 1},
        {"seed 4294967296\n", 1},
        {"start\ntick -2\n", 2},
        {"start\nactivate\n", 2},
        {"start\ndown 1\n", 2},
        {"start\nkey 2x\n", 2},
        {"  # a comment\nseed 4294967295\nstart\ntick 0\nmove -5 7\t\nactivate 2097152\nup\n", 0},
        {"start\n#" + std::string(999, '-') + "\n#" + std::string(1000, '-') + "\n", 3},
        {std::string("start\nup\0\n", 10), 2},  // a zero byte is no end of the line
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        record::ScriptReader script(in);
        record::ScriptError error;
        for (sim::Command command; record::ReadCommand(script, &command, &error);) {
        }
        EXPECT_EQ(error.lineNumber, c.badLine) << c.text.substr(0, 60);
    }
    // A last line with no newline, as a killed game leaves it, is left out and named.
    std::istringstream cut("start\nup\ndow");
    record::ScriptReader script(cut);
    sim::Command command;
    record::ScriptError error;
    EXPECT_TRUE(record::ReadCommand(script, &command, &error) &&
                record::ReadCommand(script, &command, &error));
    EXPECT_FALSE(record::ReadCommand(script, &command, &error));
    EXPECT_EQ(std::tuple(command.line, error.lineNumber, script.unendedLine),
              std::tuple("up", 0u, 3u));
}

TEST(Trace, CommandTextIsEscaped) {
    std::string out;
    record::AppendStateLine(out, "a\"b\\c");
    EXPECT_EQ(out.rfind("{\"after\":\"a\\\"b\\\\c\",", 0), 0u);
}

}  // namespace
