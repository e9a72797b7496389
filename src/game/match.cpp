// The match flow's states and their handlers.
#include "game/match.h"

#include "game/mallets.h"
#include "game/playfield.h"
#include "game/puck.h"
#include "platform/window/window.h"
#include "render/display.h"
#include "render/scene.h"
#include "shell/shell.h"
#include "sound/sound.h"

MatchState match{};

// A body's frame in the scene is the object frame of the body's own index.
static_assert(static_cast<unsigned>(BODY_PLAYER) == FRAME_PLAYER_MALLET &&
              static_cast<unsigned>(BODY_CPU) == FRAME_CPU_MALLET &&
              static_cast<unsigned>(BODY_PUCK) == FRAME_PUCK);

namespace {

void RequestRepaint() {
    platform::InvalidateRect(shell.mainWindow);
}

void PlaceBody(int body, double z) {
    PlaceBodyFrame(body, bodies[body].x, bodies[body].y, z);
}

// The click after the deciding goal: the winner is the side that scored last.
void EndMatch() {
    ClearHandlers();
    StopAllEffects();
    if (match.lastScorer == SIDE_PLAYER) {
        ShowBanner(BANNER_WIN);
        match.phaseCounter = WIN_SEQUENCE_TICKS;
        handlers.onTick = WinTick;
    } else {
        ShowBanner(BANNER_LOSE);
        match.phaseCounter = LOSE_SEQUENCE_TICKS;
        handlers.onTick = LoseTick;
    }
}

// The computer gets stronger when the player has just scored and is not behind, weaker when it
// has just scored and leads.
void AdjustLevel() {
    const auto& score = match.score;
    if (match.lastScorer == SIDE_PLAYER && score[SIDE_PLAYER] >= score[SIDE_CPU] &&
        match.level < MAX_LEVEL) {
        match.level += 1;
    } else if (match.lastScorer == SIDE_CPU && score[SIDE_PLAYER] < score[SIDE_CPU] &&
               match.level > 0) {
        match.level -= 1;
    }
}

}  // namespace

void EnterTitle() {
    ClearHandlers();
    StopAllEffects();
    ShowBanner(BANNER_TITLE);
    match.phaseCounter = 0;
    TitleBannerStep(0);
    RequestRepaint();
    handlers.onTick = TitleTick;
}

void TitleTick() {
    match.phaseCounter += 1;
    const int done = TitleBannerStep(match.phaseCounter);
    RequestRepaint();
    if (done != 0) {
        PlayEffect(SND_TITLE, 1, 0);
        ClearHandlers();
        handlers.onLButtonDown = TitleClick;
    }
}

void TitleClick() {
    StopAllEffects();
    ClearHandlers();
    StartMatch(0);
}

void StartMatch(int level) {
    ClearHandlers();
    match.level = level;
    match.score = {0, 0};
    match.lastScorer = SIDE_PLAYER;
    ShowScore(SIDE_PLAYER, 0);
    ShowScore(SIDE_CPU, 0);
    Body& player = bodies[BODY_PLAYER];
    player.x = 0;
    player.y = -TABLE_HALF_LENGTH;
    player.prevX = 0;
    player.prevY = -TABLE_HALF_LENGTH;
    bodies[BODY_CPU].x = 0;
    bodies[BODY_CPU].y = TABLE_HALF_LENGTH;
    playerTargetX = 0;
    playerTargetY = PLAYER_MIN_Y;
    // The next mouse move is measured from here.
    platform::SetCursorPos(CURSOR_START_X, CURSOR_START_Y);
    lastCursorX = CURSOR_START_X;
    lastCursorY = CURSOR_START_Y;
    HideBanner();
    handlers.onTick = ServePuck;
}

void ServePuck() {
    ClearHandlers();
    Body& puck = bodies[BODY_PUCK];
    puck.x = 0;
    puck.y = 0;
    // Toward the side that conceded the last goal, and toward the computer at a match's start.
    const int base =
        match.lastScorer == SIDE_PLAYER ? SERVE_HEADING_TO_CPU : SERVE_HEADING_TO_PLAYER;
    puck.angle = static_cast<Angle256>(NextRandom() % 64 + base);
    puck.speed = SERVE_SPEED;
    Body& cpu = bodies[BODY_CPU];
    cpu.x = 0;
    cpu.y = TABLE_HALF_LENGTH;
    cpu.prevX = 0;
    cpu.prevY = TABLE_HALF_LENGTH;
    cpu.aiState = CPU_WAIT;
    cpu.aiTimer = SERVE_CPU_WAIT_TICKS;
    handlers.onMouseMove = PlayerMouseMove;
    handlers.onTick = RallyTick;
}

void RallyTick() {
    UpdatePlayerMallet(BODY_PLAYER);
    UpdateCpuMallet(BODY_CPU);
    // May score a goal, which replaces onTick; the frames of this tick are still placed.
    UpdatePuck();
    for (int body = 0; body < BODY_COUNT; ++body) {
        PlaceBody(body, 0.0);
    }
    RequestRepaint();
}

void GoalScored(int side) {
    match.lastScorer = side;
    match.phaseCounter = 0;
    PlayEffect(SND_GOAL, 0, 0);
    // The slots are not cleared: the player's mallet keeps following the mouse.
    handlers.onTick = GoalTick;
}

void GoalTick() {
    UpdatePlayerMallet(BODY_PLAYER);
    PlaceBody(BODY_PLAYER, 0.0);
    PlaceBody(BODY_CPU, 0.0);
    Body& puck = bodies[BODY_PUCK];
    if (match.lastScorer == SIDE_PLAYER) {
        puck.y += GOAL_SLIDE;
    } else {
        puck.y -= GOAL_SLIDE;
    }
    const int jitter = NextRandom() % 9 - 4;
    if (match.phaseCounter == GOAL_SEQUENCE_TICKS - 1) {
        PlaceBodyFrame(BODY_PUCK, puck.x + jitter, 0.0, HIDDEN_PUCK_Z);  // out of sight
    } else {
        PlaceBodyFrame(BODY_PUCK, puck.x + jitter, puck.y, 0.0);
    }
    RequestRepaint();
    match.phaseCounter += 1;
    if (match.phaseCounter > GOAL_SEQUENCE_TICKS - 1) {
        const int side = match.lastScorer;
        match.score[side] += 1;
        ShowScore(side, match.score[side]);
        match.phaseCounter = 0;
        handlers.onTick = WaitServeTick;
        handlers.onLButtonDown = NextServeClick;
    }
}

void WaitServeTick() {
    UpdatePlayerMallet(BODY_PLAYER);
    PlaceBody(BODY_PLAYER, 0.0);
    RequestRepaint();
}

void NextServeClick() {
    if (match.score[SIDE_PLAYER] >= GOALS_TO_WIN || match.score[SIDE_CPU] >= GOALS_TO_WIN) {
        EndMatch();
        return;
    }
    AdjustLevel();
    ServePuck();
}

void WinTick() {
    match.phaseCounter -= 1;
    WinBannerStep(match.phaseCounter);
    RequestRepaint();
    if (match.phaseCounter <= 0) {
        ClearHandlers();
        PlayEffect(SND_WIN, 1, 0);
        handlers.onLButtonDown = EnterTitle;
    }
}

// Unlike the win step, the lose step is handed the counter before its decrement.
void LoseTick() {
    LoseBannerStep(match.phaseCounter);
    RequestRepaint();
    match.phaseCounter -= 1;
    if (match.phaseCounter <= 0) {
        ClearHandlers();
        PlayEffect(SND_LOSE, 1, 0);
        handlers.onLButtonDown = EnterTitle;
    }
}
