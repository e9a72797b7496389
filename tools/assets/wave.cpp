#include "wave.h"

#include "little_endian.h"

namespace {

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(id[i]));
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeWave(const Recording& recording) {
    const auto dataBytes = static_cast<std::uint32_t>(recording.samples.size());
    const std::uint32_t pad = dataBytes & 1;
    constexpr std::uint32_t FMT_BYTES = 16;
    constexpr std::uint32_t BLOCK_ALIGN = 2;
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes + pad);
    PutId(out, "RIFF");
    Put32(out, 4 + 8 + FMT_BYTES + 8 + dataBytes + pad);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, FMT_BYTES);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, recording.rate);
    Put32(out, recording.rate * BLOCK_ALIGN);
    Put16(out, BLOCK_ALIGN);
    Put16(out, 16);
    PutId(out, "data");
    Put32(out, dataBytes);
    out.insert(out.end(), recording.samples.begin(), recording.samples.end());
    if (pad != 0) {
        out.push_back(0);
    }
    return out;
}
