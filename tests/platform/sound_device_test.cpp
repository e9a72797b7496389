// The sound-buffer device: its mixer, its buffers over a pulled output, SDL's disk driver.
#include "platform/sound/sound_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "platform/sound/sound_mixer.h"

namespace platform {
namespace {

using V = std::vector<std::int16_t>;

// The bytes of a "fmt " body: tag, channels, rate, byte rate, block and bits (little-endian).
std::vector<std::uint8_t> FormatBytes(std::uint32_t channels, std::uint32_t rate,
                                      std::uint32_t bits, std::uint32_t tag = WAVE_FORMAT_PCM) {
    const std::uint32_t block = channels * bits / 8;
    const std::uint32_t fields[4] = {tag | channels << 16, rate, rate * block, block | bits << 16};
    std::vector<std::uint8_t> bytes(sizeof fields);
    std::memcpy(bytes.data(), fields, sizeof fields);
    return bytes;
}

// A playing voice of 16-bit samples.
Voice Playing(std::uint32_t rate, const V& samples, std::uint16_t channels = 1) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(samples.data());
    const std::vector<std::uint8_t> bytes(first, first + samples.size() * 2);
    const auto block = static_cast<std::uint16_t>(2 * channels);
    return {bytes, {WAVE_FORMAT_PCM, channels, rate, rate * block, block, 16}, rate, 0, true};
}

// The mix of `frames` frames at 44100 Hz, written over what the output held.
V Mix(std::vector<Voice*> voices, std::size_t frames, int channels = 1) {
    V out(frames * channels, 12345);
    MixVoices(voices, 44100, channels, out);
    return out;
}

TEST(SoundMixer, ResamplesByInterpolationSoThatALowerRateSoundsLowerAndLastsLonger) {
    Voice voice = Playing(11025, {0, 4000, 0});
    EXPECT_EQ(Mix({&voice}, 13), (V{0, 1000, 2000, 3000, 4000, 3000, 2000, 1000, 0, 0, 0, 0, 0}));
}

TEST(SoundMixer, ReadsEightBitAndStereoVoicesAndClipsTheirSum) {
    Voice eight = Playing(44100, {});
    eight.format = {WAVE_FORMAT_PCM, 1, 44100, 44100, 1, 8};
    eight.bytes = {128, 255, 0};
    Voice sixteen = Playing(44100, {-7, 1000, -1000});
    EXPECT_EQ(Mix({&eight, &sixteen}, 3), (V{-7, 32767, -32768}));
    Voice stereo = Playing(44100, {100, 300, 200, -200}, 2);
    EXPECT_EQ(Mix({&stereo}, 2, 2), (V{100, 300, 200, -200}));
    stereo.playing = true;
    EXPECT_EQ(Mix({&stereo}, 2), (V{200, 0})) << "left and right are averaged on a mono output";
}

// A mono 16-bit buffer holding `samples`, written through Lock.
std::unique_ptr<SoundBuffer> Make(SoundDevice& device, const V& samples, std::uint32_t rate = 44100,
                                  std::uint32_t flags = DSBCAPS_CTRLFREQUENCY) {
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::unique_ptr<SoundBuffer> buffer;
    device.CreateSoundBuffer({20, flags, bytes, 0, FormatBytes(1, rate, 16)}, &buffer);
    void* region = nullptr;
    std::uint32_t length = 0;
    buffer->Lock(0, bytes, &region, &length, nullptr, nullptr, 0);
    std::memcpy(region, samples.data(), length);
    buffer->Unlock(region, length, nullptr, 0);
    return buffer;
}

class PulledDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSoundOutput(SoundOutput::Pulled);
        ASSERT_EQ(CreateSoundDevice(&device), SOUND_OK);
    }
    // The next frames, left and right.
    V Pull(std::size_t frames) {
        V out(frames * 2);
        device->Pull(out);
        return out;
    }
    std::unique_ptr<SoundDevice> device;
};

TEST_F(PulledDevice, CreatesOnlyWhatItCanPlayAndPlaysAtTheFrequenciesItCan) {
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_NORMAL), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(1), 5), SOUNDERR_INVALIDPARAM);
    const auto good = FormatBytes(1, 44100, 16), stereo8 = FormatBytes(2, 11025, 8),
               slowest = FormatBytes(1, 100, 8), fastest = FormatBytes(2, 200000, 16),
               tooFast = FormatBytes(1, 200001, 16);
    auto skewed = good;
    skewed[8] += 1;  // the byte rate
    const std::span<const std::uint8_t> fmt(good);
    const std::tuple<const char*, SoundBufferDesc, int> cases[] = {
        {"the smallest", {20, 0, 4, 0, fmt}, SOUND_OK},
        {"stereo 8-bit in 14 bytes", {20, 0, 100, 0, std::span(stereo8).first(14)}, SOUND_OK},
        {"the slowest", {20, 0, 100, 0, slowest}, SOUND_OK},
        {"the fastest", {20, 0, 100, 0, fastest}, SOUND_OK},
        {"a description of another size", {36, 0, 100, 0, fmt}, SOUNDERR_INVALIDPARAM},
        {"the reserved field set", {20, 0, 100, 1, fmt}, SOUNDERR_INVALIDPARAM},
        {"an unknown flag", {20, 0x10000, 100, 0, fmt}, SOUNDERR_INVALIDPARAM},
        {"a primary with a size", {20, DSBCAPS_PRIMARYBUFFER, 100, 0, {}}, SOUNDERR_INVALIDPARAM},
        {"a format of 13 bytes", {20, 0, 100, 0, fmt.first(13)}, SOUNDERR_INVALIDPARAM},
        {"too small", {20, 0, 3, 0, fmt}, SOUNDERR_INVALIDPARAM},
        {"too fast", {20, 0, 100, 0, tooFast}, SOUNDERR_BADFORMAT},
        {"a byte rate of another block", {20, 0, 100, 0, skewed}, SOUNDERR_BADFORMAT},
    };
    for (const auto& [what, desc, expected] : cases) {
        std::unique_ptr<SoundBuffer> buffer;
        EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), expected) << what;
        EXPECT_EQ(buffer != nullptr, expected == SOUND_OK) << what;
    }

    auto buffer = Make(*device, V(10, 1));
    std::uint32_t frequency = 0;
    const std::tuple<std::uint32_t, int, std::uint32_t> sets[] = {
        {99, SOUNDERR_INVALIDPARAM, 44100},       {100, SOUND_OK, 100},
        {200001, SOUNDERR_INVALIDPARAM, 100},     {200000, SOUND_OK, 200000},
        {DSBFREQUENCY_ORIGINAL, SOUND_OK, 44100}, {20000, SOUND_OK, 20000}};
    for (const auto& [set, result, now] : sets) {
        EXPECT_EQ(buffer->SetFrequency(set), result) << set;
        buffer->GetFrequency(&frequency);
        EXPECT_EQ(frequency, now) << set;
    }
    EXPECT_EQ(Make(*device, V(10, 1), 44100, 0)->SetFrequency(20000), SOUNDERR_CONTROLUNAVAIL);
}

TEST_F(PulledDevice, LocksInOneOrTwoRegionsAndIsNotMixedWhileLocked) {
    auto buffer = Make(*device, V(8, 0));  // 16 bytes
    void* region[2] = {};
    std::uint32_t length[2] = {};
    const auto lock = [&](std::uint32_t offset, std::uint32_t bytes, std::uint32_t flags) {
        EXPECT_EQ(
            buffer->Lock(offset, bytes, &region[0], &length[0], &region[1], &length[1], flags),
            SOUND_OK);
        return std::tuple(length[0], region[1] != nullptr, length[1]);
    };
    const auto unlock = [&] { return buffer->Unlock(region[0], length[0], region[1], length[1]); };
    EXPECT_EQ(lock(8, 0, DSBLOCK_ENTIREBUFFER), std::tuple(16u, false, 0u));
    unlock();
    EXPECT_EQ(lock(4, 4, 0), std::tuple(4u, false, 0u));
    unlock();
    EXPECT_EQ(buffer->Lock(16, 1, &region[0], &length[0], nullptr, nullptr, 0),
              SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 17, &region[0], &length[0], nullptr, nullptr, 0),
              SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(lock(12, 10, 0), std::tuple(4u, true, 6u)) << "four to the end, six from the start";
    EXPECT_EQ(buffer->Lock(0, 2, &region[0], &length[0], nullptr, nullptr, 0), SOUNDERR_INVALIDCALL)
        << "a locked buffer cannot be locked again";
    const std::int16_t samples[5] = {7, 8, 1, 2, 3};
    std::memcpy(region[0], samples, 4);
    std::memcpy(region[1], samples + 2, 6);
    buffer->Play(0, 0, 0);
    EXPECT_EQ(Pull(1), V(2, 0)) << "the mixer leaves a locked buffer alone";
    EXPECT_EQ(buffer->Unlock(static_cast<char*>(region[0]) + 4, 4, nullptr, 0),
              SOUNDERR_INVALIDCALL);  // the end of the buffer
    ASSERT_EQ(unlock(), SOUND_OK);
    EXPECT_EQ(Pull(9), (V{1, 1, 2, 2, 3, 3, 0, 0, 0, 0, 0, 0, 7, 7, 8, 8, 0, 0}));
}

TEST_F(PulledDevice, PlayGoesOnFromThePositionStopKeepsItAndBuffersMixUntilReleased) {
    auto buffer = Make(*device, {10, 20, 30, 40, 50, 60});
    const auto state = [&] {
        std::uint32_t play = 0, status = 0;
        buffer->GetCurrentPosition(&play, nullptr);
        buffer->GetStatus(&status);
        return std::pair(play, status);
    };
    EXPECT_EQ(buffer->Play(0, 0, 0), SOUND_OK);
    EXPECT_EQ(Pull(2), (V{10, 10, 20, 20}));
    EXPECT_EQ(state(), std::pair(4u, DSBSTATUS_PLAYING));
    EXPECT_EQ(buffer->Stop(), SOUND_OK);
    EXPECT_EQ(Pull(1), (V{0, 0}));
    EXPECT_EQ(state(), std::pair(4u, 0u)) << "stopping does not rewind";
    buffer->Play(0, 0, 0);
    EXPECT_EQ(Pull(5), (V{30, 30, 40, 40, 50, 50, 60, 60, 0, 0}));
    EXPECT_EQ(state(), std::pair(0u, 0u)) << "played once, it stops at its end, at its start";

    EXPECT_EQ(buffer->SetCurrentPosition(7), SOUND_OK);  // inside the fourth frame: from it
    EXPECT_EQ(buffer->SetCurrentPosition(12), SOUNDERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(0, 0, 2), SOUNDERR_INVALIDPARAM);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    auto other = Make(*device, {1, 2});
    other->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Pull(4), (V{41, 41, 52, 52, 61, 61, 12, 12}));
    EXPECT_EQ(state(), std::pair(2u, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    buffer.reset();
    EXPECT_EQ(Pull(1), (V{1, 1})) << "a released buffer leaves the mix";
}

// The SDL audio device, with SDL's disk driver writing what the callback mixed into a file.
TEST(SoundDeviceOnSdl, MixesIntoTheAudioDeviceAndThereIsNoDeviceWithoutADriver) {
    const std::string file = ::testing::TempDir() + "puckwind_sound_device.raw";
    SetSoundOutput(SoundOutput::Device);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::unique_ptr<SoundDevice> device;
    ASSERT_EQ(CreateSoundDevice(&device), SOUND_OK);
    auto buffer = Make(*device, {1000, 2000, 3000, 4000}, 11025, 0);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    // Until the driver has written a few callbacks of 1024 frames, for ten seconds at most.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::filesystem::file_size(file) < 4 * 4096 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    device.reset();  // closes the device: the file is complete
    V samples(std::filesystem::file_size(file) / 2);
    std::ifstream(file, std::ios::binary)
        .read(reinterpret_cast<char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * 2));
    std::remove(file.c_str());
    // The loop at four times its rate on both channels: each sample with three steps toward the
    // next, the last toward the first.
    const V period = {1000, 1000, 1250, 1250, 1500, 1500, 1750, 1750, 2000, 2000, 2250,
                      2250, 2500, 2500, 2750, 2750, 3000, 3000, 3250, 3250, 3500, 3500,
                      3750, 3750, 4000, 4000, 3250, 3250, 2500, 2500, 1750, 1750};
    EXPECT_NE(std::search(samples.begin(), samples.end(), period.begin(), period.end()),
              samples.end());
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(CreateSoundDevice(&device), SOUNDERR_NODRIVER);
    EXPECT_FALSE(device);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(CreateSoundDevice(&device), SOUND_OK) << "nothing was left half made";
}

}  // namespace
}  // namespace platform
