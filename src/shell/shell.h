// The application shell: the one window and its procedure, the handler slots through which the
// match flow installs its states, and the order of start-up and shut-down. It sits above the
// game, render and sound, whose operations it calls; the game includes this header by intent, to
// fill the slots. The recorder (src/record) and the program's entry (src/app) sit above it.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/timer/timer.h"
#include "platform/window/window.h"

struct ShellState {
    std::atomic<platform::HWND> mainWindow{nullptr};  // also read by the tick timer's thread
    std::uint32_t appActive = 0;  // wParam of the last WM_ACTIVATE, kept whole; nonzero = active
    std::atomic<std::int32_t> inTick{0};  // 1 while onTick runs; read by the tick timer's thread
};
extern ShellState shell;

using Handler = void (*)();

// What the current state of the match does with input and ticks; an empty slot is null.
struct HandlerSlots {
    Handler onMouseMove = nullptr;
    Handler onLButtonDown = nullptr;
    Handler onLButtonUp = nullptr;
    Handler onRButtonDown = nullptr;
    Handler onTick = nullptr;
};
extern HandlerSlots handlers;

void ClearHandlers();

constexpr platform::WPARAM CMD_EXIT = 40001;
constexpr platform::WPARAM CMD_RENDER_SETTINGS = 40002;
// The tick message, posted by the tick timer with wParam 0 and lParam 0.
constexpr unsigned WM_TICK = platform::WM_USER;

inline constexpr char WINDOW_CLASS_NAME[] = "PUCKWIND";

// What a recording, a trace or a replay watches of the window procedure; null in ordinary play,
// where the procedure pays one test a message.
struct ShellHooks {
    // Before the procedure handles a message; false drops the message unhandled.
    bool (*beforeMessage)(unsigned message, platform::WPARAM wParam);
    void (*afterMessage)(unsigned message, platform::WPARAM wParam);
    // In the start-up, once the scene is built: the game's own calls begin here.
    void (*sceneBuilt)();
};
extern const ShellHooks* shellHooks;

platform::LRESULT MainWindowProc(platform::HWND hwnd, unsigned message, platform::WPARAM wParam,
                                 platform::LPARAM lParam);

// The entry up to the message loop: clear the slots, seed the random source with tickCount, (when
// checkSingleInstance) leave if the game already runs, register the class, create and show the
// window. False when the entry is to return 0 at once.
bool OpenShell(std::uint32_t tickCount, bool checkSingleInstance);
// The message loop; returns the quit code.
int RunMessageLoop();
