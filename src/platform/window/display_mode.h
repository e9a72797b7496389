// The display: its depth, the window's client size, and a display-mode object that gives the
// window a display of its own mode while it lives.
//
// Offers: GetDeviceBitsPerPixel (a window's or the screen's bits per pixel), GetClientRect, the
// DDBD_ depth flags, and DirectDraw (created by DirectDrawCreate; SetCooperativeLevel,
// SetDisplayMode granted when the backend can give the window that display, given up on
// RestoreDisplayMode or the last Release). Results: 0 on success, nonzero on failure. The SDL
// backend grants 640 x 480 as a virtual display: the window fills its screen at the screen's own
// mode and the picture is scaled into it, while the client rect stays 640 x 480.
#pragma once

#include "platform/platform.h"

namespace platform {

// Render-depth flags: which bits per pixel a driver can draw at.
constexpr unsigned DDBD_1 = 0x4000;
constexpr unsigned DDBD_2 = 0x2000;
constexpr unsigned DDBD_4 = 0x1000;
constexpr unsigned DDBD_8 = 0x0800;
constexpr unsigned DDBD_16 = 0x0400;
constexpr unsigned DDBD_24 = 0x0200;
constexpr unsigned DDBD_32 = 0x0100;

constexpr unsigned DDSCL_FULLSCREEN = 0x1;
constexpr unsigned DDSCL_NORMAL = 0x8;

constexpr int DD_OK = 0;
constexpr int DDERR_INVALIDPARAMS = 1;
constexpr int DDERR_UNSUPPORTEDMODE = 2;
constexpr int DDERR_NOCOOPERATIVELEVELSET = 3;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Bits per pixel of the window's surface, or of the screen for a null window.
int GetDeviceBitsPerPixel(HWND hwnd);
// The window's client area, from (0, 0); false when hwnd is not a live window.
bool GetClientRect(HWND hwnd, Rect* rect);

class DirectDraw {
  public:
    DirectDraw() = default;
    DirectDraw(const DirectDraw&) = delete;
    DirectDraw& operator=(const DirectDraw&) = delete;

    unsigned AddRef();
    // The last release gives the display back, if this object took it.
    unsigned Release();

    // DDSCL_NORMAL (windowed) or DDSCL_FULLSCREEN; hwnd must be a live window.
    int SetCooperativeLevel(HWND hwnd, unsigned flags);
    // The window of the cooperative level gets a width x height display (at bpp) of its own.
    // DDERR_UNSUPPORTEDMODE when the backend cannot give it (nothing changes then).
    int SetDisplayMode(int width, int height, int bitsPerPixel);
    int RestoreDisplayMode();
    bool ModeChanged() const { return modeChanged_; }

  private:
    ~DirectDraw();
    unsigned references_ = 1;
    HWND window_ = nullptr;
    bool modeChanged_ = false;
};

int DirectDrawCreate(DirectDraw** out);

}  // namespace platform
