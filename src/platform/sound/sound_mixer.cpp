// Format validation and mixing: linear-interpolation resampling in 32.32 fixed point (exact
// for the game's 11025 and 22050 Hz recordings on a 44100 Hz output), sums in 32 bits, clipped.
#include "platform/sound/sound_mixer.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace platform {

namespace {

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Read16(bytes, at)) |
           static_cast<std::uint32_t>(Read16(bytes, at + 2)) << 16;
}

// One channel of one frame, as a signed 16-bit value (8-bit samples are unsigned).
std::int32_t SampleAt(const Voice& voice, std::uint32_t frame, int channel) {
    const std::size_t at = static_cast<std::size_t>(frame) * voice.format.blockAlign +
                           static_cast<std::size_t>(channel) * (voice.format.bitsPerSample / 8);
    if (voice.format.bitsPerSample == 8) {
        return (static_cast<std::int32_t>(voice.bytes[at]) - 128) * 256;
    }
    return static_cast<std::int16_t>(voice.bytes[at] | voice.bytes[at + 1] << 8);
}

// The frames are mixed in pieces of this many, so that the sums fit on the stack.
constexpr std::size_t PIECE_FRAMES = 256;
constexpr int MAX_OUT_CHANNELS = 2;

void MixVoice(Voice& voice, std::uint32_t outRate, int outChannels, std::int32_t* sums,
              std::size_t frames) {
    const std::uint32_t total = voice.Frames();
    if (total == 0) {
        voice.playing = false;
        voice.position = 0;
        return;
    }
    const std::uint64_t end = static_cast<std::uint64_t>(total) << 32;
    const std::uint64_t step = (static_cast<std::uint64_t>(voice.frequency) << 32) / outRate;
    const int channels = voice.format.channels;
    if (voice.position >= end) {  // set inside the trailing part of a frame: the end
        voice.position = 0;
        voice.playing = voice.looping;
        if (!voice.looping) {
            return;
        }
    }
    for (std::size_t f = 0; f < frames; ++f) {
        const auto frame = static_cast<std::uint32_t>(voice.position >> 32);
        // Interpolate toward the next frame: the first one again when looping, else hold.
        const std::uint32_t next = frame + 1 < total ? frame + 1 : (voice.looping ? 0 : frame);
        const std::int64_t fraction = static_cast<std::int64_t>((voice.position >> 16) & 0xFFFF);
        std::int32_t values[MAX_OUT_CHANNELS];
        for (int c = 0; c < channels; ++c) {
            const std::int64_t a = SampleAt(voice, frame, c);
            const std::int64_t b = SampleAt(voice, next, c);
            values[c] = static_cast<std::int32_t>(a + ((b - a) * fraction) / 65536);
        }
        std::int32_t* out = sums + f * outChannels;
        if (outChannels == 1) {
            out[0] += channels == 1 ? values[0] : (values[0] + values[1]) / 2;
        } else {
            out[0] += values[0];
            out[1] += values[channels == 1 ? 0 : 1];
        }
        voice.position += step;
        if (voice.position >= end) {
            if (!voice.looping) {
                // Played once, it ends here and stands at its start again.
                voice.playing = false;
                voice.position = 0;
                return;
            }
            voice.position %= end;
        }
    }
}

}  // namespace

std::optional<WaveFormat> ParseWaveFormat(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 14) {
        return std::nullopt;
    }
    WaveFormat format;
    format.formatTag = Read16(bytes, 0);
    format.channels = Read16(bytes, 2);
    format.samplesPerSec = Read32(bytes, 4);
    format.avgBytesPerSec = Read32(bytes, 8);
    format.blockAlign = Read16(bytes, 12);
    if (bytes.size() >= 16) {
        format.bitsPerSample = Read16(bytes, 14);
    } else if (format.channels != 0) {
        format.bitsPerSample = static_cast<std::uint16_t>(format.blockAlign * 8 / format.channels);
    }
    return format;
}

bool IsPlayableFormat(const WaveFormat& format) {
    return format.formatTag == WAVE_FORMAT_PCM && (format.channels == 1 || format.channels == 2) &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.blockAlign == format.channels * format.bitsPerSample / 8 &&
           format.samplesPerSec >= MIN_SOUND_RATE && format.samplesPerSec <= MAX_SOUND_RATE &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

void MixVoices(std::span<Voice* const> voices, std::uint32_t outRate, int outChannels,
               std::span<std::int16_t> out) {
    assert((outChannels == 1 || outChannels == 2) && "the mixer writes mono or stereo");
    std::array<std::int32_t, PIECE_FRAMES * MAX_OUT_CHANNELS> sums;
    const std::size_t totalFrames = out.size() / outChannels;
    for (std::size_t done = 0; done < totalFrames; done += PIECE_FRAMES) {
        const std::size_t frames = std::min(PIECE_FRAMES, totalFrames - done);
        const std::size_t values = frames * outChannels;
        std::fill_n(sums.begin(), values, 0);
        for (Voice* voice : voices) {
            if (voice->playing && !voice->locked) {
                MixVoice(*voice, outRate, outChannels, sums.data(), frames);
            }
        }
        for (std::size_t i = 0; i < values; ++i) {
            out[done * outChannels + i] =
                static_cast<std::int16_t>(std::clamp(sums[i], -32768, 32767));
        }
    }
}

}  // namespace platform
