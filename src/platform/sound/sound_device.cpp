// The sound-buffer device and its buffers on an SDL2 audio device (or a pulled output).
//
// The SDL callback and the main thread share each device's voices under one mutex: every
// buffer operation that touches a voice holds it briefly, and the callback holds it while it
// mixes. Buffers keep their device's mixer alive, so a buffer released after its device is safe.
#include "platform/sound/sound_device.h"

#include <SDL.h>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <mutex>
#include <vector>

// On Linux SDL may load ALSA's library, which is quieted (QuietAudioLibrary); a page has none.
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <dlfcn.h>
#define PUCKWIND_QUIET_ALSA 1
#endif

#include "platform/sound/sound_mixer.h"

namespace platform {

// The voices of one device and the lock that guards them against the audio callback.
class SoundMixer {
  public:
    SoundMixer(std::uint32_t rate, int channels) : rate_(rate), channels_(channels) {}

    std::unique_lock<std::mutex> Hold() { return std::unique_lock<std::mutex>(mutex_); }

    void Add(Voice* voice) {
        const auto hold = Hold();
        voices_.push_back(voice);
    }
    void Remove(Voice* voice) {
        const auto hold = Hold();
        voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
    }
    void Mix(std::span<std::int16_t> out) {
        const auto hold = Hold();
        MixVoices(voices_, rate_, channels_, out);
    }
    std::uint32_t Rate() const { return rate_; }
    int Channels() const { return channels_; }

  private:
    std::mutex mutex_;
    std::vector<Voice*> voices_;
    const std::uint32_t rate_;
    const int channels_;
};

namespace {

SoundOutput soundOutput = SoundOutput::Device;

constexpr std::uint32_t KNOWN_BUFFER_FLAGS = DSBCAPS_PRIMARYBUFFER | DSBCAPS_STATIC |
                                             DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                                             DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS;

#if PUCKWIND_QUIET_ALSA
void IgnoreAudioLibraryMessage(const char*, int, const char*, int, const char*, ...) {}
#endif

// ALSA's library writes each step of a failed open to standard error, eight lines or more on a
// machine without a sound card, before SDL reports the failure it caused. Its handler is set in
// the very library SDL loads (dlopen shares it), kept loaded so that the handler stays set.
void QuietAudioLibrary() {
#if PUCKWIND_QUIET_ALSA
    using Handler = decltype(&IgnoreAudioLibraryMessage);
    static void* const alsa = dlopen("libasound.so.2", RTLD_NOW);
    if (alsa != nullptr) {
        if (auto* set =
                reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"))) {
            set(IgnoreAudioLibraryMessage);
        }
    }
#endif
}

// With no audio device the game plays silent, and says why in one line.
int NoAudioDevice() {
    std::fprintf(stderr, "puckwind: no audio device (%s); playing without sound\n", SDL_GetError());
    return SOUNDERR_NODRIVER;
}

void SDLCALL MixCallback(void* userdata, Uint8* stream, int length) {
    auto* mixer = static_cast<SoundMixer*>(userdata);
    mixer->Mix({reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 2});
}

}  // namespace

// ---- Buffers ---------------------------------------------------------------------------------

SoundBuffer::SoundBuffer(std::shared_ptr<SoundMixer> mixer, std::unique_ptr<Voice> voice,
                         std::uint32_t flags)
    : mixer_(std::move(mixer)), voice_(std::move(voice)), flags_(flags) {
    if (voice_) {
        mixer_->Add(voice_.get());
    }
}

SoundBuffer::~SoundBuffer() {
    if (voice_) {
        mixer_->Remove(voice_.get());
    }
}

int SoundBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** region1,
                      std::uint32_t* length1, void** region2, std::uint32_t* length2,
                      std::uint32_t flags) {
    if (IsPrimary()) {
        return SOUNDERR_INVALIDCALL;  // the primary buffer is written by the mixer alone
    }
    if (region1 == nullptr || length1 == nullptr) {
        return SOUNDERR_INVALIDPARAM;
    }
    const auto size = static_cast<std::uint32_t>(voice_->bytes.size());
    if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) {
        return SOUNDERR_INVALIDPARAM;
    }
    {
        const auto hold = mixer_->Hold();
        if (voice_->locked) {
            return SOUNDERR_INVALIDCALL;
        }
        voice_->locked = true;
    }
    const std::uint32_t first = std::min(bytes, size - offset);
    *region1 = voice_->bytes.data() + offset;
    *length1 = first;
    if (region2 != nullptr) {
        *region2 = bytes > first ? voice_->bytes.data() : nullptr;
    }
    if (length2 != nullptr) {
        *length2 = bytes - first;
    }
    return SOUND_OK;
}

int SoundBuffer::Unlock(void* region1, std::uint32_t, void*, std::uint32_t) {
    if (IsPrimary()) {
        return SOUNDERR_INVALIDCALL;
    }
    const auto hold = mixer_->Hold();
    const auto* first = static_cast<const std::uint8_t*>(region1);
    const std::uint8_t* begin = voice_->bytes.data();
    if (!voice_->locked || first < begin || first >= begin + voice_->bytes.size()) {
        return SOUNDERR_INVALIDCALL;
    }
    voice_->locked = false;
    return SOUND_OK;
}

int SoundBuffer::SetFrequency(std::uint32_t frequency) {
    if (IsPrimary() || (flags_ & DSBCAPS_CTRLFREQUENCY) == 0) {
        return SOUNDERR_CONTROLUNAVAIL;
    }
    if (frequency == DSBFREQUENCY_ORIGINAL) {
        frequency = voice_->format.samplesPerSec;
    }
    if (frequency < MIN_SOUND_RATE || frequency > MAX_SOUND_RATE) {
        return SOUNDERR_INVALIDPARAM;
    }
    const auto hold = mixer_->Hold();
    voice_->frequency = frequency;
    return SOUND_OK;
}

int SoundBuffer::GetFrequency(std::uint32_t* frequency) {
    if (IsPrimary() || frequency == nullptr) {
        return SOUNDERR_INVALIDPARAM;
    }
    const auto hold = mixer_->Hold();
    *frequency = voice_->frequency;
    return SOUND_OK;
}

int SoundBuffer::SetCurrentPosition(std::uint32_t position) {
    if (IsPrimary()) {
        return SOUNDERR_INVALIDCALL;
    }
    if (position >= voice_->bytes.size()) {
        return SOUNDERR_INVALIDPARAM;
    }
    const auto hold = mixer_->Hold();
    voice_->position = static_cast<std::uint64_t>(position / voice_->format.blockAlign) << 32;
    return SOUND_OK;
}

int SoundBuffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) {
    if (IsPrimary()) {
        return SOUNDERR_INVALIDCALL;
    }
    std::uint32_t bytes = 0;
    {
        const auto hold = mixer_->Hold();
        bytes = static_cast<std::uint32_t>(voice_->position >> 32) * voice_->format.blockAlign;
    }
    // A static buffer is written ahead of time: the write cursor is where the play cursor is.
    if (play != nullptr) {
        *play = bytes;
    }
    if (write != nullptr) {
        *write = bytes;
    }
    return SOUND_OK;
}

int SoundBuffer::Play(std::uint32_t reserved, std::uint32_t, std::uint32_t flags) {
    if (reserved != 0 || (flags & ~DSBPLAY_LOOPING) != 0) {
        return SOUNDERR_INVALIDPARAM;
    }
    if (IsPrimary()) {
        return SOUND_OK;  // the mixer's own output: it always runs
    }
    const auto hold = mixer_->Hold();
    voice_->playing = true;
    voice_->looping = (flags & DSBPLAY_LOOPING) != 0;
    return SOUND_OK;
}

int SoundBuffer::Stop() {
    if (IsPrimary()) {
        return SOUND_OK;
    }
    const auto hold = mixer_->Hold();
    voice_->playing = false;
    return SOUND_OK;
}

int SoundBuffer::GetStatus(std::uint32_t* status) {
    if (status == nullptr) {
        return SOUNDERR_INVALIDPARAM;
    }
    *status = 0;
    if (!IsPrimary()) {
        const auto hold = mixer_->Hold();
        if (voice_->playing) {
            *status = DSBSTATUS_PLAYING | (voice_->looping ? DSBSTATUS_LOOPING : 0);
        }
    }
    return SOUND_OK;
}

// ---- The device ------------------------------------------------------------------------------

SoundDevice::~SoundDevice() {
    if (deviceId_ != 0) {
        SDL_CloseAudioDevice(deviceId_);  // waits for a callback that is running
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

int SoundDevice::SetCooperativeLevel(HWND hwnd, std::uint32_t level) {
    if (hwnd == nullptr || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) {
        return SOUNDERR_INVALIDPARAM;
    }
    cooperativeLevel_ = level;
    return SOUND_OK;
}

int SoundDevice::CreateSoundBuffer(const SoundBufferDesc& desc,
                                   std::unique_ptr<SoundBuffer>* buffer) {
    if (buffer == nullptr) {
        return SOUNDERR_INVALIDPARAM;
    }
    buffer->reset();
    if (desc.size != SOUND_BUFFER_DESC_SIZE || desc.reserved != 0 ||
        (desc.flags & ~KNOWN_BUFFER_FLAGS) != 0) {
        return SOUNDERR_INVALIDPARAM;
    }
    if ((desc.flags & DSBCAPS_PRIMARYBUFFER) != 0) {
        if (desc.bufferBytes != 0 || !desc.format.empty()) {
            return SOUNDERR_INVALIDPARAM;
        }
        buffer->reset(new SoundBuffer(mixer_, nullptr, desc.flags));
        return SOUND_OK;
    }
    if (desc.bufferBytes < MIN_SOUND_BUFFER_BYTES || desc.bufferBytes > MAX_SOUND_BUFFER_BYTES) {
        return SOUNDERR_INVALIDPARAM;
    }
    const std::optional<WaveFormat> format = ParseWaveFormat(desc.format);
    if (!format) {
        return SOUNDERR_INVALIDPARAM;
    }
    if (!IsPlayableFormat(*format)) {
        return SOUNDERR_BADFORMAT;
    }
    auto voice = std::make_unique<Voice>();
    voice->bytes.assign(desc.bufferBytes, 0);
    voice->format = *format;
    voice->frequency = format->samplesPerSec;
    buffer->reset(new SoundBuffer(mixer_, std::move(voice), desc.flags));
    return SOUND_OK;
}

std::uint32_t SoundDevice::OutputRate() const {
    return mixer_->Rate();
}

int SoundDevice::OutputChannels() const {
    return mixer_->Channels();
}

void SoundDevice::Pull(std::span<std::int16_t> out) {
    assert(deviceId_ == 0 && "only a pulled output is mixed on demand");
    mixer_->Mix(out);
}

void SetSoundOutput(SoundOutput output) {
    soundOutput = output;
}

int CreateSoundDevice(std::unique_ptr<SoundDevice>* device) {
    device->reset();
    std::unique_ptr<SoundDevice> made(new SoundDevice());
    made->mixer_ = std::make_shared<SoundMixer>(SOUND_OUTPUT_RATE, SOUND_OUTPUT_CHANNELS);
    if (soundOutput == SoundOutput::Device) {
        QuietAudioLibrary();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return NoAudioDevice();
        }
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(SOUND_OUTPUT_RATE);
        want.format = AUDIO_S16SYS;
        want.channels = SOUND_OUTPUT_CHANNELS;
        want.samples = 1024;
        want.callback = MixCallback;
        want.userdata = made->mixer_.get();
        SDL_AudioSpec got{};
        // No changes allowed: SDL converts to the hardware, so the mixer always writes this.
        made->deviceId_ = SDL_OpenAudioDevice(nullptr, 0, &want, &got, 0);
        if (made->deviceId_ == 0) {
            const int error = NoAudioDevice();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return error;
        }
        SDL_PauseAudioDevice(made->deviceId_, 0);
    }
    *device = std::move(made);
    return SOUND_OK;
}

}  // namespace platform
