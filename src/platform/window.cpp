// The window, its class and the message queue.
//
// One class and one window are what the game needs; the queue is the main thread's. Posting
// takes a lock and wakes the backend, so the timer thread and the endpoint thread may post.
// A destroyed window is freed at once, with the messages queued for it; a handle is looked up
// in the list of windows before every use, so a stale one (a message posted to a window as it
// went) reaches nothing.
#include <algorithm>
#include <atomic>
#include <cassert>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/display_mode.h"
#include "platform/platform.h"

namespace platform {

struct Window {
    WindowClass windowClass;
    bool invalid = false;
    bool iconic = false;
    bool active = false;
    bool destroyed = false;
    bool focused = false;   // what the backend last said of activation
    bool disabled = false;  // owner of a modal dialog: never the active window
    WPARAM lastActivation = WA_INACTIVE;
    int width = 0;
    int height = 0;
};

namespace {

struct State {
    std::unique_ptr<Backend> backend;
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::atomic<Window*> mainWindow{nullptr};

    std::mutex queueLock;
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
};

State& S() {
    static State state;
    return state;
}

const WindowClass* FindClass(std::string_view name) {
    for (const auto& c : S().classes) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

bool Live(HWND hwnd) {
    const auto& windows = S().windows;
    return std::any_of(windows.begin(), windows.end(),
                       [hwnd](const auto& w) { return w.get() == hwnd && !w->destroyed; });
}

}  // namespace

void SetBackend(std::unique_ptr<Backend> backend) {
    // Swapped under the queue's lock, which PostMessage holds while it wakes the backend: a post
    // from the endpoint's thread never meets a backend half gone.
    std::unique_ptr<Backend> old;
    {
        std::lock_guard lock(S().queueLock);
        old = std::exchange(S().backend, std::move(backend));
    }
}

Backend& CurrentBackend() {
    assert(S().backend && "platform::SetBackend must be called first");
    return *S().backend;
}

HWND MainWindow() {
    return S().mainWindow.load();
}

bool RegisterClass(const WindowClass& windowClass) {
    if (FindClass(windowClass.name) != nullptr) {
        return false;
    }
    if (!CurrentBackend().PublishClass(windowClass.name)) {
        return false;
    }
    S().classes.push_back(windowClass);
    return true;
}

void UnregisterClass(std::string_view className) {
    auto& classes = S().classes;
    const auto it = std::find_if(classes.begin(), classes.end(),
                                 [className](const WindowClass& c) { return c.name == className; });
    if (it != classes.end()) {
        classes.erase(it);
        CurrentBackend().WithdrawClass(className);
    }
}

bool FindWindow(std::string_view className) {
    for (const auto& w : S().windows) {
        if (!w->destroyed && w->windowClass.name == className) {
            return true;
        }
    }
    return CurrentBackend().ClassPublished(className);
}

HWND CreateWindowEx(std::string_view className, std::string_view title,
                    const WindowPlacement& placement) {
    const WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->windowClass = *windowClass;
    window->width = placement.width;
    window->height = placement.height;
    HWND hwnd = window.get();
    if (!CurrentBackend().OpenWindow(hwnd, title, placement, windowClass->iconResource)) {
        return nullptr;
    }
    S().windows.push_back(std::move(window));
    if (S().mainWindow.load() == nullptr) {
        S().mainWindow.store(hwnd);
    }
    hwnd->invalid = true;
    if (SendMessage(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

void ShowWindow(HWND hwnd) {
    if (Live(hwnd)) {
        CurrentBackend().ShowWindow(hwnd);
    }
}

void UpdateWindow(HWND hwnd) {
    if (Live(hwnd) && hwnd->invalid && !hwnd->iconic) {
        SendMessage(hwnd, WM_PAINT, 0, 0);
    }
}

void DestroyWindow(HWND hwnd) {
    if (!Live(hwnd)) {
        return;
    }
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    hwnd->destroyed = true;
    CurrentBackend().CloseWindow(hwnd);
    HWND main = hwnd;
    S().mainWindow.compare_exchange_strong(main, nullptr);
    {
        std::lock_guard lock(S().queueLock);
        std::erase_if(S().queue, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    }
    std::erase_if(S().windows, [hwnd](const auto& w) { return w.get() == hwnd; });
}

bool IsWindow(HWND hwnd) {
    return Live(hwnd);
}

std::size_t WindowCount() {
    return S().windows.size();
}

void PostMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(S().queueLock);
    S().queue.push_back({hwnd, message, wParam, lParam});
    if (S().backend) {
        S().backend->Wake();
    }
}

void PostQuitMessage(int exitCode) {
    std::lock_guard lock(S().queueLock);
    S().quitPosted = true;
    S().quitCode = exitCode;
    if (S().backend) {
        S().backend->Wake();
    }
}

LRESULT SendMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (!Live(hwnd)) {
        return 0;
    }
    return hwnd->windowClass.proc(hwnd, message, wParam, lParam);
}

namespace {

// Posted messages first; then the quit; then a paint of an invalid, visible window.
bool TakeNextMessage(MSG* msg, bool* quit) {
    State& s = S();
    {
        std::lock_guard lock(s.queueLock);
        if (!s.queue.empty()) {
            *msg = s.queue.front();
            s.queue.pop_front();
            return true;
        }
        if (s.quitPosted) {
            s.quitPosted = false;
            *msg = {nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0};
            *quit = true;
            return true;
        }
    }
    for (const auto& w : s.windows) {
        if (!w->destroyed && w->invalid && !w->iconic) {
            w->invalid = false;
            *msg = {w.get(), WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

}  // namespace

bool PeekMessage(MSG* msg) {
    CurrentBackend().PumpEvents(false);
    bool quit = false;
    return TakeNextMessage(msg, &quit);
}

bool GetMessage(MSG* msg) {
    Backend& backend = CurrentBackend();
    backend.PumpEvents(false);
    for (;;) {
        bool quit = false;
        if (TakeNextMessage(msg, &quit)) {
            return !quit;
        }
        backend.PumpEvents(true);
    }
}

LRESULT DispatchMessage(const MSG& msg) {
    return SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT DefWindowProc(HWND hwnd, unsigned message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
    }
    return 0;
}

void InvalidateRect(HWND hwnd) {
    if (Live(hwnd)) {
        hwnd->invalid = true;
        CurrentBackend().Invalidated(hwnd);
    }
}

bool GetClientRect(HWND hwnd, Rect* rect) {
    if (!Live(hwnd) || rect == nullptr) {
        return false;
    }
    *rect = {0, 0, hwnd->width, hwnd->height};
    return true;
}

bool IsIconic(HWND hwnd) {
    return Live(hwnd) && hwnd->iconic;
}

void BeginPaint(HWND hwnd) {
    if (Live(hwnd)) {
        hwnd->invalid = false;
    }
}

void EndPaint(HWND) {}

void NotifyActivation(HWND hwnd, bool active, bool minimised) {
    if (!Live(hwnd)) {
        return;
    }
    hwnd->focused = active;
    active = active && !hwnd->disabled;
    hwnd->iconic = minimised;
    if (!minimised) {
        hwnd->invalid = true;
    }
    const WPARAM wParam = (active ? WA_ACTIVE : WA_INACTIVE) | (minimised ? MINIMISED_FLAG : 0);
    CurrentBackend().ConfineCursor(hwnd, active && !minimised);
    if (wParam == hwnd->lastActivation && active == hwnd->active) {
        return;
    }
    hwnd->active = active;
    hwnd->lastActivation = wParam;
    PostMessage(hwnd, WM_ACTIVATE, wParam, 0);
}

HWND CreateDialogWindow(WNDPROC proc) {
    auto window = std::make_unique<Window>();
    window->windowClass.proc = proc;
    HWND hwnd = window.get();
    S().windows.push_back(std::move(window));
    return hwnd;
}

void EnableWindow(HWND hwnd, bool enable) {
    if (!Live(hwnd) || hwnd->disabled == !enable) {
        return;
    }
    hwnd->disabled = !enable;
    const bool active = enable && hwnd->focused && !hwnd->iconic;
    const WPARAM wParam = (active ? WA_ACTIVE : WA_INACTIVE) | (hwnd->iconic ? MINIMISED_FLAG : 0);
    CurrentBackend().ConfineCursor(hwnd, active);
    hwnd->active = active;
    hwnd->lastActivation = wParam;
    // Sent, not posted: messages already queued (ticks) find the window in its new state.
    SendMessage(hwnd, WM_ACTIVATE, wParam, 0);
}

void NotifyExposed(HWND hwnd) {
    if (Live(hwnd)) {
        hwnd->invalid = true;
    }
}

std::unique_ptr<GlSurface> Backend::CreateGlSurface(HWND) {
    return nullptr;
}

std::unique_ptr<DialogView> Backend::OpenDialogView(Dialog&) {
    return nullptr;
}

bool GetCursorPos(Point* point) {
    *point = CurrentBackend().CursorPos();
    return true;
}

bool SetCursorPos(int x, int y) {
    CurrentBackend().SetCursorPos({x, y});
    return true;
}

void ShowCursor(bool show) {
    CurrentBackend().ShowCursor(show);
}

}  // namespace platform
