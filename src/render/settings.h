// The render settings a player may change, and the settings dialog that changes them.
//
// RenderSettings is the user-facing view of deviceSettings (render.h). A change written here
// reaches the running device at once: its quality, shade count and dithering.
#pragma once

#include <cstdint>

#include "platform/dialog/dialog.h"
#include "platform/platform.h"

struct RenderSettings {
    std::uint32_t rgbModel = 0;      // 0 mono (ramp) colour model, 1 RGB
    std::uint32_t qualityIndex = 0;  // 0 flat, 1 gouraud, 2 phong
    std::uint32_t shades = 0;        // shade count; the dialog offers 4, 16, 32, 64 and 256
    std::uint32_t noDither = 0;      // nonzero: dithering off
    float field = 0.0f;              // the viewport's field value
    std::uint32_t shadows = 0;       // nonzero: shadows requested
};

// Control ids of the "dlg_render" template.
constexpr int IDC_APPLY = 3;
constexpr int IDC_QUALITY_FLAT = 1000;
constexpr int IDC_QUALITY_GOURAUD = 1001;
constexpr int IDC_QUALITY_LAST = 1002;  // the end of the quality range; no control has it
constexpr int IDC_SHADES_4 = 1003;
constexpr int IDC_SHADES_16 = 1004;
constexpr int IDC_SHADES_32 = 1005;
constexpr int IDC_SHADES_64 = 1006;
constexpr int IDC_SHADES_256 = 1007;
constexpr int IDC_DITHER = 1008;
constexpr int IDC_SHADOWS = 1009;

// The copy the dialog edits; refilled from GetRenderSettings each time the dialog opens.
extern RenderSettings dialogSettings;

RenderSettings GetRenderSettings();
// A qualityIndex outside 0..2 leaves the quality as it was. Applied to the running device.
void SetRenderSettings(RenderSettings settings);

// The procedure of the "dlg_render" dialog: OK and apply write dialogSettings back, cancel drops
// it; OK and cancel both end the dialog with 1.
platform::LRESULT RenderSettingsDialogProc(platform::HWND dialog, unsigned message,
                                           platform::WPARAM wParam, platform::LPARAM lParam);
