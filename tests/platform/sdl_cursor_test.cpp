// The SDL backend's cursor on a real X server (Xvfb), in the picture's pixels: a pointer moved by
// another client (xdotool, through XTest) reads, when its mouse message arrives, as the pixel of
// the picture under it, through the picture's scale and the bars beside or above it; a point of
// the picture the game sets reads back as itself at any scale.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/sdl/sdl_backend.h"
#include "platform/window/window.h"

using namespace platform;

namespace {

Point lastMoveCursor{-1, -1};

LRESULT CursorProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        GetCursorPos(&lastMoveCursor);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// True once a mouse message reads the cursor at `want` (a loaded machine may take seconds to
// bring it).
bool ReadsCursorAt(Point want) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (std::chrono::steady_clock::now() < deadline) {
        while (PeekMessage(&msg)) {
            DispatchMessage(msg);
        }
        if (lastMoveCursor.x == want.x && lastMoveCursor.y == want.y) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Each window stands for a screen of its size, the picture as large as fits in its middle: the
// pointer on the screen reads as the pixel `under` it, and the point `set` reads back as itself.
struct Screen {
    WindowPlacement window;
    Point pointer, under, set;
};
const Screen screens[] = {
    // Portrait: 1080 x 810 from y 555, 1.6875 to a pixel; 101 is 170.4, set at 171.
    {{.x = 0, .y = 0, .width = 1080, .height = 1920}, {540, 1163}, {320, 360}, {101, 303}},
    // 1024 x 768 from x 171, 1.6 to a pixel: 319 is 510.4, 201 is 321.6.
    {{.x = 0, .y = 0, .width = 1366, .height = 768}, {333, 485}, {101, 303}, {319, 201}},
    // A whole scale, at the window's place: where rounding up and a floor plus one differ.
    {{.x = 300, .y = 200, .width = 640, .height = 480}, {310, 220}, {10, 20}, {630, 470}},
};

TEST(SdlCursor, ReadsAndSetsPicturePixelsThroughTheBars) {
    auto backend = MakeSdlBackend();
    ASSERT_NE(backend, nullptr) << "no X display";
    SetBackend(std::move(backend));
    ASSERT_TRUE(RegisterClass({"CursorTest", CursorProc, ""}));
    for (const auto& [at, pointer, under, set] : screens) {
        SCOPED_TRACE(testing::Message()
                     << at.width << "x" << at.height << "+" << at.x << "+" << at.y);
        HWND hwnd = CreateWindowEx("CursorTest", "cursor", at);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd);
        lastMoveCursor = {-1, -1};
        const std::string move =
            "xdotool mousemove " + std::to_string(pointer.x) + " " + std::to_string(pointer.y);
        ASSERT_EQ(std::system(move.c_str()), 0);
        EXPECT_TRUE(ReadsCursorAt(under)) << "read " << lastMoveCursor.x << "," << lastMoveCursor.y;
        lastMoveCursor = {-1, -1};
        SetCursorPos(set.x, set.y);
        EXPECT_TRUE(ReadsCursorAt(set)) << "read " << lastMoveCursor.x << "," << lastMoveCursor.y;
        DestroyWindow(hwnd);
    }
    UnregisterClass("CursorTest");
    SetBackend(nullptr);
}

}  // namespace
