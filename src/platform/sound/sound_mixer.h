// The sound-buffer device's arithmetic, free of any audio system so that it can be tested alone.
//
// Offers: the WAVE format a buffer is made with (parsed from a "fmt " body and validated), the
// mixer's view of one buffer (a voice: samples, frequency, position, playing and looping), and
// MixVoices, which resamples every playing voice from its own frequency to the output rate
// (linear interpolation), sums them and clips the sum to 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
// The rates a buffer may be made with or played at.
constexpr std::uint32_t MIN_SOUND_RATE = 100;
constexpr std::uint32_t MAX_SOUND_RATE = 200000;

// A WAVEFORMAT with its bits per sample.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// Reads a format from the bytes of a "fmt " chunk body: at least the 14 bytes of a WAVEFORMAT.
// A 14-byte body has no bits-per-sample field; for PCM they follow from the block alignment.
// Nothing past `bytes` is read.
std::optional<WaveFormat> ParseWaveFormat(std::span<const std::uint8_t> bytes);
// Whether buffers can be made in this format: PCM, 1 or 2 channels, 8 or 16 bits, the block
// alignment and byte rate consistent with them, and a rate in [MIN_SOUND_RATE, MAX_SOUND_RATE].
bool IsPlayableFormat(const WaveFormat& format);

// One buffer as the mixer sees it.
struct Voice {
    std::vector<std::uint8_t> bytes;  // the buffer's contents, as written through Lock
    WaveFormat format;
    std::uint32_t frequency = 0;  // playback rate in Hz
    std::uint64_t position = 0;   // in frames, 32.32 fixed point
    bool playing = false;
    bool looping = false;
    bool locked = false;  // being written: the mixer leaves it alone

    // Whole frames; a trailing part of a frame is not played.
    std::uint32_t Frames() const {
        return static_cast<std::uint32_t>(bytes.size() / format.blockAlign);
    }
};

// Adds every playing voice into `out` (interleaved 16-bit frames of `outChannels` channels at
// `outRate` Hz), overwriting what was there: mono voices go to every channel; stereo voices to
// left and right (mixed down on a mono output). Voices advance; a voice played once stops at
// its end and goes back to its start; a looping one wraps. Allocates nothing.
void MixVoices(std::span<Voice* const> voices, std::uint32_t outRate, int outChannels,
               std::span<std::int16_t> out);

}  // namespace platform
