#include "platform/sound_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace platform {
namespace {

WaveFormat Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits};
}

Voice Mono16(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    Voice voice;
    voice.format = Pcm(1, rate, 16);
    voice.frequency = rate;
    for (std::int16_t s : samples) {
        voice.bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        voice.bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return voice;
}

std::vector<std::int16_t> Mix(std::vector<Voice*> voices, std::size_t frames,
                              std::uint32_t rate = 44100, int channels = 2) {
    std::vector<std::int16_t> out(frames * channels, 12345);
    MixVoices(voices, rate, channels, out);
    return out;
}

// Rising zero crossings per second of one channel of an interleaved signal.
double MeasureHz(const std::vector<std::int16_t>& out, int channels, std::uint32_t rate,
                 std::size_t frames) {
    int crossings = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    for (std::size_t f = 1; f < frames; ++f) {
        if (out[(f - 1) * channels] < 0 && out[f * channels] >= 0) {
            first = crossings == 0 ? f : first;
            last = f;
            ++crossings;
        }
    }
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

std::vector<std::int16_t> SineWave(double hz, std::uint32_t rate, std::size_t count) {
    std::vector<std::int16_t> s(count);
    for (std::size_t i = 0; i < count; ++i) {
        s[i] = static_cast<std::int16_t>(std::lround(20000 * std::sin(2 * M_PI * hz * i / rate)));
    }
    return s;
}

TEST(SoundFormat, ReadsAWaveFormatOfFourteenBytesOrMore) {
    const std::uint8_t bytes[18] = {1,    0, 2, 0, 0x44, 0xAC, 0, 0, 0x10,
                                    0xB1, 2, 0, 4, 0,    16,   0, 0, 0};
    const auto full = ParseWaveFormat(bytes);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->channels, 2);
    EXPECT_EQ(full->samplesPerSec, 44100u);
    EXPECT_EQ(full->avgBytesPerSec, 176400u);
    EXPECT_EQ(full->blockAlign, 4);
    EXPECT_EQ(full->bitsPerSample, 16);
    // Without its bits field, a PCM format's bits follow from block and channels.
    const auto plain = ParseWaveFormat(std::span(bytes, 14));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->bitsPerSample, 16);
    EXPECT_TRUE(IsPlayableFormat(*plain));
    EXPECT_FALSE(ParseWaveFormat(std::span(bytes, 13)));
}

TEST(SoundFormat, PlaysOnlyConsistentPcm) {
    EXPECT_TRUE(IsPlayableFormat(Pcm(1, 22050, 16)));
    EXPECT_TRUE(IsPlayableFormat(Pcm(2, 11025, 8)));
    EXPECT_TRUE(IsPlayableFormat(Pcm(1, MIN_SOUND_RATE, 8)));
    EXPECT_TRUE(IsPlayableFormat(Pcm(2, MAX_SOUND_RATE, 16)));
    const WaveFormat bad[] = {
        {3, 1, 22050, 88200, 4, 32},                // floating point
        Pcm(0, 22050, 16),                          // no channels
        Pcm(3, 22050, 16),                          // three channels
        Pcm(1, 22050, 24),                          // 24 bits
        Pcm(1, MIN_SOUND_RATE - 1, 16),             // too slow
        Pcm(1, MAX_SOUND_RATE + 1, 16),             // too fast
        {WAVE_FORMAT_PCM, 1, 22050, 44100, 4, 16},  // block does not match
        {WAVE_FORMAT_PCM, 1, 22050, 44101, 2, 16},  // byte rate does not match
        {WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 12},  // 12 bits
    };
    for (const WaveFormat& f : bad) {
        EXPECT_FALSE(IsPlayableFormat(f))
            << f.formatTag << " " << f.channels << " " << f.bitsPerSample;
    }
}

TEST(SoundMixer, AVoiceAtTheOutputRateComesOutUnchangedOnBothChannels) {
    Voice voice = Mono16(44100, {1000, -2000, 3000, 32767, -32768});
    voice.playing = true;
    const auto out = Mix({&voice}, 8);
    const std::vector<std::int16_t> expected = {
        1000, 1000, -2000, -2000, 3000, 3000, 32767, 32767, -32768, -32768, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expected);
    EXPECT_FALSE(voice.playing) << "played once, it stops at its end";
    EXPECT_EQ(voice.position, 0u) << "and goes back to its start";
}

TEST(SoundMixer, ALowerFrequencySoundsLowerAndLastsLonger) {
    const std::vector<std::int16_t> sine = SineWave(1000, 22050, 22050);
    for (std::uint32_t frequency : {22050u, 20000u}) {
        Voice voice = Mono16(22050, sine);
        voice.frequency = frequency;
        voice.playing = true;
        const auto out = Mix({&voice}, 60000, 44100, 2);
        const double expectedHz = 1000.0 * frequency / 22050;
        EXPECT_NEAR(MeasureHz(out, 2, 44100, 40000), expectedHz, 2) << frequency;
        // The last sound is where the recording ends at this frequency.
        std::size_t lastSound = 0;
        for (std::size_t f = 0; f < 60000; ++f) {
            lastSound = out[f * 2] != 0 ? f : lastSound;
        }
        EXPECT_NEAR(static_cast<double>(lastSound), 22050.0 * 44100 / frequency, 3) << frequency;
    }
}

TEST(SoundMixer, ResamplingInterpolatesBetweenSamples) {
    Voice voice = Mono16(11025, {0, 4000, 0});
    voice.playing = true;
    const auto out = Mix({&voice}, 12, 44100, 1);
    const std::vector<std::int16_t> expected = {
        0, 1000, 2000, 3000, 4000, 3000, 2000, 1000, 0, 0, 0, 0,
    };
    EXPECT_EQ(out, expected);
}

TEST(SoundMixer, SumsVoicesAndClipsTheSum) {
    Voice loud = Mono16(44100, {30000, -30000, 100});
    Voice louder = Mono16(44100, {30000, -30000, -300});
    loud.playing = louder.playing = true;
    const auto out = Mix({&loud, &louder}, 3, 44100, 1);
    EXPECT_EQ(out, (std::vector<std::int16_t>{32767, -32768, -200}));
}

TEST(SoundMixer, IgnoresATrailingHalfSample) {
    Voice voice = Mono16(44100, {500, 600});
    voice.bytes.pop_back();  // three bytes: one whole sample and half of another
    voice.playing = true;
    EXPECT_EQ(voice.Frames(), 1u);
    EXPECT_EQ(Mix({&voice}, 3, 44100, 1), (std::vector<std::int16_t>{500, 0, 0}));
}

TEST(SoundMixer, ReadsEightBitAndStereoVoices) {
    Voice eight;
    eight.format = Pcm(1, 44100, 8);
    eight.frequency = 44100;
    eight.bytes = {128, 255, 0};
    eight.playing = true;
    EXPECT_EQ(Mix({&eight}, 3, 44100, 1), (std::vector<std::int16_t>{0, 32512, -32768}));

    Voice stereo = Mono16(44100, {100, 300, 200, -200});
    stereo.format = Pcm(2, 44100, 16);
    stereo.playing = true;
    EXPECT_EQ(Mix({&stereo}, 2, 44100, 2), (std::vector<std::int16_t>{100, 300, 200, -200}));
    stereo.playing = true;
    EXPECT_EQ(Mix({&stereo}, 2, 44100, 1), (std::vector<std::int16_t>{200, 0}))
        << "left and right are averaged on a mono output";
}

TEST(SoundMixer, ALoopingVoiceWrapsAndAStoppedOrLockedOneIsSilent) {
    Voice voice = Mono16(44100, {1, 2, 3});
    voice.playing = true;
    voice.looping = true;
    EXPECT_EQ(Mix({&voice}, 7, 44100, 1), (std::vector<std::int16_t>{1, 2, 3, 1, 2, 3, 1}));
    EXPECT_TRUE(voice.playing);
    EXPECT_EQ(voice.position >> 32, 1u);

    voice.locked = true;
    EXPECT_EQ(Mix({&voice}, 2, 44100, 1), (std::vector<std::int16_t>{0, 0}));
    EXPECT_EQ(voice.position >> 32, 1u) << "a locked voice does not advance";
    voice.locked = false;
    voice.playing = false;
    EXPECT_EQ(Mix({&voice}, 2, 44100, 1), (std::vector<std::int16_t>{0, 0}));
}

TEST(SoundMixer, MixesLongOutputsPieceByPiece) {
    std::vector<std::int16_t> ramp(1000);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<std::int16_t>(i);
    }
    Voice voice = Mono16(44100, ramp);
    voice.playing = true;
    const auto out = Mix({&voice}, 1000, 44100, 2);
    for (std::size_t f = 0; f < 1000; ++f) {
        ASSERT_EQ(out[f * 2], static_cast<std::int16_t>(f));
        ASSERT_EQ(out[f * 2 + 1], static_cast<std::int16_t>(f));
    }
}

}  // namespace
}  // namespace platform
