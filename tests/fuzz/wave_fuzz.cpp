// Feeds arbitrary bytes to the WAVE reader, and what it accepts to the sound-buffer device the
// way the game does: a buffer in the file's format, filled with its samples, mixed for a while
// at the file's rate and at the two pad frequencies.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/sound/sound_device.h"
#include "sound/wave_reader.h"

namespace {

bool Inside(std::span<const std::uint8_t> part, const std::uint8_t* data, std::size_t size) {
    return part.empty() || (part.data() >= data && part.data() + part.size() <= data + size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WaveReading wave = ReadWave({data, size});
    if (!Inside(wave.format, data, size) || !Inside(wave.data, data, size)) {
        std::abort();
    }
    if (wave.refusal != WAVE_ACCEPTED) {
        return 0;
    }
    if (wave.format.size() < MIN_FMT_CHUNK_SIZE || wave.data.empty()) {
        std::abort();
    }
    static std::unique_ptr<platform::SoundDevice> device = [] {
        platform::SetSoundOutput(platform::SoundOutput::Pulled);
        std::unique_ptr<platform::SoundDevice> made;
        platform::CreateSoundDevice(&made);
        return made;
    }();
    platform::SoundBufferDesc desc;
    desc.flags = platform::DSBCAPS_STATIC | platform::DSBCAPS_CTRLFREQUENCY;
    desc.bufferBytes = static_cast<std::uint32_t>(wave.data.size());
    desc.format = wave.format;
    std::unique_ptr<platform::SoundBuffer> buffer;
    if (device->CreateSoundBuffer(desc, &buffer) != platform::SOUND_OK) {
        return 0;
    }
    void* region1 = nullptr;
    std::uint32_t length1 = 0;
    if (buffer->Lock(0, desc.bufferBytes, &region1, &length1, nullptr, nullptr, 0) ==
        platform::SOUND_OK) {
        std::memcpy(region1, wave.data.data(), length1);
        buffer->Unlock(region1, length1, nullptr, 0);
    }
    std::vector<std::int16_t> out(std::size_t{2} * 300);
    for (unsigned frequency : {0u, 20000u, 22000u}) {
        buffer->SetFrequency(frequency);
        buffer->SetCurrentPosition(0);
        buffer->Play(0, 0, frequency == 0 ? platform::DSBPLAY_LOOPING : 0);
        device->Pull(out);
    }
    return 0;
}
