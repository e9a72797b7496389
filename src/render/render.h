// The render device: every object of the 3D layer the game holds, the live render configuration,
// and the operations the shell calls on start-up, activation, paint and shut-down.
#pragma once

#include "platform/platform.h"

// 1 on success, 0 on failure (the game then ends quietly).
int CreateRenderObjects(platform::HWND mainWindow);
int CreateRenderDevice(platform::HWND mainWindow);
// Hands activation to the device; nothing when there is no device.
void RenderActivate(platform::WPARAM wParam);
// Draws the scene and presents it; nothing when the device or viewport is missing.
void RenderPaint(platform::HWND paintTarget);
// Releases every render object, in a fixed order; safe to call more than once.
void ReleaseRender();
