// The five sound effects: read from WAVE resources at start-up, played once or looping, on the
// platform's sound-buffer device.
#pragma once

#include <array>
#include <memory>

#include "platform/platform.h"
#include "platform/sound/sound_device.h"

enum SoundId : int { SND_TITLE = 0, SND_WIN = 1, SND_LOSE = 2, SND_PAD = 3, SND_GOAL = 4 };
constexpr int EFFECT_SLOT_COUNT = 5;

// Every handle is empty until made and holds the one reference to its object.
struct SoundState {
    std::unique_ptr<platform::SoundDevice> directSound;    // empty when there is no sound device
    std::unique_ptr<platform::SoundBuffer> primaryBuffer;  // asked for once, never used
    std::array<std::unique_ptr<platform::SoundBuffer>, EFFECT_SLOT_COUNT> effectBuffers;
};
extern SoundState soundState;

// 1 when a sound device is ready, else 0 (the game then runs silent).
int InitSound(platform::HWND mainWindow);
// 1 when the slot now holds the WAVE resource `name`, else 0.
int LoadEffect(int slot, const char* name);
// Starts the effect from its beginning, looping or once; frequency 0 keeps the current one.
void PlayEffect(int slot, int loop, unsigned frequency);
void StopAllEffects();
void ReleaseSound();
