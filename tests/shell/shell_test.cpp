// The shell: start-up and shut-down order, every row of the window procedure, the tick timer's
// period and dropping rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "fakes.h"
#include "game/playfield.h"
#include "platform/headless_backend.h"
#include "shell/shell.h"
#include "shell/tick_timer.h"

using namespace platform;

namespace {

HeadlessBackend* backend = nullptr;

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual);
        backend = owned.get();
        SetBackend(std::move(owned));
        calls.clear();
        renderObjectsResult = 1;
        renderDeviceResult = 1;
        shell.appActive = 0;
        shell.inTick = 0;
        SinTable[1] = 0;
    }
    void TearDown() override {
        if (IsWindow(shell.mainWindow)) {
            DestroyWindow(shell.mainWindow);
        }
        Drain();
        shell.mainWindow = nullptr;
        UnregisterClass(WINDOW_CLASS_NAME);
        SetBackend(nullptr);
    }
    // Runs what is queued; returns the messages taken.
    static std::vector<unsigned> Drain() {
        std::vector<unsigned> taken;
        MSG msg;
        while (PeekMessage(&msg)) {
            taken.push_back(msg.message);
            if (msg.message != WM_QUIT) {
                DispatchMessage(msg);
            }
        }
        return taken;
    }
    static LRESULT Send(unsigned message, WPARAM wParam = 0) {
        return MainWindowProc(shell.mainWindow, message, wParam, 0);
    }
    void Open() {
        ASSERT_TRUE(OpenShell(1234, true));
        Drain();
        calls.clear();
    }
};

TEST_F(Shell, StartUpRunsInItsOrderAndEndsInTheTitle) {
    ASSERT_TRUE(OpenShell(1234, true));
    const std::vector<std::string> expected = {"InitSound",
                                               "LoadEffect 3 wav_pad",
                                               "LoadEffect 4 wav_goal",
                                               "LoadEffect 0 wav_title",
                                               "LoadEffect 1 wav_win",
                                               "LoadEffect 2 wav_lose",
                                               "CreateRenderObjects",
                                               "CreateRenderDevice",
                                               "BuildScene",
                                               "EnterTitle"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
    EXPECT_FALSE(backend->CursorShown());
    EXPECT_NE(SinTable[1], 0.0) << "angle tables filled";
    EXPECT_NE(tickTimerId, 0u);
    EXPECT_TRUE(backend->TimerRunning());
    EXPECT_EQ(RandomState(), 1234u);
}

TEST_F(Shell, ShutDownStopsTheTimerFirstThenSoundThenRenderAndExitsWithZero) {
    Open();
    PostMessage(shell.mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"ReleaseSound", "ReleaseRender"}));
    EXPECT_EQ(tickTimerId, 0u);
    EXPECT_FALSE(backend->TimerRunning());
}

TEST_F(Shell, RenderStartUpFailureEndsQuietlyWithCodeZero) {
    for (int failing = 0; failing < 2; ++failing) {
        calls.clear();
        renderObjectsResult = failing == 0 ? 0 : 1;
        renderDeviceResult = failing == 1 ? 0 : 1;
        ASSERT_TRUE(OpenShell(1, true)) << "the window is still created and shown";
        EXPECT_EQ(RunMessageLoop(), 0);
        // Paint and activation still reach the device, which has nothing to draw yet.
        std::vector<std::string> startUp;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(startUp),
                     [](const std::string& c) { return c.rfind("Render", 0) != 0; });
        EXPECT_EQ(startUp.back(), failing == 0 ? "CreateRenderObjects" : "CreateRenderDevice")
            << "nothing after the failed step";
        EXPECT_EQ(tickTimerId, 0u);
        DestroyWindow(shell.mainWindow);
        Drain();
        UnregisterClass(WINDOW_CLASS_NAME);
    }
}

TEST_F(Shell, ActivationIsKeptWholeAndMinimisedStopsOnlyThePaint) {
    Open();
    Send(WM_PAINT);
    EXPECT_EQ(calls, std::vector<std::string>{"RenderPaint"});
    Send(WM_ACTIVATE, WA_INACTIVE | MINIMISED_FLAG);
    EXPECT_NE(shell.appActive, 0u) << "minimised but not inactive: ticks go on";
    EXPECT_EQ(calls.back(), "RenderActivate " + std::to_string(WA_INACTIVE | MINIMISED_FLAG));
    Send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_EQ(shell.appActive, 0u);
    NotifyActivation(shell.mainWindow, false, true);
    calls.clear();
    Send(WM_PAINT);
    EXPECT_TRUE(calls.empty());
}

int ticksSeen = 0;
int inTickDuringTick = -1;
void CountTick() {
    ++ticksSeen;
    inTickDuringTick = shell.inTick;
}

TEST_F(Shell, TicksRunOnlyWhileActiveAndAreDroppedOtherwise) {
    Open();
    ClearHandlers();
    handlers.onTick = CountTick;
    ticksSeen = 0;
    Send(WM_ACTIVATE, WA_INACTIVE);
    Send(WM_USER);
    Send(WM_USER);
    EXPECT_EQ(ticksSeen, 0);
    Send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_EQ(ticksSeen, 0) << "dropped ticks are not caught up";
    Send(WM_USER);
    EXPECT_EQ(ticksSeen, 1);
    EXPECT_EQ(inTickDuringTick, 1);
    EXPECT_EQ(shell.inTick, 0);
    handlers.onTick = nullptr;
    EXPECT_EQ(Send(WM_USER), 0);
}

TEST_F(Shell, TheGameStandsStillBehindTheSettingsDialog) {
    Open();
    NotifyActivation(shell.mainWindow, true, false);
    Drain();
    ClearHandlers();
    handlers.onTick = CountTick;
    ticksSeen = 0;
    PostMessage(shell.mainWindow, WM_TICK, 0, 0);
    PostMessage(shell.mainWindow, WM_TICK, 0, 0);
    Send(WM_COMMAND, CMD_RENDER_SETTINGS);  // its modal loop takes the two ticks
    EXPECT_EQ(ticksSeen, 0);
    EXPECT_EQ(shell.appActive, WA_ACTIVE) << "active again once the dialog has closed";
    Send(WM_USER);
    EXPECT_EQ(ticksSeen, 1);
}

TEST_F(Shell, OnlyEscapeWhileActiveAndTheExactExitCommandClose) {
    Open();
    Send(WM_ACTIVATE, WA_INACTIVE);
    Send(WM_KEYDOWN, VK_ESCAPE);
    Send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_EQ(Send(WM_KEYDOWN, 'A'), 0);
    Send(WM_KEYDOWN, VK_RETURN);
    Send(WM_COMMAND, CMD_EXIT | (WPARAM{1} << 16));  // a notification code: not a menu command
    Send(WM_COMMAND, 12345);
    EXPECT_TRUE(Drain().empty());
    calls.clear();
    Send(WM_COMMAND, CMD_RENDER_SETTINGS);
    // The window is inactive on both sides of the dialog: it never had the focus here.
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "RenderActivate 0", "RenderSettingsDialogProc WM_INITDIALOG",
                         "RenderSettingsDialogProc WM_COMMAND 2", "RenderActivate 0"}));
    Drain();
    EXPECT_TRUE(IsWindow(shell.mainWindow));
    Send(WM_ACTIVATE, WA_ACTIVE);
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(Drain().front(), WM_CLOSE);
    EXPECT_FALSE(IsWindow(shell.mainWindow));
    UnregisterClass(WINDOW_CLASS_NAME);
    Open();
    Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(Drain().front(), WM_CLOSE);
    EXPECT_FALSE(IsWindow(shell.mainWindow));
}

std::vector<std::string> handled;
void SecondMove() {
    handled.push_back("second");
}
void FirstMove() {
    handlers.onMouseMove = SecondMove;
    handled.push_back("first ran to its end");
}
void Click() {
    handled.push_back("click");
}
void Release() {
    handled.push_back("release");
}
void RightClick() {
    handled.push_back("right");
}

TEST_F(Shell, MouseMessagesGoToTheirSlotsAndAReplacedSlotActsFromTheNextMessage) {
    Open();
    ClearHandlers();
    handled.clear();
    for (unsigned m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN}) {
        EXPECT_EQ(Send(m), 0) << "empty slots do nothing";
    }
    EXPECT_TRUE(handled.empty());
    handlers = {FirstMove, Click, Release, RightClick, nullptr};
    Send(WM_MOUSEMOVE);
    Send(WM_MOUSEMOVE);
    Send(WM_LBUTTONDOWN);
    Send(WM_LBUTTONUP);
    Send(WM_RBUTTONDOWN);
    EXPECT_EQ(handled, (std::vector<std::string>{"first ran to its end", "second", "click",
                                                 "release", "right"}));
}

TEST_F(Shell, ASecondInstanceFindsTheFirstAndLeavesWithoutAWindow) {
    Open();
    EXPECT_FALSE(OpenShell(1, true));
    EXPECT_TRUE(IsWindow(shell.mainWindow)) << "the running one is not touched";
}

TEST(TickTimer, PeriodIs24MillisecondsUnlessThePlatformIsCoarser) {
    EXPECT_EQ(TickDelay(1), 24u);
    EXPECT_EQ(TickDelay(24), 24u);
    EXPECT_EQ(TickDelay(25), 25u);
    EXPECT_EQ(TickDelay(30), 30u);
}

TEST_F(Shell, TimerPostsOneTickUnlessATickHandlerIsRunning) {
    Open();
    shell.inTick = 1;
    TickTimerCallback(0, 0, 0, 0, 0);
    EXPECT_TRUE(Drain().empty());
    shell.inTick = 0;
    TickTimerCallback(0, 0, 0, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(msg.hwnd, shell.mainWindow);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 0);
}

}  // namespace
