// Whole matches through puckwind-sim's core: scripted players reach the result, a script replays
// bit for bit, and the level follows the score across a recorded match.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.h"
#include "shell/shell.h"
#include "tools/sim/player.h"
#include "tools/sim/script.h"
#include "tools/sim/session.h"
#include "tools/sim/trace.h"

namespace {

constexpr std::int64_t MATCH_TICK_LIMIT = 100000;

std::vector<sim::Command> ReadReplay(const std::string& name) {
    std::ifstream in(std::string(REPLAY_DIR) + "/" + name);
    EXPECT_TRUE(in) << name;
    std::vector<sim::Command> commands;
    sim::ScriptError error;
    EXPECT_TRUE(sim::ParseScript(in, &commands, &error)) << name << " line " << error.lineNumber;
    return commands;
}

std::string StateNow() {
    std::string out;
    sim::AppendStateLine(out, "");
    return out;
}

std::string Trace(const std::vector<sim::Command>& commands) {
    std::ostringstream out;
    sim::RunScript(commands, out);
    return out.str();
}

// The state part of the last line of a trace.
std::string LastState(const std::string& trace) {
    const auto start = trace.rfind("\"state\":");
    return start == std::string::npos ? "" : trace.substr(start);
}

TEST(WholeMatch, PlayerWhoHeadsForThePuckReachesTheResult) {
    const sim::MatchResult result =
        sim::PlayMatch(11, sim::Player::Chaser, MATCH_TICK_LIMIT, nullptr);
    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(result.scorePlayer == GOALS_TO_WIN || result.scoreCpu == GOALS_TO_WIN);
    EXPECT_EQ(handlers.onLButtonDown, EnterTitle);
}

TEST(WholeMatch, PlayerWhoNeverMovesLosesFiveNil) {
    const sim::MatchResult result =
        sim::PlayMatch(67, sim::Player::Passive, MATCH_TICK_LIMIT, nullptr);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.scorePlayer, 0);
    EXPECT_EQ(result.scoreCpu, GOALS_TO_WIN);
    EXPECT_EQ(match.level, 0);
}

TEST(WholeMatch, ClickInTheResultStateGoesBackToTheTitle) {
    ASSERT_TRUE(sim::PlayMatch(67, sim::Player::Passive, MATCH_TICK_LIMIT, nullptr).finished);
    sim::Deliver(platform::WM_LBUTTONDOWN);
    EXPECT_EQ(handlers.onTick, TitleTick);
    EXPECT_EQ(match.phaseCounter, 0);
}

TEST(Replay, SameScriptGivesTheSameTraceEveryRun) {
    const std::vector<sim::Command> script = ReadReplay("chaser_match.sim");
    const std::string first = Trace(script);
    const std::string second = Trace(script);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("\"slots\":[null,\"EnterTitle\",null,null,null]"), std::string::npos);
}

TEST(Replay, ScriptOfAPlayedMatchReplaysItBitForBit) {
    std::vector<sim::Command> script;
    const sim::MatchResult played = sim::PlayMatch(23, sim::Player::Chaser, 3000, &script);
    const std::string stateAfterPlay = StateNow();
    const std::string replayed = Trace(script);
    EXPECT_EQ("\"state\":" + stateAfterPlay.substr(stateAfterPlay.find("{\"slots\"")),
              LastState(replayed));
    EXPECT_GT(played.ticks, 0);
}

TEST(Replay, DifferentSeedsServeDifferently) {
    const std::vector<sim::Command> script = ReadReplay("passive_match.sim");
    std::vector<sim::Command> reseeded = script;
    for (sim::Command& command : reseeded) {
        if (command.kind == sim::Command::Kind::Start) {
            command.a += 1;
        }
    }
    EXPECT_NE(Trace(script), Trace(reseeded));
}

// The rule, written out: after a goal by the player who is not behind, one level up; after a
// goal by the computer that leads, one level down; within 0..2.
int LevelAfterClick(int level, int player, int cpu, int lastScorer) {
    if (lastScorer == SIDE_PLAYER && player >= cpu && level < 2) {
        return level + 1;
    }
    if (lastScorer == SIDE_CPU && player < cpu && level > 0) {
        return level - 1;
    }
    return level;
}

TEST(Replay, LevelFollowsTheScoreAcrossARecordedMatch) {
    std::vector<int> levels;
    for (const sim::Command& command : ReadReplay("seesaw_match.sim")) {
        const bool serveClick =
            command.kind == sim::Command::Kind::Down && handlers.onLButtonDown == NextServeClick;
        const bool decided =
            match.score[SIDE_PLAYER] >= GOALS_TO_WIN || match.score[SIDE_CPU] >= GOALS_TO_WIN;
        const int expected = serveClick && !decided
                                 ? LevelAfterClick(match.level, match.score[SIDE_PLAYER],
                                                   match.score[SIDE_CPU], match.lastScorer)
                                 : match.level;
        const int levelBefore = match.level;
        sim::RunCommand(command, nullptr);
        if (command.kind != sim::Command::Kind::Start) {
            EXPECT_EQ(match.level, expected) << "after '" << command.line << "' with score "
                                             << match.score[0] << ":" << match.score[1];
        }
        if (serveClick) {
            levels.push_back(levelBefore);
            levels.push_back(match.level);
        }
    }
    EXPECT_EQ(handlers.onLButtonDown, EnterTitle);
    bool wentUp = false;
    bool wentDown = false;
    for (std::size_t i = 0; i + 1 < levels.size(); i += 2) {
        wentUp = wentUp || levels[i + 1] > levels[i];
        wentDown = wentDown || levels[i + 1] < levels[i];
    }
    EXPECT_TRUE(wentUp);
    EXPECT_TRUE(wentDown);
}

TEST(Script, LinesNotUnderstoodAreNamedByNumber) {
    const struct {
        const char* text;
        int line;
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
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::vector<sim::Command> commands;
        sim::ScriptError error;
        EXPECT_FALSE(sim::ParseScript(in, &commands, &error)) << c.text;
        EXPECT_EQ(error.lineNumber, c.line) << c.text;
    }
}

TEST(Script, CommandsCarryTheirNumbersAndTheSeedGoesToTheStart) {
    std::istringstream in(
        "  # a comment\nseed 4294967295\nstart\ntick\ntick 0\nmove -5 7\t\nactivate 2097152\n"
        "key 27\ncommand 40002\nrdown\nup\nclose\n");
    std::vector<sim::Command> commands;
    sim::ScriptError error;
    ASSERT_TRUE(sim::ParseScript(in, &commands, &error)) << error.message;
    ASSERT_EQ(commands.size(), 11u);
    EXPECT_EQ(commands[1].kind, sim::Command::Kind::Start);
    EXPECT_EQ(commands[1].a, 4294967295);
    EXPECT_EQ(commands[2].a, 1);
    EXPECT_EQ(commands[3].a, 0);
    EXPECT_EQ(commands[4].a, -5);
    EXPECT_EQ(commands[4].b, 7);
    EXPECT_EQ(commands[4].line, "move -5 7");
    EXPECT_EQ(commands[5].wParam, 2097152u);
    EXPECT_EQ(commands[7].wParam, 40002u);
    EXPECT_EQ(commands[10].kind, sim::Command::Kind::Close);
}

TEST(Trace, NumbersReadBackToTheSameDouble) {
    sim::Call call;
    call.name = "PlaceBodyFrame";
    call.args = {2, 0.1, -3.265864164457362, 4.960000000000001};
    call.argCount = 4;
    std::string out;
    sim::AppendCallLine(out, call);
    EXPECT_EQ(
        out,
        "{\"call\":\"PlaceBodyFrame\",\"args\":[2,0.1,-3.265864164457362,4.960000000000001]}\n");
}

TEST(Trace, CommandTextIsEscaped) {
    std::string out;
    sim::AppendStateLine(out, "a\"b\\c");
    EXPECT_EQ(out.rfind("{\"after\":\"a\\\"b\\\\c\",", 0), 0u);
}

TEST(Session, EndedProgramTakesNoMoreMessages) {
    sim::StartProgram(3);
    sim::Deliver(platform::WM_KEYDOWN, platform::VK_ESCAPE);
    EXPECT_TRUE(sim::ProgramEnded());
    const std::string before = StateNow();
    sim::Tick(3);
    sim::MoveCursor(5, 5);
    EXPECT_EQ(StateNow(), before);
    sim::StartProgram(3);  // and a new start after the end works
    EXPECT_FALSE(sim::ProgramEnded());
    EXPECT_EQ(handlers.onTick, TitleTick);
}

}  // namespace
