// The entry, the window procedure and the start-up and shut-down sequences.
//
// The procedure never calls the game by name: input and ticks go to whatever stands in the
// handler slots, which each state of the match fills. A slot is read once, before its call,
// so a handler that replaces its own slot runs to its end and the new one takes the next message.
#include "shell/shell.h"
#include "game/match.h"
#include "game/playfield.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "shell/tick_timer.h"
#include "sound/sound.h"

using namespace platform;

namespace {

// The tick handler of the last tick handled; null after a click, whose handler may have put
// the bodies anywhere (a serve, a match's start).
Handler lastTick = nullptr;

void CallSlot(Handler handler) {
    if (handler != nullptr) {
        handler();
    }
}

void CallClickSlot(Handler handler) {
    if (handler != nullptr) {
        lastTick = nullptr;
        handler();
    }
}

LRESULT OnCreate(HWND hwnd) {
    shell.mainWindow = hwnd;
    InitSound(hwnd);
    LoadEffect(SND_PAD, "wav_pad");
    LoadEffect(SND_GOAL, "wav_goal");
    LoadEffect(SND_TITLE, "wav_title");
    LoadEffect(SND_WIN, "wav_win");
    LoadEffect(SND_LOSE, "wav_lose");
    if (CreateRenderObjects(hwnd) == 0 || CreateRenderDevice(hwnd) == 0) {
        // Without a picture there is no game: end quietly, with code 0.
        PostQuitMessage(0);
        return 0;
    }
    BuildScene();
    if (shellHooks != nullptr) {
        shellHooks->sceneBuilt();
    }
    ShowCursor(false);
    FillAngleTables();
    StartTickTimer();
    EnterTitle();
    return 0;
}

void OnDestroy() {
    StopTickTimer();  // first, so that no tick arrives during the release
    ReleaseSound();
    ReleaseRender();
    PostQuitMessage(0);
}

void OnPaint(HWND hwnd) {
    if (IsIconic(hwnd)) {
        return;
    }
    BeginPaint(hwnd);
    RenderPaint(hwnd);
    EndPaint(hwnd);
}

void OnCommand(HWND hwnd, WPARAM wParam) {
    // The whole wParam is compared, so only a command with notification code 0 counts.
    if (wParam == CMD_EXIT) {
        PostMessage(hwnd, WM_CLOSE, 0, 0);
    } else if (wParam == CMD_RENDER_SETTINGS) {
        DialogBoxParam("dlg_render", hwnd, RenderSettingsDialogProc, 0);
    }
}

void OnTick() {
    Handler tick = handlers.onTick;
    if (shell.appActive == 0 || tick == nullptr) {
        return;  // dropped, not kept for later
    }
    shell.inTick = 1;
    tick();
    shell.inTick = 0;
    // The picture blends this tick's bodies from the last tick's only while one state goes on:
    // the same handler, no click between, and no hand-over to another state (a goal).
    const bool continuous =
        tick == lastTick && (handlers.onTick == tick || handlers.onTick == nullptr);
    lastTick = tick;
    RenderTickHandled(continuous, TickDelay(GetTimerCaps().periodMin));
}

LRESULT HandleMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            shell.appActive = static_cast<std::uint32_t>(wParam);
            RenderActivate(wParam);
            return 0;
        case WM_PAINT:
            OnPaint(hwnd);
            return 0;
        case WM_KEYDOWN:
            if (shell.appActive != 0 && wParam == VK_ESCAPE) {
                PostMessage(hwnd, WM_CLOSE, 0, 0);
            }
            return 0;
        case WM_COMMAND:
            OnCommand(hwnd, wParam);
            return 0;
        case WM_MOUSEMOVE:
            CallSlot(handlers.onMouseMove);
            return 0;
        case WM_LBUTTONDOWN:
            CallClickSlot(handlers.onLButtonDown);
            return 0;
        case WM_LBUTTONUP:
            CallClickSlot(handlers.onLButtonUp);
            return 0;
        case WM_RBUTTONDOWN:
            CallClickSlot(handlers.onRButtonDown);
            return 0;
        case WM_TICK:
            OnTick();
            return 0;
        default:
            return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace

const ShellHooks* shellHooks = nullptr;

LRESULT MainWindowProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (shellHooks == nullptr) {
        return HandleMessage(hwnd, message, wParam, lParam);
    }
    if (!shellHooks->beforeMessage(message, wParam)) {
        return 0;
    }
    const LRESULT result = HandleMessage(hwnd, message, wParam, lParam);
    shellHooks->afterMessage(message, wParam);
    return result;
}

bool OpenShell(std::uint32_t tickCount, bool checkSingleInstance) {
    ClearHandlers();
    SeedRandom(tickCount);
    if (checkSingleInstance && FindWindow(WINDOW_CLASS_NAME)) {
        return false;  // the running instance is neither activated nor told
    }
    if (!RegisterClass({WINDOW_CLASS_NAME, MainWindowProc, "ico"})) {
        return false;
    }
    const WindowPlacement placement{.topmost = true, .x = 0, .y = 0, .width = 640, .height = 480};
    shell.mainWindow = CreateWindowEx(WINDOW_CLASS_NAME, WINDOW_CLASS_NAME, placement);
    if (shell.mainWindow == nullptr) {
        return false;  // no window (no display): nothing to run, and nothing to report
    }
    ShowWindow(shell.mainWindow);
    UpdateWindow(shell.mainWindow);
    return true;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessage(&msg)) {
        DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
}
