// The settings dialog's procedure in the headless dialog host on the embedded "dlg_render"
// template, with the user's clicks and keys posted to the owner for the modal loop to run.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/dialog.h"
#include "platform/headless_backend.h"
#include "render/render.h"
#include "render/settings.h"

using namespace platform;
using namespace retained;

DeviceSettings deviceSettings;

namespace {

// Steps besides the ids of the controls clicked: 0 notes which are checked, then the keys.
constexpr int NOTE = 0, ENTER = -1, ESCAPE = -2, LEFT_OPEN = -3;
std::vector<int> checked;

LRESULT OwnerProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = OpenDialog();
    const auto step = static_cast<int>(wParam);
    if (message == WM_USER && dialog != nullptr) {
        for (std::size_t i = 0; i < dialog->Template().controls.size(); ++i) {
            const int id = dialog->Template().controls[i].id;
            if (step == NOTE && dialog->CheckState(i) == BST_CHECKED) {
                checked.push_back(id);
            }
            if (step == id) {
                dialog->Click(i);
            }
        }
        if (step == ENTER) {
            dialog->PressEnter();
        }
        if (step == ESCAPE || step == LEFT_OPEN) {
            EXPECT_NE(step, LEFT_OPEN) << "the steps left the dialog open";
            dialog->Cancel();
        }
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(SettingsDialog, ShowsTheRecordAndWritesBackWhatIsShownOnOkOrApplyOnly) {
    SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual));
    ASSERT_TRUE(RegisterClass({"SettingsOwner", OwnerProc, ""}));
    const HWND owner = CreateWindowEx("SettingsOwner", "owner", {.width = 640, .height = 480});
    constexpr unsigned MONO = COLOR_MONO, RGB = COLOR_RGB, FLAT = RENDER_FLAT, PHONG = RENDER_PHONG;
    constexpr unsigned GOURAUD = RENDER_GOURAUD;
    // A 16-bit display's defaults, and what the dialog shows of them.
    const DeviceSettings mono = {MONO, FLAT, 256, 256, 1, 1.2f, 1000, 1.1f, 1};
    const std::vector<int> shown = {IDC_QUALITY_FLAT, IDC_SHADES_256, IDC_SHADOWS};
    const DeviceSettings rgb = {RGB, GOURAUD, 32, 77, 1, 3.5f, 420, 0.7312f, 0};
    // The settings before, what the user does, the boxes shown checked, the settings after.
    const std::tuple<DeviceSettings, std::vector<int>, std::vector<int>, DeviceSettings> cases[] = {
        // clang-format off
        // The dithering box is the inverse of noDither.
        {mono, {IDC_DITHER, IDC_SHADOWS, IDOK}, shown,
         {MONO, FLAT, 256, 256, 0, 1.2f, 1000, 1.1f, 0}},
        {{MONO, PHONG, 4, 0, 0, 1, 2, 3, 0}, {IDC_DITHER, IDC_SHADOWS, IDOK},
         {IDC_SHADES_4, IDC_DITHER}, {MONO, PHONG, 4, 0, 1, 1, 2, 3, 1}},
        {rgb, {ENTER}, {IDC_QUALITY_GOURAUD, IDC_SHADES_32}, rgb},
        // Shade count 0 checks no button and is kept; any colour model but mono reads as RGB, any
        // quality but flat and gouraud as phong.
        {{7, RENDER_WIREFRAME, 0, 0, 1, 1, 2, 3, 0}, {IDOK}, {}, {RGB, PHONG, 0, 0, 1, 1, 2, 3, 0}},
        {mono, {IDC_QUALITY_GOURAUD, IDC_APPLY, IDC_SHADES_4, IDCANCEL}, shown,
         {MONO, GOURAUD, 256, 256, 1, 1.2f, 1000, 1.1f, 1}},
        {mono, {IDC_QUALITY_GOURAUD, IDC_SHADES_64, IDC_DITHER, IDC_SHADOWS, ESCAPE}, shown, mono},
        {mono, {IDC_QUALITY_GOURAUD, IDC_SHADES_16, IDOK}, shown,
         {MONO, GOURAUD, 16, 256, 1, 1.2f, 1000, 1.1f, 1}},
        // clang-format on
    };
    for (const auto& [before, steps, checks, after] : cases) {
        deviceSettings = before;
        checked.clear();
        PostMessage(owner, WM_USER, NOTE, 0);
        for (int step : steps) {
            PostMessage(owner, WM_USER, static_cast<WPARAM>(step), 0);
        }
        PostMessage(owner, WM_USER, static_cast<WPARAM>(LEFT_OPEN), 0);
        EXPECT_EQ(DialogBoxParam("dlg_render", owner, RenderSettingsDialogProc, 0), 1);
        for (MSG left; PeekMessage(&left);) {  // the steps after the one that ended it
        }
        EXPECT_EQ(checked, checks) << testing::PrintToString(steps);
        EXPECT_EQ(std::memcmp(&deviceSettings, &after, sizeof after), 0)
            << testing::PrintToString(steps);
    }
    SetRenderSettings({.qualityIndex = 3});
    EXPECT_EQ(deviceSettings.quality, RENDER_GOURAUD) << "a quality outside the table is ignored";
}

}  // namespace
