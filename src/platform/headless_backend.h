// The headless backend: windows without pixels, a cursor that is only a number, no endpoint.
// Tests and puckwind-sim drive it by posting messages; Wake() ends a wait.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/platform.h"

namespace platform {

class HeadlessBackend : public Backend {
public:
    bool OpenWindow(HWND, std::string_view, const WindowPlacement&, std::string_view) override {
        return true;
    }
    void ShowWindow(HWND) override {}
    void CloseWindow(HWND) override {}
    void PumpEvents(bool wait) override;
    void Wake() override;
    Point CursorPos() override { return cursor_; }
    void SetCursorPos(Point point) override { cursor_ = point; }
    void ShowCursor(bool show) override { cursorShown_ = show; }
    void ConfineCursor(HWND, bool) override {}
    bool PublishClass(std::string_view) override { return true; }
    bool ClassPublished(std::string_view) override { return false; }

    bool CursorShown() const { return cursorShown_; }

private:
    Point cursor_;
    bool cursorShown_ = true;
    std::mutex lock_;
    std::condition_variable woken_;
    bool wakePending_ = false;
};

}  // namespace platform
