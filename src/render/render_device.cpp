// Until the 3D layer exists the device is a black window: start-up succeeds, painting draws
// nothing.
#include "render/render.h"

int CreateRenderObjects(platform::HWND) {
    return 1;
}
int CreateRenderDevice(platform::HWND) {
    return 1;
}
void RenderActivate(platform::WPARAM) {}
void RenderPaint(platform::HWND) {}
void ReleaseRender() {}
