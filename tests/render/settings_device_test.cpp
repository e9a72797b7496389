// The settings dialog over a real render device (OpenGL on SDL's offscreen video driver).
#include <gtest/gtest.h>

#include <tuple>

#include "platform/dialog.h"
#include "render/render.h"
#include "render/settings.h"
#include "retained/offscreen_window.h"

using namespace platform;

namespace {

// The real procedure, with the user's picks posted as it opens: gouraud, 4 shades, then OK.
LRESULT PickingProc(HWND dialog, unsigned message, WPARAM wParam, LPARAM lParam) {
    for (int id : {IDC_QUALITY_GOURAUD, IDC_SHADES_4, IDOK}) {
        if (message == WM_INITDIALOG) {
            PostMessage(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
    }
    return RenderSettingsDialogProc(dialog, message, wParam, lParam);
}

TEST(SettingsAndTheRunningDevice, OkChangesTheRecordButNotTheDevice) {
    ASSERT_TRUE(testing_support::StartOffscreenBackend());
    HWND window = testing_support::OpenOffscreenWindow(640, 480);
    ASSERT_TRUE(CreateRenderObjects(window) == 1 && CreateRenderDevice(window) == 1);
    retained::Device* device = renderObjects.device;
    const auto created = std::tuple(device->GetQuality(), device->GetShades(), device->GetDither());
    EXPECT_EQ(DialogBoxParam("dlg_render", window, PickingProc, 0), 1);
    EXPECT_EQ(std::pair(deviceSettings.quality, deviceSettings.shades),
              std::pair(retained::RENDER_GOURAUD, 4u));
    RenderPaint(window);
    EXPECT_EQ(renderObjects.device, device) << "no new device";
    EXPECT_EQ(std::tuple(device->GetQuality(), device->GetShades(), device->GetDither()), created);
    ReleaseRender();
}

}  // namespace
