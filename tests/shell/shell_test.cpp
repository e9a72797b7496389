// The shell against recording stand-ins of the game, render and sound operations: start-up and
// shut-down order, every message of the window procedure, the tick timer's period and dropping.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/match.h"
#include "game/playfield.h"
#include "platform/dialog/dialog.h"
#include "platform/headless_backend.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "shell/shell.h"
#include "shell/tick_timer.h"
#include "sound/sound.h"

using namespace platform;
using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

namespace {

Calls calls;
std::string renderFailing;  // the render start-up step that fails; empty when none does

// Records a call; it succeeds unless it is the failing step.
int Note(const std::string& call) {
    calls.push_back(call);
    return call == renderFailing ? 0 : 1;
}

}  // namespace

int InitSound(HWND) {
    return Note("InitSound");
}
int LoadEffect(int slot, const char* name) {
    return Note("LoadEffect " + std::to_string(slot) + " " + name);
}
void PlayEffect(int, int, unsigned) {}
void StopAllEffects() {}
void ReleaseSound() {
    calls.push_back("ReleaseSound");
}
int CreateRenderObjects(HWND) {
    return Note("CreateRenderObjects");
}
int CreateRenderDevice(HWND) {
    return Note("CreateRenderDevice");
}
int BuildScene() {
    return Note("BuildScene");
}
void RenderActivate(WPARAM wParam) {
    calls.push_back("RenderActivate " + std::to_string(wParam));
}
void RenderPaint(HWND) {
    calls.push_back("RenderPaint");
}
void ReleaseRender() {
    calls.push_back("ReleaseRender");
}
void RenderTickHandled(bool continuous, unsigned tickMs) {
    calls.push_back("RenderTickHandled " + std::to_string(continuous) + " " +
                    std::to_string(tickMs));
}
void PlaceBodyFrame(unsigned, double, double, double) {}
void EnterTitle() {
    calls.push_back("EnterTitle");
}
// Records its messages; the dialog cancels itself once what was queued before it has run.
LRESULT RenderSettingsDialogProc(HWND dialog, unsigned message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        calls.push_back("Dialog WM_INITDIALOG");
        PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (message == WM_COMMAND) {
        calls.push_back("Dialog WM_COMMAND " + std::to_string(wParam));
        EndDialog(dialog, 1);
    }
    return FALSE;
}

namespace {

HeadlessBackend* backend = nullptr;
std::string handled;  // what the handlers in the slots were given, in order

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual);
        backend = owned.get();
        SetBackend(std::move(owned));
        calls.clear();
        renderFailing.clear();
        handled.clear();
        SinTable[1] = 0;
    }
    void TearDown() override {
        DestroyWindow(shell.mainWindow);
        Drain();
        UnregisterClass(WINDOW_CLASS_NAME);
        SetBackend(nullptr);
    }
    // Runs what is queued, except a close; returns the messages taken.
    static std::vector<unsigned> Drain() {
        std::vector<unsigned> taken;
        MSG msg;
        while (PeekMessage(&msg)) {
            taken.push_back(msg.message);
            if (msg.message != WM_QUIT && msg.message != WM_CLOSE) {
                DispatchMessage(msg);
            }
        }
        return taken;
    }
    static LRESULT Send(unsigned message, WPARAM wParam = 0) {
        return MainWindowProc(shell.mainWindow, message, wParam, 0);
    }
    // The shell started and its window active, with nothing recorded yet.
    static void Open() {
        ASSERT_TRUE(OpenShell(1234, true));
        NotifyActivation(shell.mainWindow, true, false);
        Drain();
        calls.clear();
    }
};

TEST_F(Shell, StartsUpInOrderToTheTitleAndShutsDownWithCodeZero) {
    ASSERT_TRUE(OpenShell(1234, true));
    Drain();
    EXPECT_EQ(calls, (Calls{"InitSound", "LoadEffect 3 wav_pad", "LoadEffect 4 wav_goal",
                            "LoadEffect 0 wav_title", "LoadEffect 1 wav_win",
                            "LoadEffect 2 wav_lose", "CreateRenderObjects", "CreateRenderDevice",
                            "BuildScene", "EnterTitle", "RenderPaint"}));
    EXPECT_FALSE(backend->CursorShown());
    EXPECT_NE(SinTable[1], 0.0) << "angle tables filled";
    EXPECT_TRUE(backend->TimerRunning());
    EXPECT_EQ(RandomState(), 1234u);
    EXPECT_FALSE(OpenShell(1, true)) << "a second instance finds the first and leaves";
    calls.clear();
    PostMessage(shell.mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(calls, (Calls{"ReleaseSound", "ReleaseRender"}));
    EXPECT_EQ(tickTimerId, 0u);
    EXPECT_FALSE(backend->TimerRunning());
}

TEST_F(Shell, RenderStartUpFailureEndsQuietlyWithCodeZero) {
    for (const char* failing : {"CreateRenderObjects", "CreateRenderDevice"}) {
        renderFailing = failing;
        ASSERT_TRUE(OpenShell(1, true)) << "the window is still created and shown";
        EXPECT_EQ(RunMessageLoop(), 0);
        // Paint and activation still reach the device, which has nothing to draw yet.
        std::erase_if(calls, [](const std::string& c) { return c.starts_with("Render"); });
        EXPECT_EQ(calls.back(), failing) << "nothing after the failed step";
        EXPECT_EQ(tickTimerId, 0u);
        TearDown();  // a fresh start for the next step
        SetUp();
    }
}

TEST_F(Shell, ActivationIsKeptWholeAndMinimisedStopsOnlyThePaint) {
    Open();
    Send(WM_PAINT);
    Send(WM_ACTIVATE, WA_INACTIVE | MINIMISED_FLAG);
    EXPECT_EQ(shell.appActive, MINIMISED_FLAG) << "minimised but not inactive: ticks go on";
    NotifyActivation(shell.mainWindow, false, true);
    Send(WM_PAINT);
    EXPECT_EQ(calls, (Calls{"RenderPaint", "RenderActivate 65536"}));
}

// A tick handler that sees whether the timer would post another tick while it runs.
void Tick() {
    handled += "tick ";
    TickTimerCallback(0, 0, 0, 0, 0);
}

TEST_F(Shell, InputGoesToItsSlotAndTicksOnlyWhileActiveOneAtATime) {
    Open();
    EXPECT_EQ(Send(WM_TICK), 0) << "an empty slot does nothing";
    handlers = {[] { handled += "move "; }, [] { handled += "down "; }, [] { handled += "up "; },
                [] { handled += "right "; }, Tick};
    for (unsigned message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_TICK}) {
        EXPECT_EQ(Send(message), 0) << message;
    }
    EXPECT_TRUE(Drain().empty()) << "no tick is posted while one runs";
    Send(WM_ACTIVATE, WA_INACTIVE);
    Send(WM_TICK);
    Send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_EQ(handled, "move down up right tick ") << "dropped ticks are not caught up";
    TickTimerCallback(0, 0, 0, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_EQ(std::tuple(msg.hwnd, msg.message, msg.wParam, msg.lParam),
              std::tuple(shell.mainWindow.load(), WM_TICK, WPARAM{0}, LPARAM{0}));
}

Handler handOver = nullptr;  // what the next TickA puts in the tick slot
int ticksLeft = 0;           // before Ending empties the tick slot
void TickA() {
    if (handOver != nullptr) {
        handlers.onTick = std::exchange(handOver, nullptr);
    }
}
void TickB() {}
void Ending() {
    if (--ticksLeft == 0) {
        handlers.onTick = nullptr;
    }
}

// The picture blends the bodies of a tick from the tick before only while one state goes on;
// after a click (a serve) or a hand-over to another state (a goal) they are shown at once.
TEST_F(Shell, TicksOfOneStateGoOnButAClickOrAHandOverMakesAJump) {
    Open();
    handlers.onMouseMove = handlers.onLButtonDown = [] {};
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[] { handlers.onTick = TickA; }, "0"},
        {[] {}, "1"},
        {[] { Send(WM_MOUSEMOVE); }, "1"},  // the player's target moves: nothing jumps
        {[] { Send(WM_LBUTTONDOWN); }, "0"},
        {[] {}, "1"},
        {[] { handOver = TickB; }, "0"},
        {[] {}, "0"},
        {[] {}, "1"},
        {[] { handlers.onTick = Ending, ticksLeft = 2; }, "0"},
        {[] {}, "1"},  // ends, in place
    };
    std::string flags;
    for (const auto& [before, expected] : steps) {
        before();
        calls.clear();
        Send(WM_TICK);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0], std::string("RenderTickHandled ") + expected + " 24")
            << "after " << flags;
        flags += expected;
    }
}

TEST_F(Shell, TheGameStandsStillBehindTheSettingsDialog) {
    Open();
    handlers.onTick = Tick;
    PostMessage(shell.mainWindow, WM_TICK, 0, 0);
    calls.clear();
    Send(WM_COMMAND, CMD_RENDER_SETTINGS);  // its modal loop takes the tick
    EXPECT_EQ(calls, (Calls{"RenderActivate 0", "Dialog WM_INITDIALOG", "Dialog WM_COMMAND 2",
                            "RenderActivate 1"}));
    EXPECT_EQ(handled, "");
    EXPECT_EQ(shell.appActive, WA_ACTIVE) << "active again once the dialog has closed";
}

TEST_F(Shell, OnlyEscapeWhileActiveAndTheExactExitCommandClose) {
    Open();
    const std::tuple<WPARAM, unsigned, WPARAM, bool> cases[] = {
        {WA_INACTIVE, WM_KEYDOWN, VK_ESCAPE, false},
        {WA_ACTIVE, WM_KEYDOWN, VK_ESCAPE, true},
        // A notification code in the high word: not a menu command.
        {WA_ACTIVE, WM_COMMAND, CMD_EXIT | (WPARAM{1} << 16), false},
        {WA_INACTIVE, WM_COMMAND, CMD_EXIT, true},
    };
    for (auto [active, message, wParam, closes] : cases) {
        EXPECT_EQ(Send(WM_ACTIVATE, active), 0);
        EXPECT_EQ(Send(message, wParam), 0);
        EXPECT_EQ(Drain(), closes ? std::vector{WM_CLOSE} : std::vector<unsigned>{}) << wParam;
    }
}

void PostClose(unsigned, unsigned, std::uintptr_t, std::uintptr_t, std::uintptr_t) {
    PostMessage(shell.mainWindow, WM_CLOSE, 0, 0);
}

// On the real clock: 100 ticks are due 2.4 s after the timer starts. A late call is made up at
// once, so only the lateness of the last adds to that, and a tick of 36 ms (half-way to twice
// the period) would take 1.2 s more. A timer of 30 s ends the wait should the ticks not come;
// killed, it must not hold the test until then.
TEST_F(Shell, TheTickTimerTicksEvery24MillisecondsOnTheRealClock) {
    SetBackend(std::make_unique<HeadlessBackend>());
    const auto start = std::chrono::steady_clock::now();
    Open();
    const unsigned deadline = SetPeriodicTimer(30000, 1, PostClose, 0);
    int ticks = 0;
    MSG msg;
    while (ticks < 100 && GetMessage(&msg) && msg.message != WM_CLOSE) {
        ticks += msg.message == WM_TICK ? 1 : 0;
    }
    KillTimer(deadline);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(ticks, 100);
    EXPECT_GE(took, 2400ms);
    EXPECT_LT(took, 3600ms);
}

}  // namespace
