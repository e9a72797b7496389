// What one audio callback costs: the five effects playing at once, mixed into 1024 frames.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/sound/sound_mixer.h"

namespace {

void BM_MixFiveEffects(benchmark::State& state) {
    std::vector<platform::Voice> voices(5);
    const std::uint32_t rates[5] = {11025, 11025, 11025, 22050, 22050};
    for (int i = 0; i < 5; ++i) {
        platform::Voice& v = voices[i];
        v.format = {platform::WAVE_FORMAT_PCM, 1, rates[i], rates[i] * 2, 2, 16};
        v.frequency = i == 3 ? 20000 : rates[i];
        v.bytes.assign(80000, static_cast<std::uint8_t>(i * 37));
        v.playing = v.looping = true;
    }
    std::vector<platform::Voice*> playing;
    for (auto& v : voices) {
        playing.push_back(&v);
    }
    std::vector<std::int16_t> out(1024 * 2);
    for (auto _ : state) {
        platform::MixVoices(playing, 44100, 2, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_MixFiveEffects);

}  // namespace

BENCHMARK_MAIN();
