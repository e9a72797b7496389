// The render settings dialog's procedure.
#pragma once

#include "platform/platform.h"

platform::LRESULT RenderSettingsDialogProc(platform::HWND dialog, unsigned message,
                                           platform::WPARAM wParam, platform::LPARAM lParam);
