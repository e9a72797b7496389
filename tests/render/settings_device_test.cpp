// The settings dialog over a real render device (OpenGL through SDL's offscreen video driver):
// what OK writes changes the record only; the running device keeps what it was created with.
#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "render/render.h"
#include "render/settings.h"
#include "retained/offscreen_window.h"

using namespace platform;

namespace {

// The real procedure, with the user's picks posted to it as it opens: gouraud, 4 shades, the
// dithering box (its state left as opened), then OK.
LRESULT PickingProc(HWND dialog, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        for (int id : {IDC_QUALITY_GOURAUD, IDC_SHADES_4, IDOK}) {
            PostMessage(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
    }
    return RenderSettingsDialogProc(dialog, message, wParam, lParam);
}

TEST(SettingsAndTheRunningDevice, OkChangesTheRecordButNotTheDevice) {
    ASSERT_TRUE(testing_support::StartOffscreenBackend());
    HWND window = testing_support::OpenOffscreenWindow(640, 480);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(CreateRenderObjects(window), 1);
    ASSERT_EQ(CreateRenderDevice(window), 1);
    retained::Device* device = renderObjects.device;
    const unsigned quality = device->GetQuality();
    const unsigned shades = device->GetShades();
    const bool dither = device->GetDither();
    ASSERT_EQ(deviceSettings.quality, retained::RENDER_FLAT);

    EXPECT_EQ(DialogBoxParam("dlg_render", window, PickingProc, 0), 1);
    EXPECT_EQ(deviceSettings.quality, retained::RENDER_GOURAUD);
    EXPECT_EQ(deviceSettings.shades, 4u);

    RenderPaint(window);
    EXPECT_EQ(renderObjects.device, device) << "no new device";
    EXPECT_EQ(device->GetQuality(), quality);
    EXPECT_EQ(device->GetShades(), shades);
    EXPECT_EQ(device->GetDither(), dither);
    ReleaseRender();
    DestroyWindow(window);
}

}  // namespace
