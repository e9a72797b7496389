#include "render/settings.h"

// The dialog handles no message yet.
platform::LRESULT RenderSettingsDialogProc(platform::HWND, unsigned, platform::WPARAM,
                                           platform::LPARAM) {
    return 0;
}
