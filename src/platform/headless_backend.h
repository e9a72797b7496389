// The headless backend: windows without pixels, a cursor that is only a number, no endpoint.
// Tests and puckwind-sim drive it by posting messages; Wake() ends a wait.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/timer/timer.h"
#include "platform/window/window.h"

namespace platform {

class HeadlessBackend : public Backend {
  public:
    enum class Ticks { Real, Manual };
    // With Ticks::Manual a timer is accepted but never fires: whoever drives the backend posts
    // the timer's messages itself, so a run is the same every time. With Ticks::Real timers
    // run on clock, or on the steady clock when it is null.
    explicit HeadlessBackend(Ticks ticks = Ticks::Real, TimerClock* clock = nullptr)
        : ticks_(ticks), clock_(clock) {}

    bool OpenWindow(HWND, std::string_view, const WindowPlacement&, std::string_view) override {
        return true;
    }
    void ShowWindow(HWND) override {}
    void CloseWindow(HWND) override {}
    void PumpEvents(bool wait) override;
    // On a clock of its own (a test's) nothing waits: the test moves the clock.
    void PumpEventsUntil(std::chrono::steady_clock::time_point deadline) override;
    void Wake() override;
    Point CursorPos() override { return cursor_; }
    void SetCursorPos(Point point) override { cursor_ = point; }
    void ShowCursor(bool show) override { cursorShown_ = show; }
    void ConfineCursor(HWND, bool) override {}
    bool PublishClass(std::string_view) override { return true; }
    bool ClassPublished(std::string_view) override { return false; }

    unsigned StartTimer(unsigned delay, TimerCallback callback, std::uintptr_t user) override;
    void StopTimer(unsigned id) override;
    TimerClock& Clock() override { return clock_ != nullptr ? *clock_ : Backend::Clock(); }

    bool CursorShown() const { return cursorShown_; }
    bool TimerRunning() const { return manualTimers_ > 0; }

  private:
    Ticks ticks_;
    TimerClock* clock_;
    int manualTimers_ = 0;
    Point cursor_;
    bool cursorShown_ = true;
    std::mutex lock_;
    std::condition_variable woken_;
    bool wakePending_ = false;
};

}  // namespace platform
