// Window messages, their parameters and the few key and activation codes the game uses.
// The numbers are the classic desktop ones, so handlers read like their originals.
#pragma once

#include <cstdint>

namespace platform {

using WPARAM = std::uint64_t;
using LPARAM = std::int64_t;
using LRESULT = std::int64_t;

struct Window;
using HWND = Window*;

constexpr unsigned WM_CREATE = 1;
constexpr unsigned WM_DESTROY = 2;
constexpr unsigned WM_ACTIVATE = 6;
constexpr unsigned WM_PAINT = 15;
constexpr unsigned WM_CLOSE = 16;
constexpr unsigned WM_QUIT = 18;
constexpr unsigned WM_KEYDOWN = 256;
constexpr unsigned WM_INITDIALOG = 272;
constexpr unsigned WM_COMMAND = 273;
constexpr unsigned WM_MOUSEMOVE = 512;
constexpr unsigned WM_LBUTTONDOWN = 513;
constexpr unsigned WM_LBUTTONUP = 514;
constexpr unsigned WM_RBUTTONDOWN = 516;
constexpr unsigned WM_USER = 1024;

// WM_ACTIVATE: the low half of wParam; the high half is nonzero when the window is minimised.
constexpr unsigned WA_INACTIVE = 0;
constexpr unsigned WA_ACTIVE = 1;
constexpr unsigned WA_CLICKACTIVE = 2;
constexpr WPARAM MINIMISED_FLAG = WPARAM{1} << 16;

constexpr unsigned VK_RETURN = 13;
constexpr unsigned VK_ESCAPE = 27;
constexpr unsigned VK_SPACE = 32;

struct MSG {
    HWND hwnd = nullptr;
    unsigned message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

using WNDPROC = LRESULT (*)(HWND, unsigned, WPARAM, LPARAM);

}  // namespace platform
