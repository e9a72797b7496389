#include "platform/sound_device.h"

#include "platform/sound_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace platform {
namespace {

HWND SomeWindow() {
    return reinterpret_cast<HWND>(std::uintptr_t{0x1000});
}

std::vector<std::uint8_t> FormatBytes(std::uint16_t channels, std::uint32_t rate,
                                      std::uint16_t bits, std::uint16_t tag = WAVE_FORMAT_PCM) {
    const std::uint32_t block = channels * bits / 8;
    const std::uint32_t byteRate = rate * block;
    return {static_cast<std::uint8_t>(tag),
            0,
            static_cast<std::uint8_t>(channels),
            0,
            static_cast<std::uint8_t>(rate),
            static_cast<std::uint8_t>(rate >> 8),
            static_cast<std::uint8_t>(rate >> 16),
            0,
            static_cast<std::uint8_t>(byteRate),
            static_cast<std::uint8_t>(byteRate >> 8),
            static_cast<std::uint8_t>(byteRate >> 16),
            0,
            static_cast<std::uint8_t>(block),
            0,
            static_cast<std::uint8_t>(bits),
            0};
}

class PulledDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSoundOutput(SoundOutput::Pulled);
        ASSERT_EQ(CreateSoundDevice(&device), SOUND_OK);
        ASSERT_EQ(device->SetCooperativeLevel(SomeWindow(), DSSCL_NORMAL), SOUND_OK);
    }
    void TearDown() override { SetSoundOutput(SoundOutput::Device); }

    // A mono 16-bit buffer at 44100 Hz (the output rate) holding `samples`.
    std::unique_ptr<SoundBuffer> Make(const std::vector<std::int16_t>& samples,
                                      std::uint32_t flags = DSBCAPS_STATIC |
                                                            DSBCAPS_CTRLFREQUENCY) {
        format = FormatBytes(1, 44100, 16);
        SoundBufferDesc desc;
        desc.flags = flags;
        desc.bufferBytes = static_cast<std::uint32_t>(samples.size() * 2);
        desc.format = format;
        std::unique_ptr<SoundBuffer> buffer;
        EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), SOUND_OK);
        void* region = nullptr;
        std::uint32_t length = 0;
        EXPECT_EQ(buffer->Lock(0, desc.bufferBytes, &region, &length, nullptr, nullptr, 0),
                  SOUND_OK);
        std::memcpy(region, samples.data(), length);
        EXPECT_EQ(buffer->Unlock(region, length, nullptr, 0), SOUND_OK);
        return buffer;
    }
    // The left channel of the next frames.
    std::vector<std::int16_t> Pull(std::size_t frames) {
        std::vector<std::int16_t> out(frames * 2);
        device->Pull(out);
        std::vector<std::int16_t> left;
        for (std::size_t f = 0; f < frames; ++f) {
            left.push_back(out[f * 2]);
        }
        return left;
    }
    std::uint32_t Position(SoundBuffer& buffer) {
        std::uint32_t play = 0;
        std::uint32_t write = 0;
        EXPECT_EQ(buffer.GetCurrentPosition(&play, &write), SOUND_OK);
        return play;
    }
    std::uint32_t Status(SoundBuffer& buffer) {
        std::uint32_t status = 0;
        EXPECT_EQ(buffer.GetStatus(&status), SOUND_OK);
        return status;
    }

    std::unique_ptr<SoundDevice> device;
    std::vector<std::uint8_t> format;
};

using V = std::vector<std::int16_t>;

TEST_F(PulledDevice, CreatesOnlyWhatItCanPlay) {
    std::unique_ptr<SoundBuffer> buffer;
    SoundBufferDesc primary;
    primary.flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLDEFAULT;
    EXPECT_EQ(device->CreateSoundBuffer(primary, &buffer), SOUND_OK);
    ASSERT_TRUE(buffer);
    void* region = nullptr;
    std::uint32_t length = 0;
    EXPECT_NE(buffer->Lock(0, 4, &region, &length, nullptr, nullptr, 0), SOUND_OK);

    const auto good = FormatBytes(1, 22050, 16);
    SoundBufferDesc secondary;
    secondary.flags = 0x40E2;
    secondary.bufferBytes = 100;
    secondary.format = good;
    EXPECT_EQ(device->CreateSoundBuffer(secondary, &buffer), SOUND_OK);
    EXPECT_TRUE(buffer);

    const auto floating = FormatBytes(1, 22050, 32, 3);
    const auto threeChannels = FormatBytes(3, 22050, 16);
    const std::span<const std::uint8_t> plainWaveFormat(good.data(), 14);
    const struct {
        const char* what;
        SoundBufferDesc desc;
        int expected;
    } cases[] = {
        {"description of another size", {36, 0, 100, 0, good}, SOUNDERR_INVALIDPARAM},
        {"reserved field set", {20, 0, 100, 1, good}, SOUNDERR_INVALIDPARAM},
        {"unknown flag", {20, 0x10000, 100, 0, good}, SOUNDERR_INVALIDPARAM},
        {"primary with a size", {20, DSBCAPS_PRIMARYBUFFER, 100, 0, {}}, SOUNDERR_INVALIDPARAM},
        {"primary with a format", {20, DSBCAPS_PRIMARYBUFFER, 0, 0, good}, SOUNDERR_INVALIDPARAM},
        {"no format", {20, 0, 100, 0, {}}, SOUNDERR_INVALIDPARAM},
        {"format of 13 bytes", {20, 0, 100, 0, plainWaveFormat.first(13)}, SOUNDERR_INVALIDPARAM},
        {"too small", {20, 0, MIN_SOUND_BUFFER_BYTES - 1, 0, good}, SOUNDERR_INVALIDPARAM},
        {"too large", {20, 0, MAX_SOUND_BUFFER_BYTES + 1, 0, good}, SOUNDERR_INVALIDPARAM},
        {"not PCM", {20, 0, 100, 0, floating}, SOUNDERR_BADFORMAT},
        {"three channels", {20, 0, 100, 0, threeChannels}, SOUNDERR_BADFORMAT},
        {"WAVEFORMAT of 14 bytes", {20, 0, 100, 0, plainWaveFormat}, SOUND_OK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(device->CreateSoundBuffer(c.desc, &buffer), c.expected) << c.what;
        EXPECT_EQ(buffer != nullptr, c.expected == SOUND_OK) << c.what;
    }
}

TEST_F(PulledDevice, LocksInOneOrTwoRegions) {
    auto buffer = Make(V(8, 0));  // 16 bytes
    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t length1 = 0;
    std::uint32_t length2 = 0;
    // From byte 12, ten bytes: four to the end, six more from the start.
    ASSERT_EQ(buffer->Lock(12, 10, &region1, &length1, &region2, &length2, 0), SOUND_OK);
    EXPECT_EQ(length1, 4u);
    EXPECT_EQ(length2, 6u);
    EXPECT_EQ(static_cast<std::uint8_t*>(region1) - static_cast<std::uint8_t*>(region2), 12);
    EXPECT_EQ(buffer->Lock(0, 2, &region1, &length1, &region2, &length2, 0), SOUNDERR_INVALIDCALL)
        << "a locked buffer cannot be locked again";
    const std::int16_t first[2] = {7, 8};
    const std::int16_t second[3] = {1, 2, 3};
    std::memcpy(region1, first, 4);
    std::memcpy(region2, second, 6);
    buffer->Play(0, 0, 0);
    EXPECT_EQ(Pull(2), V(2, 0)) << "the mixer leaves a locked buffer alone";
    std::int16_t elsewhere = 0;
    EXPECT_EQ(buffer->Unlock(&elsewhere, 4, nullptr, 0), SOUNDERR_INVALIDCALL);
    ASSERT_EQ(buffer->Unlock(region1, length1, region2, length2), SOUND_OK);
    EXPECT_EQ(Pull(9), (V{1, 2, 3, 0, 0, 0, 7, 8, 0}));

    ASSERT_EQ(buffer->Lock(4, 4, &region1, &length1, &region2, &length2, 0), SOUND_OK);
    EXPECT_EQ(length1, 4u);
    EXPECT_EQ(length2, 0u);
    EXPECT_EQ(region2, nullptr);
    buffer->Unlock(region1, length1, region2, length2);
    ASSERT_EQ(buffer->Lock(8, 0, &region1, &length1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER),
              SOUND_OK);
    EXPECT_EQ(length1, 16u);
    buffer->Unlock(region1, length1, nullptr, 0);
    EXPECT_EQ(buffer->Lock(16, 1, &region1, &length1, nullptr, nullptr, 0), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 17, &region1, &length1, nullptr, nullptr, 0), SOUNDERR_INVALIDPARAM);
}

TEST_F(PulledDevice, AFrequencyStaysUntilSetAgain) {
    auto buffer = Make(V(10, 1));
    std::uint32_t frequency = 0;
    buffer->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 44100u) << "a buffer starts at its format's rate";
    EXPECT_EQ(buffer->SetFrequency(22000), SOUND_OK);
    EXPECT_EQ(buffer->SetFrequency(20000), SOUND_OK);
    buffer->Play(0, 0, 0);
    Pull(30);
    buffer->Play(0, 0, 0);
    buffer->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 20000u);
    EXPECT_EQ(buffer->SetFrequency(MIN_SOUND_RATE - 1), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(MAX_SOUND_RATE + 1), SOUNDERR_INVALIDPARAM);
    buffer->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 20000u);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), SOUND_OK);
    buffer->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 44100u);

    auto fixed = Make(V(10, 1), DSBCAPS_STATIC);
    EXPECT_EQ(fixed->SetFrequency(20000), SOUNDERR_CONTROLUNAVAIL);
}

TEST_F(PulledDevice, PlayGoesOnFromThePositionAndStopKeepsIt) {
    auto buffer = Make({10, 20, 30, 40, 50, 60});
    EXPECT_EQ(buffer->Play(0, 0, 0), SOUND_OK);
    EXPECT_EQ(Status(*buffer), DSBSTATUS_PLAYING);
    EXPECT_EQ(Pull(2), (V{10, 20}));
    EXPECT_EQ(Position(*buffer), 4u);
    buffer->Play(0, 0, 0);  // already playing: it goes on
    EXPECT_EQ(Pull(1), (V{30}));
    EXPECT_EQ(buffer->Stop(), SOUND_OK);
    EXPECT_EQ(Status(*buffer), 0u);
    EXPECT_EQ(Pull(2), (V{0, 0}));
    EXPECT_EQ(Position(*buffer), 6u) << "stopping does not rewind";
    buffer->Play(0, 0, 0);
    EXPECT_EQ(Pull(4), (V{40, 50, 60, 0}));
    EXPECT_EQ(Status(*buffer), 0u) << "played once, it stops at its end";
    EXPECT_EQ(Position(*buffer), 0u);

    EXPECT_EQ(buffer->SetCurrentPosition(7), SOUND_OK);  // inside the fourth frame: from it
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Status(*buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(Pull(8), (V{40, 50, 60, 10, 20, 30, 40, 50}));
    EXPECT_EQ(buffer->SetCurrentPosition(12), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(1, 0, 0), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(0, 0, 2), SOUNDERR_INVALIDPARAM);
}

TEST_F(PulledDevice, BuffersMixTogetherAndLeaveTheMixWhenReleased) {
    auto a = Make({100, 100, 100, 100});
    auto b = Make({1, 2, 3, 4});
    a->Play(0, 0, DSBPLAY_LOOPING);
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Pull(2), (V{101, 102}));
    a.reset();
    EXPECT_EQ(Pull(2), (V{3, 4}));
    // A buffer may outlive its device; it is simply no longer heard.
    device.reset();
    EXPECT_EQ(b->Stop(), SOUND_OK);
}

// The SDL audio device, with SDL's disk driver writing what the callback mixed into a file.
TEST(SoundDeviceOnSdl, MixesIntoTheAudioDevice) {
    const std::string file = ::testing::TempDir() + "puckwind_sound_device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::unique_ptr<SoundDevice> device;
    ASSERT_EQ(CreateSoundDevice(&device), SOUND_OK);
    const auto format = FormatBytes(1, 11025, 16);
    SoundBufferDesc desc;
    desc.flags = DSBCAPS_STATIC;
    desc.bufferBytes = 8;
    desc.format = format;
    std::unique_ptr<SoundBuffer> buffer;
    ASSERT_EQ(device->CreateSoundBuffer(desc, &buffer), SOUND_OK);
    void* region = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(buffer->Lock(0, 8, &region, &length, nullptr, nullptr, 0), SOUND_OK);
    const std::int16_t steps[4] = {1000, 2000, 3000, 4000};
    std::memcpy(region, steps, 8);
    buffer->Unlock(region, length, nullptr, 0);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    buffer.reset();
    device.reset();  // closes the device: the file is complete

    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    // Somewhere in it, the loop at four times its rate: each sample with three steps toward
    // the next, on both channels.
    const std::vector<std::int16_t> period = {1000, 1250, 1500, 1750, 2000, 2250, 2500, 2750,
                                              3000, 3250, 3500, 3750, 4000, 3250, 2500, 1750};
    std::vector<std::int16_t> expected;
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (std::int16_t s : period) {
            expected.push_back(s);
            expected.push_back(s);
        }
    }
    EXPECT_NE(std::search(samples.begin(), samples.end(), expected.begin(), expected.end()),
              samples.end())
        << "in " << samples.size() << " samples";
    std::remove(file.c_str());
}

TEST(SoundDeviceOnSdl, ThereIsNoDeviceWithoutADriver) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::unique_ptr<SoundDevice> device;
    EXPECT_EQ(CreateSoundDevice(&device), SOUNDERR_NODRIVER);
    EXPECT_FALSE(device);
    // Nothing was left half made: a driver that exists opens afterwards.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(CreateSoundDevice(&device), SOUND_OK);
    EXPECT_TRUE(device);
}

}  // namespace
}  // namespace platform
