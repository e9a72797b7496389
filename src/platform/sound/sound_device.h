// The sound-buffer device: the desktop's buffer-based sound interface, on an SDL2 audio device.
//
// Offers: CreateSoundDevice (the default device, or none and one line on standard error saying
// why, the audio library's own messages kept quiet); on the device, the cooperative level
// and the creation of the primary buffer and of static secondary buffers from a buffer
// description and a WAVE format (validated: anything the mixer cannot play fails the creation);
// on a buffer, Lock/Unlock in one or two regions, frequency, current position, play once or
// looping, stop and status. Releasing a handle is destroying it. Every playing buffer is
// resampled from its frequency to the device's rate and mixed in the audio callback; the state
// the callback reads is shared under a lock, and the callback allocates nothing.
//
// Results follow the old interface: 0 (SOUND_OK) for success, a negative error otherwise.
// For tests and headless runs the output can be "pulled": no audio system is opened and the
// caller asks the device for its next frames.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/messages.h"

namespace platform {

constexpr int SOUND_OK = 0;
constexpr int SOUNDERR_INVALIDPARAM = -1;
constexpr int SOUNDERR_BADFORMAT = -2;
constexpr int SOUNDERR_NODRIVER = -3;
constexpr int SOUNDERR_CONTROLUNAVAIL = -4;
constexpr int SOUNDERR_INVALIDCALL = -5;

constexpr std::uint32_t DSSCL_NORMAL = 1;
constexpr std::uint32_t DSSCL_WRITEPRIMARY = 4;

constexpr std::uint32_t DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr std::uint32_t DSBCAPS_STATIC = 0x2;
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x40;
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x80;
constexpr std::uint32_t DSBCAPS_CTRLDEFAULT = 0xE0;
constexpr std::uint32_t DSBCAPS_STICKYFOCUS = 0x4000;

constexpr std::uint32_t DSBPLAY_LOOPING = 1;
constexpr std::uint32_t DSBSTATUS_PLAYING = 1;
constexpr std::uint32_t DSBSTATUS_LOOPING = 4;
constexpr std::uint32_t DSBLOCK_ENTIREBUFFER = 2;
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;

// The buffer description in its classic 20-byte layout. The format carries its own length, so
// that a 14-byte WAVEFORMAT is never read as a longer structure.
constexpr std::uint32_t SOUND_BUFFER_DESC_SIZE = 20;
struct SoundBufferDesc {
    std::uint32_t size = SOUND_BUFFER_DESC_SIZE;
    std::uint32_t flags = 0;
    std::uint32_t bufferBytes = 0;
    std::uint32_t reserved = 0;
    std::span<const std::uint8_t> format;  // the bytes of a WAVEFORMAT or longer; empty for primary
};
// The sizes a secondary buffer may have, as the old interface allowed.
constexpr std::uint32_t MIN_SOUND_BUFFER_BYTES = 4;
constexpr std::uint32_t MAX_SOUND_BUFFER_BYTES = 0x0FFFFFFF;

class SoundMixer;
struct Voice;

class SoundBuffer {
  public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Write access to `bytes` bytes from `offset` (the whole buffer with DSBLOCK_ENTIREBUFFER):
    // the first region runs to the end of the buffer at most, the second, possibly empty,
    // continues from its start. The mixer skips the buffer while it is locked.
    int Lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* length1,
             void** region2, std::uint32_t* length2, std::uint32_t flags);
    int Unlock(void* region1, std::uint32_t length1, void* region2, std::uint32_t length2);
    // In Hz; DSBFREQUENCY_ORIGINAL goes back to the format's rate. Kept until set again.
    int SetFrequency(std::uint32_t frequency);
    int GetFrequency(std::uint32_t* frequency);
    // In bytes from the start; a position inside a frame starts that frame.
    int SetCurrentPosition(std::uint32_t position);
    int GetCurrentPosition(std::uint32_t* play, std::uint32_t* write);
    // Plays from the current position, once or looping; playing a playing buffer goes on from
    // where it is (only the looping changes). Played once, it stops at its end and goes back to
    // its start.
    int Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags);
    // Stops where it is: the position stays.
    int Stop();
    int GetStatus(std::uint32_t* status);

  private:
    friend class SoundDevice;
    SoundBuffer(std::shared_ptr<SoundMixer> mixer, std::unique_ptr<Voice> voice,
                std::uint32_t flags);
    bool IsPrimary() const { return voice_ == nullptr; }

    std::shared_ptr<SoundMixer> mixer_;
    std::unique_ptr<Voice> voice_;  // null for the primary buffer
    std::uint32_t flags_;
};

enum class SoundOutput {
    Device,  // an SDL audio device (the game)
    Pulled,  // nothing is opened; Pull mixes on demand (tests, headless runs)
};

class SoundDevice {
  public:
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    int SetCooperativeLevel(HWND hwnd, std::uint32_t level);
    // A primary buffer (DSBCAPS_PRIMARYBUFFER, no size, no format: a handle only, never mixed)
    // or a secondary one of desc.bufferBytes bytes, zero-filled, in desc.format.
    int CreateSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>* buffer);

    std::uint32_t OutputRate() const;
    int OutputChannels() const;
    // Pulled output only: mixes the next frames (interleaved 16-bit) into out.
    void Pull(std::span<std::int16_t> out);

  private:
    friend int CreateSoundDevice(std::unique_ptr<SoundDevice>* device);
    SoundDevice() = default;

    std::shared_ptr<SoundMixer> mixer_;
    std::uint32_t deviceId_ = 0;  // the SDL audio device; 0 when pulled
    std::uint32_t cooperativeLevel_ = 0;
};

// The output rate and channels of every device.
constexpr std::uint32_t SOUND_OUTPUT_RATE = 44100;
constexpr int SOUND_OUTPUT_CHANNELS = 2;

// Where the devices made from now on send their sound; SoundOutput::Device unless changed.
void SetSoundOutput(SoundOutput output);
// The default device: SOUND_OK and *device set, or SOUNDERR_NODRIVER when there is no audio
// device (no driver, or none that opens).
int CreateSoundDevice(std::unique_ptr<SoundDevice>* device);

}  // namespace platform
