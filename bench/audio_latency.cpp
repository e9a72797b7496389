// Audio latency: from PlayEffect to the effect's first sample in the device's output, with the
// game's sound device on SDL's "disk" audio driver writing into a pipe that this program reads.
// The driver mixes one buffer, writes it and sleeps for the buffer's duration, so a sample
// leaves at the moment its buffer arrives plus its offset in the buffer. The effect's own
// leading silence (measured first through a pulled output) is taken off. A real device plays
// the buffer later by what it queues itself, which is not seen here.
// The baseline is a bare SDL audio callback of the same format and buffer size that starts a
// tone when asked.
// Usage: audio_latency [--baseline] [TRIALS]   (default 100)
#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/sound_device.h"
#include "sound/sound.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int RATE = 44100;
constexpr int CHANNELS = 2;
constexpr int BUFFER_FRAMES = 1024;  // the game's device asks SDL for this buffer

// Reads the driver's output and reports, once armed, when the first non-silent frame arrives.
class OutputWatch {
  public:
    explicit OutputWatch(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
    ~OutputWatch() {
        stop_ = true;
        thread_.join();
    }
    void Arm(Clock::time_point played) {
        played_ = played;
        result_ = -1;
        armed_ = true;
    }
    // Milliseconds from the arming to the first non-silent frame, or -1 if none came in time.
    double Wait(double timeoutMs) {
        const auto start = Clock::now();
        while (armed_ && Ms(Clock::now() - start).count() < timeoutMs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        armed_ = false;
        return result_;
    }

  private:
    void Run() {
        const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        std::vector<std::int16_t> chunk(BUFFER_FRAMES * CHANNELS);
        while (!stop_) {
            const ssize_t got = read(fd, chunk.data(), chunk.size() * sizeof(std::int16_t));
            const auto arrived = Clock::now();
            if (got <= 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            if (!armed_) {
                continue;
            }
            const std::size_t samples = static_cast<std::size_t>(got) / sizeof(std::int16_t);
            for (std::size_t i = 0; i < samples; ++i) {
                if (chunk[i] != 0) {
                    const double offsetMs = 1000.0 * static_cast<double>(i / CHANNELS) / RATE;
                    result_ = Ms(arrived - played_).count() + offsetMs;
                    armed_ = false;
                    break;
                }
            }
        }
        close(fd);
    }

    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> armed_{false};
    std::atomic<double> result_{-1};
    Clock::time_point played_;
    std::thread thread_;
};

// Frames of silence the pad effect opens with, as the mixer plays it.
double LeadingSilenceMs() {
    platform::SetSoundOutput(platform::SoundOutput::Pulled);
    InitSound(nullptr);
    LoadEffect(SND_PAD, "wav_pad");
    PlayEffect(SND_PAD, 0, 0);
    std::vector<std::int16_t> out(CHANNELS);
    int frames = 0;
    for (; frames < RATE; ++frames) {
        soundState.directSound->Pull(out);
        if (out[0] != 0 || out[1] != 0) {
            break;
        }
    }
    ReleaseSound();
    platform::SetSoundOutput(platform::SoundOutput::Device);
    return 1000.0 * frames / RATE;
}

std::atomic<bool> toneOn{false};

void ToneCallback(void*, Uint8* stream, int length) {
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const int samples = length / static_cast<int>(sizeof(std::int16_t));
    const std::int16_t value = toneOn ? 3000 : 0;
    std::fill(out, out + samples, value);
}

void Report(const char* name, std::vector<double> latencies, int missed, double bufferMs) {
    std::sort(latencies.begin(), latencies.end());
    double sum = 0;
    for (double l : latencies) {
        sum += l;
    }
    const auto at = [&](double q) {
        return latencies.empty() ? -1.0
                                 : latencies[static_cast<std::size_t>(
                                       q * static_cast<double>(latencies.size() - 1))];
    };
    std::printf(
        "%s: buffer %d frames = %.2f ms  trials %zu  missed %d  mean %.2f ms  p99 %.2f ms  "
        "max %.2f ms\n",
        name, BUFFER_FRAMES, bufferMs, latencies.size(), missed,
        latencies.empty() ? -1.0 : sum / static_cast<double>(latencies.size()), at(0.99), at(1.0));
}

}  // namespace

int main(int argc, char** argv) {
    const bool baseline = argc > 1 && std::strcmp(argv[1], "--baseline") == 0;
    const int trials = argc > (baseline ? 2 : 1) ? std::atoi(argv[baseline ? 2 : 1]) : 100;
    char dir[] = "/tmp/audio-latency-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        return 1;
    }
    const std::string fifo = std::string(dir) + "/out";
    mkfifo(fifo.c_str(), 0600);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
    const double bufferMs = 1000.0 * BUFFER_FRAMES / RATE;

    const double leadMs = baseline ? 0.0 : LeadingSilenceMs();
    std::vector<double> latencies;
    int missed = 0;
    {
        OutputWatch watch(fifo);
        SDL_AudioDeviceID device = 0;
        if (baseline) {
            SDL_InitSubSystem(SDL_INIT_AUDIO);
            SDL_AudioSpec want{};
            want.freq = RATE;
            want.format = AUDIO_S16SYS;
            want.channels = CHANNELS;
            want.samples = BUFFER_FRAMES;
            want.callback = ToneCallback;
            SDL_AudioSpec got{};
            device = SDL_OpenAudioDevice(nullptr, 0, &want, &got, 0);
            SDL_PauseAudioDevice(device, 0);
        } else if (InitSound(nullptr) == 0 && !soundState.directSound) {
            std::fprintf(stderr, "audio_latency: no sound device\n");
            return 1;
        } else {
            LoadEffect(SND_PAD, "wav_pad");
        }
        std::mt19937 random(8);
        std::uniform_real_distribution<double> pause(60, 60 + bufferMs);
        for (int i = 0; i < trials; ++i) {
            if (baseline) {
                toneOn = false;
            } else {
                StopAllEffects();
            }
            // Silence reaches the output first, then the effect starts at a random phase.
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(pause(random)));
            const auto played = Clock::now();
            watch.Arm(played);
            if (baseline) {
                toneOn = true;
            } else {
                PlayEffect(SND_PAD, 0, 0);
            }
            const double latency = watch.Wait(1000);
            if (latency < 0) {
                ++missed;
            } else {
                latencies.push_back(latency - leadMs);
            }
        }
        if (baseline) {
            SDL_CloseAudioDevice(device);
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        } else {
            ReleaseSound();
        }
    }
    Report(baseline ? "baseline" : "game", latencies, missed, bufferMs);
    unlink(fifo.c_str());
    rmdir(dir);
    return 0;
}
