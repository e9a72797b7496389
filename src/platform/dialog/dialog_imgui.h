// The SDL backend's view of a modal dialog, drawn with Dear ImGui in the owner's window.
//
// Offers: MakeImGuiDialogView (a view over the owner's OpenGL context when the owner has a
// surface, drawn just before each of its presents; else over a context of its own, drawn after
// each paint of the owner); DrawDialogOverlay, for a surface's present; ReleaseDialogView, for a
// window or surface that goes while its dialog is open; DialogTakesEvent, through which every
// SDL event passes first while a dialog is open.
#pragma once

#include <SDL.h>

#include <memory>

#include "platform/dialog/dialog.h"
#include "platform/window/window.h"

namespace platform {

// ownerContext, ownerSurface: the owner's surface and its OpenGL context, or null when it has
// none; the dialog is scaled to the surface's picture.
std::unique_ptr<DialogView> MakeImGuiDialogView(Dialog& dialog, SDL_Window* window,
                                                SDL_GLContext ownerContext,
                                                const GlSurface* ownerSurface);
// The window, or its context, is about to go (the owner was destroyed while its dialog was
// open): the dialog stops being drawn and lets go of what it holds on them.
void ReleaseDialogView(SDL_Window* window);
// Draws the open dialog into window's current frame; nothing when none is open over it.
void DrawDialogOverlay(SDL_Window* window);
// true when an open dialog took the event: mouse and keyboard input go to the dialog only (its
// owner is disabled), but for Alt+Enter. Window events are seen and left for the window.
bool DialogTakesEvent(const SDL_Event& event);

}  // namespace platform
