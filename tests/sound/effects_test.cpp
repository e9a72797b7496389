// The effects over a pulled sound device, with WAVE resources made by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "sound/sound.h"
#include "sound/wave_builder.h"

namespace {

Bytes Ramp(int count, int step) {
    Bytes body;
    for (int i = 1; i <= count; ++i) {
        Put16(body, static_cast<std::uint32_t>(i * step));
    }
    return body;
}

Bytes Sine(double hz, std::uint32_t rate, int count) {
    Bytes body;
    for (int i = 0; i < count; ++i) {
        const double v = 20000 * std::sin(2 * M_PI * hz * i / rate);
        Put16(body, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v))));
    }
    return body;
}

Bytes PlainWave(std::uint32_t rate, const Bytes& samples) {
    return WaveBuilder().Chunk("fmt ", FmtBody(1, rate, 16)).Chunk("data", samples).Build();
}

// The resources this test's program carries, found by platform::FindResource.
const std::map<std::string, Bytes>& Files() {
    static const std::map<std::string, Bytes> files = {
        {"wav_ramp", PlainWave(44100, Ramp(100, 10))},
        {"wav_sine", PlainWave(22050, Sine(1000, 22050, 11025))},
        {"wav_data_first", WaveBuilder()
                               .Chunk("data", Samples16({5, 6, 7}))
                               .Chunk("fmt ", FmtBody(1, 44100, 16))
                               .Build()},
        {"wav_two_data", WaveBuilder()
                             .Chunk("fmt ", FmtBody(1, 44100, 16))
                             .Chunk("data", {})
                             .Chunk("data", Samples16({8, 9}))
                             .Build()},
        {"wav_fmt12", WaveBuilder()
                          .Chunk("fmt ", FmtBody(1, 44100, 16, 12))
                          .Chunk("data", Samples16({1, 2}))
                          .Build()},
        {"wav_fmt14", WaveBuilder()
                          .Chunk("fmt ", FmtBody(1, 44100, 16, 14))
                          .Chunk("data", Samples16({11, 12}))
                          .Build()},
        {"wav_odd", WaveBuilder()
                        .Chunk("LIST", {'x'})
                        .Chunk("fmt ", FmtBody(1, 44100, 16))
                        .Chunk("data", {20, 0, 21, 0, 22, 0, 23})
                        .Build()},
        {"wav_float", WaveBuilder()
                          .Chunk("fmt ",
                                 [] {
                                     Bytes f = FmtBody(1, 44100, 32);
                                     f[0] = 3;
                                     return f;
                                 }())
                          .Chunk("data", Samples16({1, 2, 3, 4}))
                          .Build()},
        {"wav_cut", WaveBuilder()
                        .Chunk("fmt ", FmtBody(1, 44100, 16))
                        .ChunkDeclaring("data", 1000000, Samples16({31, 32, 33}))
                        .Build()},
        {"wav_avi", WaveBuilder().Chunk("data", Samples16({1})).BuildDeclaring(14, "AVI ")},
    };
    return files;
}

}  // namespace

namespace platform {
std::span<const EmbeddedResource> EmbeddedResources() {
    static const std::vector<EmbeddedResource> table = [] {
        std::vector<EmbeddedResource> t;
        for (const auto& [name, bytes] : Files()) {
            t.push_back({"WAVE", name.c_str(), bytes.data(), bytes.size()});
        }
        return t;
    }();
    return table;
}
}  // namespace platform

namespace {

using namespace platform;
using V = std::vector<std::int16_t>;

HWND SomeWindow() {
    return reinterpret_cast<HWND>(std::uintptr_t{0x1000});
}

class Effects : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSoundOutput(SoundOutput::Pulled);
        ASSERT_EQ(InitSound(SomeWindow()), 1);
    }
    void TearDown() override {
        ReleaseSound();
        SetSoundOutput(SoundOutput::Device);
    }
    // The left channel of the next frames of the mix.
    V Pull(std::size_t frames) {
        V out(frames * 2);
        soundState.directSound->Pull(out);
        V left;
        for (std::size_t f = 0; f < frames; ++f) {
            left.push_back(out[f * 2]);
        }
        return left;
    }
    static std::uint32_t Status(int slot) {
        std::uint32_t status = 0;
        soundState.effectBuffers[slot]->GetStatus(&status);
        return status;
    }
    static std::uint32_t Frequency(int slot) {
        std::uint32_t frequency = 0;
        soundState.effectBuffers[slot]->GetFrequency(&frequency);
        return frequency;
    }
    static std::uint32_t Position(int slot) {
        std::uint32_t play = 0;
        soundState.effectBuffers[slot]->GetCurrentPosition(&play, nullptr);
        return play;
    }
};

TEST_F(Effects, StartsTheDeviceWithItsPrimaryBuffer) {
    EXPECT_TRUE(soundState.directSound);
    EXPECT_TRUE(soundState.primaryBuffer);
    for (const auto& buffer : soundState.effectBuffers) {
        EXPECT_FALSE(buffer);
    }
}

TEST_F(Effects, LoadsWhatTheReaderAcceptsAndRefusesTheRest) {
    const struct {
        const char* name;
        int loaded;
        V heard;
    } cases[] = {
        {"wav_data_first", 1, {5, 6, 7, 0}},
        {"wav_two_data", 1, {8, 9, 0}},
        {"wav_fmt14", 1, {11, 12, 0}},
        {"wav_odd", 1, {20, 21, 22, 0}},  // the seventh byte is half a sample
        {"wav_cut", 1, {31, 32, 33, 0}},  // the "data" size ran past the end: what is there
        {"wav_fmt12", 0, {}},
        {"wav_avi", 0, {}},
        {"wav_float", 0, {}},  // read, but no buffer plays it
        {"wav_missing", 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadEffect(SND_PAD, c.name), c.loaded) << c.name;
        EXPECT_EQ(soundState.effectBuffers[SND_PAD] != nullptr, c.loaded == 1) << c.name;
        if (c.loaded == 1) {
            PlayEffect(SND_PAD, 0, 0);
            EXPECT_EQ(Pull(c.heard.size()), c.heard) << c.name;
            ReleaseSound();
            InitSound(SomeWindow());
        }
    }
}

TEST_F(Effects, ARefusedFileLeavesTheSlotAsItWasButAFailedBufferEmptiesIt) {
    ASSERT_EQ(LoadEffect(SND_GOAL, "wav_ramp"), 1);
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_fmt12"), 0);
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_missing"), 0);
    EXPECT_TRUE(soundState.effectBuffers[SND_GOAL]) << "refused before the old buffer was let go";
    EXPECT_EQ(LoadEffect(SND_GOAL, "wav_float"), 0);
    EXPECT_FALSE(soundState.effectBuffers[SND_GOAL]);
}

TEST_F(Effects, OnlyTheFiveSlotsExist) {
    EXPECT_EQ(LoadEffect(EFFECT_SLOT_COUNT, "wav_ramp"), 0);
    EXPECT_EQ(LoadEffect(-1, "wav_ramp"), 0);
    ASSERT_EQ(LoadEffect(SND_LOSE, "wav_ramp"), 1);
    PlayEffect(EFFECT_SLOT_COUNT, 1, 0);
    PlayEffect(-1, 1, 0);
    PlayEffect(SND_WIN, 1, 0);  // an empty slot
    EXPECT_EQ(Pull(3), V(3, 0));
    EXPECT_EQ(Status(SND_LOSE), 0u);
}

TEST_F(Effects, PlayingAPlayingEffectRestartsIt) {
    ASSERT_EQ(LoadEffect(SND_TITLE, "wav_ramp"), 1);
    PlayEffect(SND_TITLE, 0, 0);
    EXPECT_EQ(Pull(3), (V{10, 20, 30}));
    PlayEffect(SND_TITLE, 0, 0);
    EXPECT_EQ(Pull(3), (V{10, 20, 30}));
}

TEST_F(Effects, AFrequencyOnceSetStaysAndZeroKeepsIt) {
    ASSERT_EQ(LoadEffect(SND_PAD, "wav_sine"), 1);
    EXPECT_EQ(Frequency(SND_PAD), 22050u);
    PlayEffect(SND_PAD, 0, 22000);
    EXPECT_EQ(Frequency(SND_PAD), 22000u);
    PlayEffect(SND_PAD, 0, 20000);
    EXPECT_EQ(Frequency(SND_PAD), 20000u);
    PlayEffect(SND_PAD, 0, 0);
    EXPECT_EQ(Frequency(SND_PAD), 20000u);
    StopAllEffects();
    PlayEffect(SND_PAD, 1, 0);
    EXPECT_EQ(Frequency(SND_PAD), 20000u);
}

TEST_F(Effects, ThePadPlayedAt20000HzSoundsLowerThanRecorded) {
    ASSERT_EQ(LoadEffect(SND_PAD, "wav_sine"), 1);
    for (unsigned frequency : {22050u, 20000u}) {
        PlayEffect(SND_PAD, 0, frequency);
        const V out = Pull(20000);
        int crossings = 0;
        std::size_t first = 0;
        std::size_t last = 0;
        for (std::size_t f = 1; f < out.size(); ++f) {
            if (out[f - 1] < 0 && out[f] >= 0) {
                first = crossings == 0 ? f : first;
                last = f;
                ++crossings;
            }
        }
        const double hz = (crossings - 1) * 44100.0 / static_cast<double>(last - first);
        EXPECT_NEAR(hz, 1000.0 * frequency / 22050, 2) << frequency;
    }
}

TEST_F(Effects, ALoopPlaysUntilStoppedAndTheNextPlayRewinds) {
    ASSERT_EQ(LoadEffect(SND_WIN, "wav_ramp"), 1);
    PlayEffect(SND_WIN, 1, 0);
    Pull(100 * 5 + 50);  // five times round and half again
    EXPECT_EQ(Status(SND_WIN), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(Pull(2), (V{510, 520}));
    StopAllEffects();
    EXPECT_EQ(Status(SND_WIN), 0u);
    EXPECT_EQ(Pull(4), V(4, 0));
    EXPECT_EQ(Position(SND_WIN), 52u * 2) << "stopping does not rewind";
    PlayEffect(SND_WIN, 1, 0);
    EXPECT_EQ(Pull(2), (V{10, 20}));
}

TEST_F(Effects, StopAllStopsEveryEffect) {
    ASSERT_EQ(LoadEffect(SND_TITLE, "wav_ramp"), 1);
    ASSERT_EQ(LoadEffect(SND_GOAL, "wav_two_data"), 1);
    PlayEffect(SND_TITLE, 1, 0);
    PlayEffect(SND_GOAL, 1, 0);
    EXPECT_EQ(Pull(2), (V{18, 29}));
    StopAllEffects();
    EXPECT_EQ(Pull(2), V(2, 0));
}

TEST_F(Effects, ReleaseEmptiesEverythingAndTheEffectsFallSilent) {
    ASSERT_EQ(LoadEffect(SND_TITLE, "wav_ramp"), 1);
    PlayEffect(SND_TITLE, 1, 0);
    ReleaseSound();
    EXPECT_FALSE(soundState.directSound);
    EXPECT_FALSE(soundState.primaryBuffer);
    EXPECT_FALSE(soundState.effectBuffers[SND_TITLE]);
    EXPECT_EQ(LoadEffect(SND_TITLE, "wav_ramp"), 0) << "no device: nothing loads";
    PlayEffect(SND_TITLE, 1, 0);
    StopAllEffects();
    ReleaseSound();
}

TEST(EffectsWithoutCooperation, StillLoadAndPlay) {
    SetSoundOutput(SoundOutput::Pulled);
    EXPECT_EQ(InitSound(nullptr), 0) << "no window: the cooperative level fails";
    ASSERT_TRUE(soundState.directSound);
    EXPECT_FALSE(soundState.primaryBuffer);
    ASSERT_EQ(LoadEffect(SND_PAD, "wav_ramp"), 1);
    PlayEffect(SND_PAD, 0, 0);
    V out(4);
    soundState.directSound->Pull(out);
    EXPECT_EQ(out, (V{10, 10, 20, 20}));
    ReleaseSound();
    SetSoundOutput(SoundOutput::Device);
}

TEST(EffectsWithoutADevice, RunSilent) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(InitSound(SomeWindow()), 0);
    EXPECT_FALSE(soundState.directSound);
    EXPECT_EQ(LoadEffect(SND_PAD, "wav_ramp"), 0);
    PlayEffect(SND_PAD, 0, 20000);
    StopAllEffects();
    ReleaseSound();
}

}  // namespace
