#include "render/settings.h"

#include "render/render.h"

using namespace platform;

RenderSettings dialogSettings;

namespace {

// The shade counts the dialog offers, in the order of their buttons from IDC_SHADES_4 on.
constexpr std::uint32_t OFFERED_SHADES[] = {4, 16, 32, 64, 256};

// The button of a shade count; 0, which no control has, for a count the dialog does not offer.
int ShadesButton(std::uint32_t shades) {
    for (int i = 0; i < 5; ++i) {
        if (OFFERED_SHADES[i] == shades) {
            return IDC_SHADES_4 + i;
        }
    }
    return 0;
}

void InitDialog(HWND dialog) {
    dialogSettings = GetRenderSettings();
    // qualityIndex 2 names 1002, which no button has: nothing is checked for phong.
    CheckRadioButton(dialog, IDC_QUALITY_FLAT, IDC_QUALITY_LAST,
                     IDC_QUALITY_FLAT + static_cast<int>(dialogSettings.qualityIndex));
    CheckRadioButton(dialog, IDC_SHADES_4, IDC_SHADES_256, ShadesButton(dialogSettings.shades));
    // The box shows dithering switched on: the inverse of noDither.
    CheckDlgButton(dialog, IDC_DITHER, dialogSettings.noDither == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SHADOWS, dialogSettings.shadows != 0 ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The auto buttons have changed their own state before the command arrives: only mirror it.
LRESULT Command(HWND dialog, int id) {
    switch (id) {
        case IDOK:
            SetRenderSettings(dialogSettings);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_APPLY:
            SetRenderSettings(dialogSettings);
            return FALSE;
        case IDC_QUALITY_FLAT:
        case IDC_QUALITY_GOURAUD:
            dialogSettings.qualityIndex = static_cast<std::uint32_t>(id - IDC_QUALITY_FLAT);
            return FALSE;
        case IDC_SHADES_4:
        case IDC_SHADES_16:
        case IDC_SHADES_32:
        case IDC_SHADES_64:
        case IDC_SHADES_256:
            dialogSettings.shades = OFFERED_SHADES[id - IDC_SHADES_4];
            return FALSE;
        case IDC_DITHER:
            dialogSettings.noDither = Checked(dialog, IDC_DITHER) ? 0 : 1;
            return FALSE;
        case IDC_SHADOWS:
            dialogSettings.shadows = Checked(dialog, IDC_SHADOWS) ? 1 : 0;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

RenderSettings GetRenderSettings() {
    RenderSettings settings;
    settings.rgbModel = deviceSettings.colorModel == retained::COLOR_MONO ? 0 : 1;
    if (deviceSettings.quality == retained::RENDER_FLAT) {
        settings.qualityIndex = 0;
    } else if (deviceSettings.quality == retained::RENDER_GOURAUD) {
        settings.qualityIndex = 1;
    } else {
        settings.qualityIndex = 2;
    }
    settings.shades = deviceSettings.shades;
    settings.noDither = deviceSettings.noDither;
    settings.field = deviceSettings.field;
    settings.shadows = deviceSettings.shadows;
    return settings;
}

void SetRenderSettings(RenderSettings settings) {
    deviceSettings.colorModel = settings.rgbModel != 0 ? retained::COLOR_RGB : retained::COLOR_MONO;
    constexpr std::uint32_t QUALITIES[] = {retained::RENDER_FLAT, retained::RENDER_GOURAUD,
                                           retained::RENDER_PHONG};
    if (settings.qualityIndex < 3) {
        deviceSettings.quality = QUALITIES[settings.qualityIndex];
    }
    deviceSettings.shades = settings.shades;
    deviceSettings.noDither = settings.noDither;
    deviceSettings.field = settings.field;
    deviceSettings.shadows = settings.shadows;
    ApplyDeviceSettings();
}

LRESULT RenderSettingsDialogProc(HWND dialog, unsigned message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        return Command(dialog, static_cast<int>(wParam & 0xFFFF));  // the notification is not read
    }
    return FALSE;
}
