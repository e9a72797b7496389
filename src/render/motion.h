// The picture between ticks: the last two poses of each moving frame, blended by the time since
// the last tick when a frame is drawn (render/motion.cpp).
#pragma once

#include "platform/window/window.h"

// How the banner's pose last changed: by a step of one of its animations, or at once.
enum class BannerMotion { None, Title, Win, Lose };

// After each change of the banner's pose; only consecutive steps of one animation are blended.
void NoteBannerPose(BannerMotion motion, int step);
// Once the device draws into `window`: frames at the display's refresh from now on (unless one
// picture a tick was asked for).
void StartPresentation(platform::HWND window);
// Before a picture of `window` is drawn: every frame drawn where it stands now; true while one is
// still on its way from its last tick's pose to this tick's.
bool PoseForPicture(platform::HWND window);
// The window is active (the game's ticks run): the player's mallet follows the pointer.
void NoteActivation(bool active);
