// The SDL backend's cursor on a real X server (Xvfb): pointer moves made by another client
// (xdotool, through XTest) are what GetCursorPos reports when their mouse messages arrive.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/sdl_backend.h"

using namespace platform;

namespace {

Point lastMoveCursor{-1, -1};

LRESULT CursorProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        GetCursorPos(&lastMoveCursor);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// Moves the pointer from outside and returns the cursor as read at the last mouse message.
Point MoveAndRead(int x, int y) {
    const std::string command = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y);
    EXPECT_EQ(std::system(command.c_str()), 0);
    lastMoveCursor = {-1, -1};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    MSG msg;
    while (std::chrono::steady_clock::now() < deadline &&
           (lastMoveCursor.x != x || lastMoveCursor.y != y)) {
        while (PeekMessage(&msg)) {
            DispatchMessage(msg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return lastMoveCursor;
}

TEST(SdlCursor, FollowsPointerMovesMadeByAnotherClient) {
    auto backend = MakeSdlBackend();
    ASSERT_NE(backend, nullptr) << "no X display";
    SetBackend(std::move(backend));
    ASSERT_TRUE(RegisterClass({"CursorTest", CursorProc, ""}));
    HWND hwnd =
        CreateWindowEx("CursorTest", "cursor", {.x = 0, .y = 0, .width = 640, .height = 480});
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd);
    // Back and forth, and after a warp of our own: each reading is the newest position.
    for (const Point target : {Point{100, 300}, Point{470, 300}, Point{170, 360}}) {
        const Point read = MoveAndRead(target.x, target.y);
        EXPECT_EQ(read.x, target.x);
        EXPECT_EQ(read.y, target.y);
    }
    SetCursorPos(320, 240);
    const Point read = MoveAndRead(400, 200);
    EXPECT_EQ(read.x, 400);
    EXPECT_EQ(read.y, 200);
    DestroyWindow(hwnd);
    UnregisterClass("CursorTest");
    SetBackend(nullptr);
}

}  // namespace
