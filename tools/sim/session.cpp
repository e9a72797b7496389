#include "tools/sim/session.h"

#include <memory>

#include "calls/calls.h"
#include "game/game.h"
#include "platform/headless_backend.h"

namespace sim {

namespace {

// The headless backend, with the game's repaint requests and cursor calls recorded.
class SimBackend : public platform::HeadlessBackend {
  public:
    SimBackend() : HeadlessBackend(Ticks::Manual) {}

    void Invalidated(platform::HWND) override { calls::RecordCall({.name = "InvalidateRect"}); }
    platform::Point CursorPos() override {
        const platform::Point point = HeadlessBackend::CursorPos();
        calls::RecordCall({.name = "GetCursorPos",
                           .result = calls::Call::Result::Point,
                           .resultValue = {point.x, point.y}});
        return point;
    }
    void SetCursorPos(platform::Point point) override {
        calls::RecordCall(
            {.name = "SetCursorPos", .args = {double(point.x), double(point.y)}, .argCount = 2});
        HeadlessBackend::SetCursorPos(point);
    }
    void PutCursor(platform::Point point) { HeadlessBackend::SetCursorPos(point); }
    platform::Point PeekCursor() { return HeadlessBackend::CursorPos(); }
};

struct Run {
    SimBackend* backend = nullptr;  // owned by the platform layer
    bool shellOpened = false;       // the class stays registered for the process's life
    bool ended = true;              // no program runs
};

Run& R() {
    static Run run;
    return run;
}

// Handles messages until the queue is empty; the quit message ends the program.
void HandleQueue() {
    platform::MSG msg;
    while (!R().ended && platform::PeekMessage(&msg)) {
        if (msg.message == platform::WM_QUIT) {
            R().ended = true;
        } else {
            platform::DispatchMessage(msg);
        }
    }
}

// The game's state as a fresh process holds it before its entry runs.
void ResetGameState() {
    bodies = {};
    match = {};
    playerTargetX = 0;
    playerTargetY = 0;
    lastCursorX = 0;
    lastCursorY = 0;
    shell.appActive = 0;
    shell.inTick = 0;
}

// The entry's steps 2 and 5 to 7 again, with the class registered by the first run.
bool ReopenWindow(std::uint32_t seed) {
    SeedRandom(seed);
    const platform::WindowPlacement placement{
        .topmost = true, .x = 0, .y = 0, .width = 640, .height = 480};
    shell.mainWindow = platform::CreateWindowEx(WINDOW_CLASS_NAME, WINDOW_CLASS_NAME, placement);
    if (shell.mainWindow == nullptr) {
        return false;
    }
    platform::ShowWindow(shell.mainWindow);
    platform::UpdateWindow(shell.mainWindow);
    return true;
}

}  // namespace

void ResetProgram() {
    Run& run = R();
    if (run.shellOpened && !run.ended) {
        platform::DestroyWindow(shell.mainWindow);
    }
    platform::MSG msg;
    while (run.backend != nullptr && platform::PeekMessage(&msg)) {
    }
    run.ended = true;
    ResetGameState();
    ClearHandlers();
    SeedRandom(1);
    calls::ClearRecordedCalls();
}

void StartProgram(std::uint32_t seed) {
    ResetProgram();
    Run& run = R();
    auto backend = std::make_unique<SimBackend>();
    run.backend = backend.get();
    platform::SetBackend(std::move(backend));
    bool opened;
    if (run.shellOpened) {
        opened = ReopenWindow(seed);
    } else {
        opened = OpenShell(seed, false);
        run.shellOpened = opened;
    }
    run.ended = !opened;
    HandleQueue();
    Deliver(platform::WM_ACTIVATE, platform::WA_ACTIVE);
}

bool ProgramEnded() {
    return R().ended;
}

void Deliver(unsigned message, platform::WPARAM wParam) {
    if (R().ended) {
        return;
    }
    platform::PostMessage(shell.mainWindow, message, wParam, 0);
    HandleQueue();
}

void Tick(int count) {
    for (int i = 0; i < count; ++i) {
        Deliver(WM_TICK);
    }
}

void MoveCursor(int x, int y) {
    if (R().backend == nullptr) {
        return;
    }
    R().backend->PutCursor({x, y});
    Deliver(platform::WM_MOUSEMOVE);
}

platform::Point CursorNow() {
    return R().backend ? R().backend->PeekCursor() : platform::Point{};
}

}  // namespace sim
