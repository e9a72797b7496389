// The game's own five recordings, loaded from the resources the game carries.
#include <gtest/gtest.h>

#include "sound/sound.h"
#include "sound/wave_reader.h"

namespace {

using namespace platform;

TEST(GameEffects, AllFiveLoadInTheirFormats) {
    SetSoundOutput(SoundOutput::Pulled);
    ASSERT_EQ(InitSound(reinterpret_cast<HWND>(std::uintptr_t{0x1000})), 1);
    const struct {
        SoundId slot;
        const char* name;
        std::uint32_t rate;
        std::size_t bytes;
    } effects[] = {{SND_PAD, "wav_pad", 22050, 17588},
                   {SND_GOAL, "wav_goal", 22050, 34816},
                   {SND_TITLE, "wav_title", 11025, 87016},
                   {SND_WIN, "wav_win", 11025, 80109},
                   {SND_LOSE, "wav_lose", 11025, 77199}};
    for (const auto& e : effects) {
        ASSERT_EQ(LoadEffect(e.slot, e.name), 1) << e.name;
        const auto file = FindResource("WAVE", e.name);
        const WaveReading wave = ReadWave(*file);
        EXPECT_EQ(wave.data.size(), e.bytes) << e.name;
        EXPECT_EQ(wave.format.size(), 16u) << e.name;
        EXPECT_FALSE(wave.clamped) << e.name;
        EXPECT_EQ(file->size(), 44 + e.bytes + e.bytes % 2) << e.name << ": one pad byte when odd";
        std::uint32_t frequency = 0;
        soundState.effectBuffers[e.slot]->GetFrequency(&frequency);
        EXPECT_EQ(frequency, e.rate) << e.name;
    }

    // The title, at a quarter of the output rate, comes out sample for sample every fourth frame.
    const auto title = ReadWave(*FindResource("WAVE", "wav_title")).data;
    PlayEffect(SND_TITLE, 1, 0);
    std::vector<std::int16_t> out(2 * 4 * 2000);
    soundState.directSound->Pull(out);
    for (std::size_t k = 0; k < 2000; ++k) {
        const auto sample = static_cast<std::int16_t>(title[2 * k] | title[2 * k + 1] << 8);
        ASSERT_EQ(out[2 * 4 * k], sample) << k;
    }
    ReleaseSound();
    SetSoundOutput(SoundOutput::Device);
}

}  // namespace
