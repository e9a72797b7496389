#include "tools/sim/player.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "game/game.h"
#include "tools/sim/session.h"

namespace sim {

namespace {

constexpr int TITLE_TICK_LIMIT = 100;

struct Driver {
    std::vector<Command>* script;

    void Run(const std::string& line) {
        Command command;
        std::string why;
        ParseCommand(line, &command, &why);
        RunCommand(command, nullptr);
        if (script != nullptr) {
            script->push_back(std::move(command));
        }
    }
};

}  // namespace

int Chaser::NextAim() {
    dice_ = dice_ * 1664525u + 1013904223u;
    return static_cast<int>((dice_ >> 16) % (2 * CHASE_AIM_SPREAD + 1)) - CHASE_AIM_SPREAD;
}

platform::Point Chaser::NextCursor() {
    const Body& puck = bodies[BODY_PUCK];
    const bool puckNear = puck.y < 0;
    if (puckNear && !puckWasNear_) {
        aimX_ = NextAim();
    }
    puckWasNear_ = puckNear;
    const int puckY = static_cast<int>(std::lround(puck.y));
    // Too near the end of the table to get well behind it: head for its very centre, so that
    // the mallet comes down on top of it and pushes it out.
    const bool pinned = puckY - CHASE_BEHIND < PLAYER_MIN_Y;
    const int puckX = static_cast<int>(std::lround(puck.x)) + (pinned ? 0 : aimX_);
    int goalY = CHASE_GUARD_Y;
    if (puckNear && pinned) {
        striking_ = false;
        goalY = puckY;
    } else if (puckNear) {
        // Lined up well behind it: apart, so that the touch of the strike is answered.
        const bool linedUp = playerTargetY <= puckY - CHASE_BEHIND &&
                             std::abs(playerTargetX - puckX) <= CHASE_LINED_UP_X;
        striking_ = (striking_ || linedUp) && playerTargetY < std::min(puckY + CHASE_THROUGH, 0);
        goalY = striking_ ? puckY + CHASE_THROUGH : puckY - CHASE_BEHIND;
    } else {
        striking_ = false;
    }
    const int goalX = std::clamp(puckX, PLAYER_MIN_X, PLAYER_MAX_X);
    goalY = std::clamp(goalY, PLAYER_MIN_Y, PLAYER_MAX_Y);
    const int dx = std::clamp(goalX - playerTargetX, -CHASE_REACH, CHASE_REACH);
    const int dy = std::clamp(goalY - playerTargetY, -CHASE_REACH, CHASE_REACH);
    // Screen y grows downwards.
    return {lastCursorX + dx, lastCursorY - dy};
}

MatchResult PlayMatch(std::uint32_t seed, Player player, std::int64_t maxTicks,
                      std::vector<Command>* script) {
    Driver driver{script};
    driver.Run("seed " + std::to_string(seed));
    Command start;
    std::string why;
    ParseCommand("start", &start, &why);
    start.a = seed;
    RunCommand(start, nullptr);
    if (script != nullptr) {
        script->push_back(start);
    }
    for (int i = 0; i < TITLE_TICK_LIMIT && handlers.onLButtonDown != TitleClick; ++i) {
        driver.Run("tick");
    }
    driver.Run("down");
    MatchResult result;
    int level = match.level;
    Chaser chaser(seed);
    bool chasing = player == Player::Chaser;
    while (result.ticks < maxTicks && !ProgramEnded()) {
        if (handlers.onLButtonDown == EnterTitle) {
            result.finished = true;
            break;
        }
        if (handlers.onLButtonDown == NextServeClick) {
            driver.Run("down");
            result.levelChanges += match.level != level ? 1 : 0;
            level = match.level;
            continue;
        }
        const int lead = match.score[SIDE_PLAYER] - match.score[SIDE_CPU];
        if (player == Player::Seesaw && lead != 0) {
            chasing = lead < 0;
        }
        if (chasing && handlers.onMouseMove == PlayerMouseMove) {
            const platform::Point cursor = chaser.NextCursor();
            const platform::Point now = CursorNow();
            if (cursor.x != now.x || cursor.y != now.y) {
                driver.Run("move " + std::to_string(cursor.x) + " " + std::to_string(cursor.y));
            }
        }
        driver.Run("tick");
        ++result.ticks;
    }
    result.scorePlayer = match.score[SIDE_PLAYER];
    result.scoreCpu = match.score[SIDE_CPU];
    return result;
}

}  // namespace sim
