// The window, its class and the message queue.
//
// One class and one window are what the game needs; the queue is the main thread's. Posting
// takes a lock and wakes the backend, so the timer thread and the endpoint thread may post.
// A destroyed window is freed at once, with the messages queued for it; a handle is looked up
// in the list of windows before every use, so a stale one (a message posted to a window as it
// went) reaches nothing. A window whose frames follow the display (PaceFrames) is painted only
// when its pacer says the next frame is due, the loop waiting until then; a display that calls
// for frames itself (a page) is asked for the next one.
#include <algorithm>
#include <atomic>
#include <cassert>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/timer/timer.h"
#include "platform/window/display_mode.h"
#include "platform/window/frame_pacer.h"
#include "platform/window/window.h"

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

    // Painted at the display's refresh (PaceFrames): a paint when the pacer says it is due.
    std::unique_ptr<FramePacer> pacer;  // null: painted as soon as the queue is empty
    double rate = 0;                    // the rate asked for; 0: the display's
    FramePacer::TimePoint askedAt;      // when the frame now wanted was asked for
    FramePacer::TimePoint rateReadAt;   // the display's rate is read again now and then
    bool followPointer = false;
    bool frameAsked = false;   // of a backend that calls for frames: asked, the call not yet come
    bool frameCalled = false;  // the call came
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

// A paced window remembers when its next frame was first asked for: the pacer learns from it
// whether frames are drawn back to back.
void MarkInvalid(Window* w) {
    if (w->pacer != nullptr && !w->invalid) {
        w->askedAt = ClockNow();
    }
    w->invalid = true;
}

constexpr double DEFAULT_REFRESH_RATE = 60;

FramePacer::Duration PeriodOf(Window* w) {
    double rate = w->rate > 0 ? w->rate : CurrentBackend().RefreshRate(w);
    if (!(rate > 0)) {
        rate = DEFAULT_REFRESH_RATE;
    }
    return std::chrono::duration_cast<FramePacer::Duration>(
        std::chrono::duration<double>(1 / rate));
}

// Whether the invalid window w may be painted now; when it may not, *due is the time it may
// (unless its display calls for the frame itself).
bool FrameDue(Window* w, std::optional<FramePacer::TimePoint>* due) {
    if (w->pacer == nullptr) {
        return true;
    }
    Backend& backend = CurrentBackend();
    if (backend.CallsForFrames()) {
        if (w->frameCalled) {
            w->frameCalled = false;
            return true;
        }
        if (!w->frameAsked) {
            w->frameAsked = true;
            backend.AskForFrame(w);
        }
        return false;
    }
    const FramePacer::TimePoint now = ClockNow();
    const FramePacer::TimePoint when = w->pacer->Due(now);
    if (when <= now) {
        return true;
    }
    if (!due->has_value() || when < **due) {
        *due = when;
    }
    return false;
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

// Posted messages first; then the quit; then a paint of an invalid, visible window whose frame
// is due (*due: when the earliest frame that is not will be).
bool TakeNextMessage(MSG* msg, bool* quit, std::optional<FramePacer::TimePoint>* due) {
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
        if (!w->destroyed && w->invalid && !w->iconic && FrameDue(w.get(), due)) {
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
    std::optional<FramePacer::TimePoint> due;
    return TakeNextMessage(msg, &quit, &due);
}

bool GetMessage(MSG* msg) {
    Backend& backend = CurrentBackend();
    backend.PumpEvents(false);
    for (;;) {
        bool quit = false;
        std::optional<FramePacer::TimePoint> due;
        if (TakeNextMessage(msg, &quit, &due)) {
            return !quit;
        }
        if (due.has_value()) {
            backend.PumpEventsUntil(*due);
        } else {
            backend.PumpEvents(true);
        }
    }
}

LRESULT DispatchMessage(const MSG& msg) {
    HWND hwnd = msg.hwnd;
    if (!Live(hwnd) || hwnd->pacer == nullptr) {
        return SendMessage(hwnd, msg.message, msg.wParam, msg.lParam);
    }
    if (msg.message != WM_PAINT) {
        const LRESULT result = SendMessage(hwnd, msg.message, msg.wParam, msg.lParam);
        if (msg.message == WM_MOUSEMOVE && Live(hwnd) && hwnd->followPointer) {
            RequestFrame(hwnd);
        }
        return result;
    }
    const FramePacer::TimePoint start = ClockNow();
    if (start - hwnd->rateReadAt >= std::chrono::seconds(1)) {
        hwnd->pacer->SetPeriod(PeriodOf(hwnd));  // the window may have moved to another display
        hwnd->rateReadAt = start;
    }
    const FramePacer::TimePoint asked = hwnd->askedAt;
    const LRESULT result = SendMessage(hwnd, msg.message, msg.wParam, msg.lParam);
    if (Live(hwnd)) {
        hwnd->pacer->Drew(asked, start, ClockNow());
    }
    return result;
}

LRESULT DefWindowProc(HWND hwnd, unsigned message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
    }
    return 0;
}

void InvalidateRect(HWND hwnd) {
    if (Live(hwnd)) {
        MarkInvalid(hwnd);
        CurrentBackend().Invalidated(hwnd);
    }
}

void PaceFrames(HWND hwnd, double rate) {
    if (!Live(hwnd)) {
        return;
    }
    hwnd->rate = rate;
    hwnd->pacer = std::make_unique<FramePacer>(PeriodOf(hwnd));
    hwnd->rateReadAt = ClockNow();
    CurrentBackend().SyncToRefresh(hwnd);
}

void RequestFrame(HWND hwnd) {
    if (Live(hwnd)) {
        MarkInvalid(hwnd);
    }
}

void FollowPointer(HWND hwnd, bool follow) {
    if (Live(hwnd)) {
        hwnd->followPointer = follow;
    }
}

Point PointerPosition() {
    return CurrentBackend().PointerPos();
}

std::chrono::steady_clock::time_point ClockNow() {
    return CurrentBackend().Clock().Now();
}

void NotifyFrameCalled(HWND hwnd) {
    if (Live(hwnd)) {
        hwnd->frameAsked = false;
        hwnd->frameCalled = true;
        CurrentBackend().Wake();
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
        MarkInvalid(hwnd);
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
        MarkInvalid(hwnd);
    }
}

std::unique_ptr<GlSurface> Backend::CreateGlSurface(HWND) {
    return nullptr;
}

// Without a backend's view the dialog runs on what its caller does to it.
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
