// puckwind-soak [MATCHES [FIRST_SEED [MAX_TICKS]]]: plays MATCHES matches (default 2000) with the
// player who heads for the puck, one seed each from FIRST_SEED on (default 1), and reports the
// ticks per match. A match still running after MAX_TICKS ticks (default 20000) has its script
// written to soak-seed-N.sim for puckwind-sim, and the exit status is 1.
//
// puckwind-soak --script SEED [chaser|passive|seesaw]: prints the script of one match for
// puckwind-sim, runs of single ticks merged into one tick command.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/sim/player.h"

namespace {

constexpr std::int64_t DEFAULT_MAX_TICKS = 20000;  // 8 minutes of play

bool ReadArgument(int argc, char** argv, int index, std::int64_t* value) {
    if (index >= argc) {
        return true;
    }
    const std::string word = argv[index];
    const auto result = std::from_chars(word.data(), word.data() + word.size(), *value);
    return result.ec == std::errc{} && result.ptr == word.data() + word.size() && *value >= 0;
}

// The script with each run of single ticks as one command: the same game, fewer state lines.
void PrintMergedScript(const std::vector<sim::Command>& script) {
    std::int64_t pendingTicks = 0;
    const auto flush = [&pendingTicks] {
        if (pendingTicks == 1) {
            std::printf("tick\n");
        } else if (pendingTicks > 1) {
            std::printf("tick %lld\n", static_cast<long long>(pendingTicks));
        }
        pendingTicks = 0;
    };
    for (const sim::Command& command : script) {
        if (command.kind == sim::Command::Kind::Tick) {
            pendingTicks += command.a;
            continue;
        }
        flush();
        std::printf("%s\n", command.line.c_str());
    }
    flush();
}

int PrintMatchScript(int argc, char** argv) {
    std::int64_t seed = 0;
    const std::string player = argc > 3 ? argv[3] : "chaser";
    if (argc < 3 || argc > 4 || !ReadArgument(argc, argv, 2, &seed) || seed > 0xFFFFFFFF ||
        (player != "chaser" && player != "passive" && player != "seesaw")) {
        std::fprintf(stderr, "usage: puckwind-soak --script SEED [chaser|passive|seesaw]\n");
        return 2;
    }
    std::vector<sim::Command> script;
    const sim::MatchResult result = sim::PlayMatch(static_cast<std::uint32_t>(seed),
                                                   player == "passive"  ? sim::Player::Passive
                                                   : player == "seesaw" ? sim::Player::Seesaw
                                                                        : sim::Player::Chaser,
                                                   DEFAULT_MAX_TICKS, &script);
    std::printf("# puckwind-soak --script %lld %s: %s after %lld ticks, %d:%d\n",
                static_cast<long long>(seed), player.c_str(),
                result.finished ? "result" : "no result", static_cast<long long>(result.ticks),
                result.scorePlayer, result.scoreCpu);
    PrintMergedScript(script);
    return result.finished ? 0 : 1;
}

void WriteScript(std::uint32_t seed, const std::vector<sim::Command>& script) {
    const std::string path = "soak-seed-" + std::to_string(seed) + ".sim";
    std::ofstream out(path);
    out << "# puckwind-soak: a match that did not end, seed " << seed << "\n";
    for (const sim::Command& command : script) {
        out << command.line << "\n";
    }
    std::printf("  script: %s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--script") {
        return PrintMatchScript(argc, argv);
    }
    std::int64_t matches = 2000;
    std::int64_t firstSeed = 1;
    std::int64_t maxTicks = DEFAULT_MAX_TICKS;
    if (argc > 4 || !ReadArgument(argc, argv, 1, &matches) ||
        !ReadArgument(argc, argv, 2, &firstSeed) || !ReadArgument(argc, argv, 3, &maxTicks) ||
        firstSeed + matches > (std::int64_t{1} << 32)) {
        std::fprintf(stderr, "usage: puckwind-soak [MATCHES [FIRST_SEED [MAX_TICKS]]]\n");
        return 2;
    }
    std::vector<std::int64_t> ticks;
    std::vector<std::uint32_t> unfinished;
    int playerWins = 0;
    int cpuGoals = 0;
    int levelChanges = 0;
    std::vector<sim::Command> script;
    for (std::int64_t i = 0; i < matches; ++i) {
        const auto seed = static_cast<std::uint32_t>(firstSeed + i);
        script.clear();
        const sim::MatchResult result =
            sim::PlayMatch(seed, sim::Player::Chaser, maxTicks, &script);
        if (!result.finished) {
            unfinished.push_back(seed);
            std::printf("seed %u: no result after %lld ticks (score %d:%d)\n", seed,
                        static_cast<long long>(result.ticks), result.scorePlayer, result.scoreCpu);
            WriteScript(seed, script);
            continue;
        }
        ticks.push_back(result.ticks);
        playerWins += result.scorePlayer > result.scoreCpu ? 1 : 0;
        cpuGoals += result.scoreCpu;
        levelChanges += result.levelChanges;
    }
    std::printf(
        "matches %lld, finished %zu, unfinished %zu, won by the player %d, goals by the computer "
        "%d, level changes %d\n",
        static_cast<long long>(matches), ticks.size(), unfinished.size(), playerWins, cpuGoals,
        levelChanges);
    if (!ticks.empty()) {
        std::sort(ticks.begin(), ticks.end());
        std::int64_t total = 0;
        for (const std::int64_t t : ticks) {
            total += t;
        }
        std::printf("ticks per finished match: min %lld, median %lld, mean %lld, max %lld\n",
                    static_cast<long long>(ticks.front()),
                    static_cast<long long>(ticks[ticks.size() / 2]),
                    static_cast<long long>(total / static_cast<std::int64_t>(ticks.size())),
                    static_cast<long long>(ticks.back()));
    }
    return unfinished.empty() ? 0 : 1;
}
