// The effects live in static buffers of the sound-buffer device, one per SoundId, filled once at
// start-up from the WAVE resources. Without a device every operation does nothing.
#include <cstring>

#include "calls/calls.h"
#include "sound/sound.h"
#include "sound/wave_reader.h"

using namespace platform;

SoundState soundState;

namespace {

constexpr std::uint32_t EFFECT_BUFFER_FLAGS = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY |
                                              DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                                              DSBCAPS_STICKYFOCUS;

bool IsSlot(int slot) {
    return slot >= 0 && slot < EFFECT_SLOT_COUNT;
}

// Copies the samples into the buffer, in the one or two regions that Lock hands out. A failed
// lock leaves the buffer silent; the slot still plays (nothing).
void FillBuffer(SoundBuffer& buffer, std::span<const std::uint8_t> samples) {
    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t length1 = 0;
    std::uint32_t length2 = 0;
    if (buffer.Lock(0, static_cast<std::uint32_t>(samples.size()), &region1, &length1, &region2,
                    &length2, 0) != SOUND_OK) {
        return;
    }
    std::memcpy(region1, samples.data(), length1);
    if (length2 != 0) {
        std::memcpy(region2, samples.data() + length1, length2);
    }
    buffer.Unlock(region1, length1, region2, length2);
}

}  // namespace

int InitSound(HWND mainWindow) {
    ReleaseSound();
    if (CreateSoundDevice(&soundState.directSound) != SOUND_OK) {
        return 0;
    }
    // Without the cooperative level the device is kept: the effects still load and play.
    if (soundState.directSound->SetCooperativeLevel(mainWindow, DSSCL_NORMAL) != SOUND_OK) {
        return 0;
    }
    SoundBufferDesc primary;
    primary.flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLDEFAULT;
    soundState.directSound->CreateSoundBuffer(primary, &soundState.primaryBuffer);
    return 1;
}

int LoadEffect(int slot, const char* name) {
    if (!IsSlot(slot) || !soundState.directSound) {
        return 0;
    }
    const auto resource = FindResource("WAVE", name);
    if (!resource) {
        return 0;
    }
    const WaveReading wave = ReadWave(*resource);
    if (wave.refusal != WAVE_ACCEPTED) {
        return 0;
    }
    std::unique_ptr<SoundBuffer>& buffer = soundState.effectBuffers[slot];
    if (buffer) {
        buffer->Stop();
        buffer.reset();
    }
    SoundBufferDesc desc;
    desc.flags = EFFECT_BUFFER_FLAGS;
    desc.bufferBytes = static_cast<std::uint32_t>(wave.data.size());
    desc.format = wave.format;
    if (soundState.directSound->CreateSoundBuffer(desc, &buffer) != SOUND_OK) {
        return 0;
    }
    FillBuffer(*buffer, wave.data);
    return 1;
}

void PlayEffect(int slot, int loop, unsigned frequency) {
    calls::TapCall("PlayEffect", {double(slot), double(loop), double(frequency)});
    if (!IsSlot(slot) || !soundState.effectBuffers[slot]) {
        return;
    }
    SoundBuffer& buffer = *soundState.effectBuffers[slot];
    if (frequency != 0) {
        buffer.SetFrequency(frequency);
    }
    buffer.SetCurrentPosition(0);  // a play always starts at the beginning, even a playing one
    buffer.Play(0, 0, loop != 0 ? DSBPLAY_LOOPING : 0);
}

void StopAllEffects() {
    calls::TapCall("StopAllEffects", {});
    for (std::unique_ptr<SoundBuffer>& buffer : soundState.effectBuffers) {
        if (buffer) {
            buffer->Stop();
        }
    }
}

void ReleaseSound() {
    for (std::unique_ptr<SoundBuffer>& buffer : soundState.effectBuffers) {
        buffer.reset();
    }
    soundState.primaryBuffer.reset();
    soundState.directSound.reset();
}
