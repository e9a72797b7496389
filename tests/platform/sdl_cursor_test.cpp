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

// Moves the pointer from outside; true once a mouse message reads the cursor there (a loaded
// machine may take seconds to bring it).
bool ReadAfterMove(int x, int y) {
    const std::string command = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y);
    EXPECT_EQ(std::system(command.c_str()), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (std::chrono::steady_clock::now() < deadline) {
        while (PeekMessage(&msg)) {
            DispatchMessage(msg);
        }
        if (lastMoveCursor.x == x && lastMoveCursor.y == y) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
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
    EXPECT_TRUE(ReadAfterMove(100, 300));
    EXPECT_TRUE(ReadAfterMove(470, 300));
    EXPECT_TRUE(ReadAfterMove(170, 360));
    SetCursorPos(320, 240);
    EXPECT_TRUE(ReadAfterMove(400, 200)) << lastMoveCursor.x << "," << lastMoveCursor.y;
    DestroyWindow(hwnd);
    UnregisterClass("CursorTest");
    SetBackend(nullptr);
}

}  // namespace
