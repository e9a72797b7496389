// The sim's own parts, beside the stored replays (check_replays.sh): a script replays the same
// way every time in one process, the script a scripted player leaves replays its match, and the
// script reader names the line it does not understand.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "record/trace.h"
#include "tools/sim/player.h"
#include "tools/sim/script.h"

namespace {

std::string Trace(const std::vector<sim::Command>& commands) {
    std::ostringstream out;
    sim::RunScript(commands, out);
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
        const char* text;
        int badLine;  // 0: accepted
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
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::vector<sim::Command> commands;
        record::ScriptError error;
        EXPECT_EQ(record::ParseScript(in, &commands, &error), c.badLine == 0) << c.text;
        if (c.badLine != 0) {
            EXPECT_EQ(error.lineNumber, c.badLine) << c.text;
        }
    }
}

TEST(Trace, CommandTextIsEscaped) {
    std::string out;
    record::AppendStateLine(out, "a\"b\\c");
    EXPECT_EQ(out.rfind("{\"after\":\"a\\\"b\\\\c\",", 0), 0u);
}

}  // namespace
