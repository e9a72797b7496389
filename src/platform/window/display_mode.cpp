// The display-mode object and the display's depth.
//
// Offers: GetDeviceBitsPerPixel, DirectDrawCreate, and DirectDraw (AddRef, Release,
// SetCooperativeLevel, SetDisplayMode, RestoreDisplayMode) over the backend's display calls.
#include <cassert>

#include "platform/window/display_mode.h"
#include "platform/window/window.h"

namespace platform {

int GetDeviceBitsPerPixel(HWND hwnd) {
    return CurrentBackend().BitsPerPixel(hwnd);
}

int DirectDrawCreate(DirectDraw** out) {
    if (out == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *out = new DirectDraw();
    return DD_OK;
}

DirectDraw::~DirectDraw() {
    RestoreDisplayMode();
}

unsigned DirectDraw::AddRef() {
    return ++references_;
}

unsigned DirectDraw::Release() {
    assert(references_ > 0 && "Release of a display object already destroyed");
    const unsigned left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

int DirectDraw::SetCooperativeLevel(HWND hwnd, unsigned flags) {
    if (!IsWindow(hwnd) || (flags & (DDSCL_NORMAL | DDSCL_FULLSCREEN)) == 0) {
        return DDERR_INVALIDPARAMS;
    }
    window_ = hwnd;
    return DD_OK;
}

int DirectDraw::SetDisplayMode(int width, int height, int bitsPerPixel) {
    if (window_ == nullptr) {
        return DDERR_NOCOOPERATIVELEVELSET;
    }
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (!CurrentBackend().SetDisplayMode(window_, width, height, bitsPerPixel)) {
        return DDERR_UNSUPPORTEDMODE;
    }
    modeChanged_ = true;
    return DD_OK;
}

int DirectDraw::RestoreDisplayMode() {
    if (modeChanged_) {
        // The window may be gone already; the backend then has nothing to give back.
        CurrentBackend().RestoreDisplayMode(window_);
        modeChanged_ = false;
    }
    return DD_OK;
}

}  // namespace platform
