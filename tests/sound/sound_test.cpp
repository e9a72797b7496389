// The WAVE reader on test-made files; the effects playing such files as this program's resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "sound/sound.h"
#include "sound/wave_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using V = std::vector<std::int16_t>;

// Appends little-endian fields: {value, size in bytes}.
void Append(Bytes& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (auto [value, size] : fields) {
        for (int i = 0; i < size; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
}

// A RIFF file from a layout such as "RIFF WAVE|fmt 16|data 7": the header's id and form, then each
// chunk's id and body size; "data 8>99" declares 99 bytes, "RIFF>40 WAVE" a RIFF size of 40. Odd
// bodies are padded unless declared. "fmt " holds a mono 16-bit format at `rate`, the others
// the samples 513, 1027, 1541, 2055 over and over. Exactly allocated, for AddressSanitizer.
Bytes Riff(std::string_view layout, std::uint32_t rate = 22050, std::uint32_t tag = 1) {
    Bytes format;
    Append(format, {{tag, 2}, {1, 2}, {rate, 4}, {rate * 2, 4}, {2, 2}, {16, 2}});
    Bytes out;
    for (std::size_t at = 0; at <= layout.size();) {
        const std::string part(layout.substr(at, layout.substr(at).find('|')));
        at += part.size() + 1;
        const std::size_t gt = part.find('>');
        const std::size_t size = out.empty() ? 0 : std::stoul(part.substr(4));
        out.insert(out.end(), part.begin(), part.begin() + 4);
        Append(out, {{gt == part.npos ? size : std::stoul(part.substr(gt + 1)), 4}});
        if (out.size() == 8) {
            out.insert(out.end(), part.end() - 4, part.end());  // the form
        }
        for (std::size_t i = 0; i < size + (size % 2 == 1 && gt == part.npos); ++i) {
            out.push_back(i == size ? 0 : part.starts_with("fmt ") ? format[i % 16] : i % 8 + 1);
        }
    }
    if (layout[4] != '>') {  // the true RIFF size
        const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
        std::memcpy(&out[4], &riffSize, 4);
    }
    out.shrink_to_fit();
    return out;
}

// Offsets in the file and sizes of what the reader found; 0 for what it did not.
using Found = std::tuple<WaveRefusal, std::size_t, std::size_t, std::size_t, std::size_t, bool>;

Found Read(const Bytes& file) {
    const WaveReading wave = ReadWave(file);
    const auto at = [&](std::span<const std::uint8_t> part) {
        return part.empty() ? 0 : static_cast<std::size_t>(part.data() - file.data());
    };
    EXPECT_LE(std::max(at(wave.format) + wave.format.size(), at(wave.data) + wave.data.size()),
              file.size());
    return {wave.refusal,  at(wave.format),  wave.format.size(),
            at(wave.data), wave.data.size(), wave.clamped};
}

TEST(WaveReader, FindsTheFirstFormatAndTheFirstNonEmptySamples) {
    const std::pair<const char*, Found> cases[] = {
        {"RIFF WAVE|data 8|fmt 16", {WAVE_ACCEPTED, 36, 16, 20, 8, false}},
        {"RIFF WAVE|fmt 16|data 0|data 8", {WAVE_ACCEPTED, 20, 16, 52, 8, false}},
        {"RIFF WAVE|data 8|data 2|fmt 16|fmt 12", {WAVE_ACCEPTED, 46, 16, 20, 8, false}},
        {"RIFF WAVE|fmt 14|data 8", {WAVE_ACCEPTED, 20, 14, 42, 8, false}},
        {"RIFF WAVE|fmt 12|fmt 16|data 8", {WAVE_FORMAT_TOO_SHORT, 0, 0, 0, 0, false}},
        {"RIFF WAVE|fmt 13>16", {WAVE_FORMAT_TOO_SHORT, 0, 0, 0, 0, true}},
        // Odd bodies are followed by a pad byte.
        {"RIFF WAVE|LIST 3|junk 1|fmt 16|data 7", {WAVE_ACCEPTED, 42, 16, 66, 7, false}},
        // Sizes past the end of the file are cut to what it holds.
        {"RIFF>4294967295 WAVE|fmt 16|data 8", {WAVE_ACCEPTED, 20, 16, 44, 8, true}},
        {"RIFF WAVE|fmt 16|data 8>4294967280", {WAVE_ACCEPTED, 20, 16, 44, 8, true}},
        {"RIFF WAVE|fmt 16|LIST 2>4294967295|data 8", {WAVE_INCOMPLETE, 0, 0, 0, 0, true}},
        // A RIFF size shorter than the file hides what follows.
        {"RIFF>38 WAVE|fmt 16|data 8", {WAVE_ACCEPTED, 20, 16, 44, 2, true}},
        {"RIFF>3 WAVE|fmt 16|data 8", {WAVE_NOT_WAVE, 0, 0, 0, 0, false}},
        {"RIFF AVI |fmt 16|data 8", {WAVE_NOT_WAVE, 0, 0, 0, 0, false}},
        {"RIFX WAVE|fmt 16|data 8", {WAVE_NOT_RIFF, 0, 0, 0, 0, false}},
        {"RIFF WAVE|fmt 16|data 0", {WAVE_INCOMPLETE, 0, 0, 0, 0, false}},
        {"RIFF WAVE|data 8", {WAVE_INCOMPLETE, 0, 0, 0, 0, false}},
    };
    for (const auto& [layout, found] : cases) {
        const Bytes file = Riff(layout);
        EXPECT_EQ(Read(file), found) << layout;
        for (std::size_t length = 0; length < file.size(); ++length) {  // and every cut of it
            Read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
        }
    }
}

}  // namespace

// This program's resources: effects that play, and files the reader or the device refuses.
namespace platform {
std::span<const EmbeddedResource> EmbeddedResources() {
    static const Bytes four = Riff("RIFF WAVE|fmt 16|data 8", 44100);
    static const Bytes floating = Riff("RIFF WAVE|fmt 16|data 8", 44100, 3);  // not PCM
    static const EmbeddedResource table[] = {
        {"WAVE", "wav_four", four.data(), four.size()},
        {"WAVE", "wav_cut", four.data(), 30},  // its format cut to ten bytes
        {"WAVE", "wav_float", floating.data(), floating.size()}};
    return table;
}
}  // namespace platform

namespace {

using namespace platform;

// The next frames of the mix, left and right.
V Pull(std::size_t frames) {
    V out(frames * 2);
    soundState.directSound->Pull(out);
    return out;
}

TEST(Effects, PlayInTheFiveSlotsWhatTheReaderAndTheDeviceAcceptWhileThereIsADevice) {
    const auto window = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
    SetSoundOutput(SoundOutput::Pulled);
    ASSERT_EQ(InitSound(window), 1);
    EXPECT_EQ(LoadEffect(EFFECT_SLOT_COUNT, "wav_four"), 0);
    ASSERT_EQ(LoadEffect(SND_GOAL, "wav_four"), 1);
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_cut"), 0);
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_missing"), 0);
    ASSERT_TRUE(soundState.effectBuffers[SND_GOAL]) << "refused before the old buffer was let go";
    for (int slot : {-1, EFFECT_SLOT_COUNT, int{SND_WIN}, int{SND_GOAL}}) {
        PlayEffect(slot, 0, 0);
    }
    EXPECT_EQ(Pull(2), (V{513, 513, 1027, 1027}));
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_float"), 0);
    EXPECT_FALSE(soundState.effectBuffers[SND_GOAL]) << "read, but no buffer plays it";

    // A play restarts a loop, a loop plays until stopped, a stop stops every effect.
    ASSERT_EQ(LoadEffect(SND_TITLE, "wav_four"), 1);
    ASSERT_EQ(LoadEffect(SND_WIN, "wav_four"), 1);
    PlayEffect(SND_WIN, 1, 0);
    Pull(4 * 5 + 2);  // five times round and half again
    EXPECT_EQ(Pull(1), (V{1541, 1541}));
    PlayEffect(SND_WIN, 1, 0);
    PlayEffect(SND_TITLE, 0, 0);
    EXPECT_EQ(Pull(1), (V{1026, 1026}));
    StopAllEffects();
    EXPECT_EQ(Pull(1), (V{0, 0}));
    // Four samples at 44100 Hz last four frames of the mix; at 20000 Hz, nine, and 0 keeps the
    // frequency set last. Each play starts from the beginning, not where the last one stopped.
    for (auto [frequency, frames] : {std::pair{0u, 4}, {20000u, 9}, {0u, 9}}) {
        PlayEffect(SND_WIN, 0, frequency);
        const V out = Pull(12);
        EXPECT_EQ(std::count(out.begin(), out.end(), 0), 2 * (12 - frames)) << frequency;
    }

    EXPECT_TRUE(soundState.primaryBuffer);
    ReleaseSound();
    EXPECT_FALSE(soundState.directSound || soundState.primaryBuffer ||
                 soundState.effectBuffers[SND_TITLE]);
    SetSoundOutput(SoundOutput::Device);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(InitSound(window), 0);
    EXPECT_EQ(LoadEffect(SND_TITLE, "wav_four"), 0) << "no device: nothing loads";
}

}  // namespace
