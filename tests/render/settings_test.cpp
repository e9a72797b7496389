// The render settings and the settings dialog's procedure, run in the headless dialog host on
// the embedded "dlg_render" template. A test scripts what the user does as steps, each posted to
// the owner and run while the dialog's modal loop dispatches it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless_backend.h"
#include "render/render.h"
#include "render/settings.h"

using namespace platform;

DeviceSettings deviceSettings;

namespace {

constexpr unsigned WM_SCRIPT = WM_USER + 100;

using Step = std::function<void(Dialog&)>;
std::vector<Step> steps;
std::vector<WPARAM> activations;
bool leftOpen = false;

LRESULT OwnerProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SCRIPT) {
        if (Dialog* dialog = OpenDialog()) {
            steps[wParam](*dialog);
        }
        return 0;
    }
    if (message == WM_ACTIVATE) {
        activations.push_back(wParam);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

void Click(Dialog& dialog, int id) {
    const auto& controls = dialog.Template().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == id) {
            dialog.Click(i);
            return;
        }
    }
    FAIL() << "no control " << id;
}

Step ClickOn(int id) {
    return [id](Dialog& dialog) { Click(dialog, id); };
}

std::vector<int> CheckedIds(const Dialog& dialog) {
    std::vector<int> ids;
    for (std::size_t i = 0; i < dialog.Template().controls.size(); ++i) {
        if (dialog.CheckState(i) == BST_CHECKED) {
            ids.push_back(dialog.Template().controls[i].id);
        }
    }
    return ids;
}

bool SameBytes(const DeviceSettings& a, const DeviceSettings& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class SettingsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual));
        ASSERT_TRUE(RegisterClass({"SettingsOwner", OwnerProc, ""}));
        owner = CreateWindowEx("SettingsOwner", "owner", {.width = 640, .height = 480});
        ASSERT_NE(owner, nullptr);
        NotifyActivation(owner, true, false);
        Drain();
        activations.clear();
        // A 16-bit display's defaults.
        deviceSettings = {.colorModel = retained::COLOR_MONO,
                          .quality = retained::RENDER_FLAT,
                          .shades = 256,
                          .textureColors = 256,
                          .noDither = 1,
                          .frontClip = 1.2f,
                          .backClip = 1000.0f,
                          .field = 1.1f,
                          .shadows = 1};
    }
    void TearDown() override {
        DestroyWindow(owner);
        Drain();
        UnregisterClass("SettingsOwner");
        SetBackend(nullptr);
    }
    void Drain() {
        MSG msg;
        while (PeekMessage(&msg)) {
            if (msg.message != WM_QUIT) {
                DispatchMessage(msg);
            }
        }
    }
    // Runs the dialog through the steps; a dialog the steps leave open is cancelled.
    LRESULT Run(std::vector<Step> script) {
        steps = std::move(script);
        steps.push_back([](Dialog& dialog) {
            leftOpen = true;
            dialog.Cancel();
        });
        leftOpen = false;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            PostMessage(owner, WM_SCRIPT, i, 0);
        }
        const LRESULT result = DialogBoxParam("dlg_render", owner, RenderSettingsDialogProc, 0);
        Drain();
        return result;
    }
    HWND owner = nullptr;
};

TEST_F(SettingsDialog, OkWithoutChangesWritesBackExactlyWhatWasRead) {
    deviceSettings = {.colorModel = retained::COLOR_RGB,
                      .quality = retained::RENDER_GOURAUD,
                      .shades = 32,
                      .textureColors = 77,
                      .noDither = 1,
                      .frontClip = 3.5f,
                      .backClip = 420.0f,
                      .field = 0.7312f,
                      .shadows = 0};
    const DeviceSettings before = deviceSettings;
    std::vector<int> checked;
    EXPECT_EQ(Run({[&](Dialog& d) { checked = CheckedIds(d); }, ClickOn(IDOK)}), 1);
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(checked, (std::vector<int>{IDC_QUALITY_GOURAUD, IDC_SHADES_32}));
    EXPECT_TRUE(SameBytes(deviceSettings, before));
}

TEST_F(SettingsDialog, OpeningShowsTheSettingsOfTheDeviceRecord) {
    std::vector<int> checked;
    Run({[&](Dialog& d) { checked = CheckedIds(d); }, ClickOn(IDCANCEL)});
    // flat, 256 shades, dithering off (box clear), shadows on
    EXPECT_EQ(checked, (std::vector<int>{IDC_QUALITY_FLAT, IDC_SHADES_256, IDC_SHADOWS}));

    deviceSettings.quality = retained::RENDER_PHONG;
    deviceSettings.noDither = 0;
    deviceSettings.shadows = 0;
    deviceSettings.shades = 4;
    Run({[&](Dialog& d) { checked = CheckedIds(d); }, ClickOn(IDCANCEL)});
    // phong has no button of its own
    EXPECT_EQ(checked, (std::vector<int>{IDC_SHADES_4, IDC_DITHER}));
}

TEST_F(SettingsDialog, ShadeCountZeroChecksNoShadeButtonAndOkWritesZeroBack) {
    deviceSettings.shades = 0;
    deviceSettings.textureColors = 0;
    std::vector<int> checked;
    Run({[&](Dialog& d) { checked = CheckedIds(d); }, ClickOn(IDOK)});
    EXPECT_EQ(checked, (std::vector<int>{IDC_QUALITY_FLAT, IDC_SHADOWS}));
    EXPECT_EQ(deviceSettings.shades, 0u);

    deviceSettings.shades = 100;  // a count no button offers, kept unless one is picked
    Run({ClickOn(IDOK)});
    EXPECT_EQ(deviceSettings.shades, 100u);
    Run({ClickOn(IDC_SHADES_16), ClickOn(IDOK)});
    EXPECT_EQ(deviceSettings.shades, 16u);
}

TEST_F(SettingsDialog, DitheringBoxIsTheInverseOfNoDither) {
    deviceSettings.noDither = 0;
    unsigned shown = BST_UNCHECKED;
    Run({[&](Dialog& d) { shown = IsDlgButtonChecked(d.Handle(), IDC_DITHER); },
         ClickOn(IDC_DITHER), ClickOn(IDOK)});
    EXPECT_EQ(shown, BST_CHECKED);
    EXPECT_EQ(deviceSettings.noDither, 1u);  // unchecked: dithering off

    Run({[&](Dialog& d) { shown = IsDlgButtonChecked(d.Handle(), IDC_DITHER); },
         ClickOn(IDC_DITHER), ClickOn(IDOK)});
    EXPECT_EQ(shown, BST_UNCHECKED);
    EXPECT_EQ(deviceSettings.noDither, 0u);  // checked: dithering on
}

TEST_F(SettingsDialog, ShadowsBoxFollowsItsCheck) {
    Run({ClickOn(IDC_SHADOWS), ClickOn(IDOK)});
    EXPECT_EQ(deviceSettings.shadows, 0u);
    Run({ClickOn(IDC_SHADOWS), ClickOn(IDOK)});
    EXPECT_EQ(deviceSettings.shadows, 1u);
}

TEST_F(SettingsDialog, ApplyWritesAtOnceAndCancelAfterwardsKeepsTheAppliedValues) {
    std::uint32_t qualityAfterApply = 0;
    const LRESULT result = Run({ClickOn(IDC_QUALITY_GOURAUD), ClickOn(IDC_APPLY),
                                [&](Dialog& d) {
                                    qualityAfterApply = deviceSettings.quality;
                                    EXPECT_FALSE(d.Ended()) << "apply leaves the dialog open";
                                },
                                ClickOn(IDC_SHADES_4), ClickOn(IDCANCEL)});
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(qualityAfterApply, retained::RENDER_GOURAUD);
    EXPECT_EQ(deviceSettings.quality, retained::RENDER_GOURAUD);
    EXPECT_EQ(deviceSettings.shades, 256u) << "the pick after apply was cancelled";
}

TEST_F(SettingsDialog, CancelWritesNothing) {
    const DeviceSettings before = deviceSettings;
    Run({ClickOn(IDC_QUALITY_GOURAUD), ClickOn(IDC_SHADES_64), ClickOn(IDC_DITHER),
         ClickOn(IDC_SHADOWS), ClickOn(IDCANCEL)});
    EXPECT_TRUE(SameBytes(deviceSettings, before));
}

TEST_F(SettingsDialog, EnterPressesOkAndEscapeCancels) {
    Run({ClickOn(IDC_SHADES_16), [](Dialog& d) { d.PressEnter(); }});
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(deviceSettings.shades, 16u);
    Run({ClickOn(IDC_SHADES_4), [](Dialog& d) { d.Cancel(); }});
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(deviceSettings.shades, 16u);
}

TEST_F(SettingsDialog, CommandsAreReadByTheirLowWordAndAnswerAsTabled) {
    std::vector<LRESULT> answers;
    Run({[&](Dialog& d) {
        const auto send = [&](WPARAM w) {
            answers.push_back(SendMessage(d.Handle(), WM_COMMAND, w, 0));
        };
        CheckRadioButton(d.Handle(), IDC_QUALITY_FLAT, IDC_QUALITY_LAST, IDC_QUALITY_GOURAUD);
        send((5u << 16) | IDC_QUALITY_GOURAUD);  // a notification code in the high word
        send(IDC_APPLY);
        send(4242);
        answers.push_back(SendMessage(d.Handle(), WM_USER, 0, 0));
        send(IDOK);
    }});
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(answers, (std::vector<LRESULT>{FALSE, FALSE, FALSE, FALSE, TRUE}));
    EXPECT_EQ(deviceSettings.quality, retained::RENDER_GOURAUD);
}

TEST_F(SettingsDialog, OwnerIsInactiveWhileTheDialogIsOpen) {
    Run({ClickOn(IDOK)});
    EXPECT_EQ(activations, (std::vector<WPARAM>{WA_INACTIVE, WA_ACTIVE}));
}

TEST(RenderSettings, ReadOutOfTheDeviceRecord) {
    deviceSettings = {.colorModel = retained::COLOR_MONO,
                      .quality = retained::RENDER_FLAT,
                      .shades = 16,
                      .textureColors = 8,
                      .noDither = 0,
                      .frontClip = 1.2f,
                      .backClip = 1000.0f,
                      .field = 2.5f,
                      .shadows = 1};
    RenderSettings s = GetRenderSettings();
    EXPECT_EQ(s.rgbModel, 0u);
    EXPECT_EQ(s.qualityIndex, 0u);
    EXPECT_EQ(s.shades, 16u);
    EXPECT_EQ(s.noDither, 0u);
    EXPECT_EQ(s.field, 2.5f);
    EXPECT_EQ(s.shadows, 1u);

    // Any colour model but mono counts as RGB; any quality but flat and gouraud as phong.
    deviceSettings.colorModel = 7;
    deviceSettings.quality = retained::RENDER_WIREFRAME;
    s = GetRenderSettings();
    EXPECT_EQ(s.rgbModel, 1u);
    EXPECT_EQ(s.qualityIndex, 2u);
    deviceSettings.quality = retained::RENDER_GOURAUD;
    EXPECT_EQ(GetRenderSettings().qualityIndex, 1u);
}

TEST(RenderSettings, WrittenIntoTheDeviceRecordLeavingClipsAndTextureColours) {
    deviceSettings = {.colorModel = retained::COLOR_MONO,
                      .quality = retained::RENDER_FLAT,
                      .shades = 16,
                      .textureColors = 8,
                      .noDither = 0,
                      .frontClip = 1.2f,
                      .backClip = 1000.0f,
                      .field = 1.1f,
                      .shadows = 1};
    SetRenderSettings({.rgbModel = 5,
                       .qualityIndex = 2,
                       .shades = 64,
                       .noDither = 1,
                       .field = 0.5f,
                       .shadows = 0});
    EXPECT_EQ(deviceSettings.colorModel, retained::COLOR_RGB);
    EXPECT_EQ(deviceSettings.quality, retained::RENDER_PHONG);
    EXPECT_EQ(deviceSettings.shades, 64u);
    EXPECT_EQ(deviceSettings.noDither, 1u);
    EXPECT_EQ(deviceSettings.field, 0.5f);
    EXPECT_EQ(deviceSettings.shadows, 0u);
    EXPECT_EQ(deviceSettings.textureColors, 8u);
    EXPECT_EQ(deviceSettings.frontClip, 1.2f);
    EXPECT_EQ(deviceSettings.backClip, 1000.0f);

    SetRenderSettings({.rgbModel = 0, .qualityIndex = 1});
    EXPECT_EQ(deviceSettings.colorModel, retained::COLOR_MONO);
    EXPECT_EQ(deviceSettings.quality, retained::RENDER_GOURAUD);
}

TEST(RenderSettings, QualityIndexOutsideTheTableLeavesQualityAlone) {
    for (std::uint32_t index : {3u, 17u, 0xFFFFFFFFu}) {
        deviceSettings.quality = retained::RENDER_GOURAUD;
        SetRenderSettings({.qualityIndex = index, .shades = 4});
        EXPECT_EQ(deviceSettings.quality, retained::RENDER_GOURAUD) << index;
        EXPECT_EQ(deviceSettings.shades, 4u) << "the other fields are still written";
    }
}

}  // namespace
