#include "sound/wave_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t RIFF_HEADER_SIZE = 8;   // "RIFF" and the size of what follows
constexpr std::size_t CHUNK_HEADER_SIZE = 8;  // id and body size

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

bool HasId(std::span<const std::uint8_t> bytes, std::size_t at, const char* id) {
    return std::memcmp(bytes.data() + at, id, 4) == 0;
}

}  // namespace

WaveReading ReadWave(std::span<const std::uint8_t> file) {
    WaveReading reading;
    if (file.size() < RIFF_HEADER_SIZE || !HasId(file, 0, "RIFF")) {
        reading.refusal = WAVE_NOT_RIFF;
        return reading;
    }
    // The body is what the RIFF size says, but never more than the file holds.
    const std::size_t riffSize = Read32(file, 4);
    const std::size_t available = file.size() - RIFF_HEADER_SIZE;
    reading.clamped = riffSize > available;
    const std::span<const std::uint8_t> body =
        file.subspan(RIFF_HEADER_SIZE, std::min(riffSize, available));
    if (body.size() < 4 || !HasId(body, 0, "WAVE")) {
        reading.refusal = WAVE_NOT_WAVE;
        return reading;
    }

    bool haveFormat = false;
    bool haveData = false;
    std::size_t at = 4;
    // A chunk counts only when its whole header lies inside the body.
    while (body.size() - at >= CHUNK_HEADER_SIZE) {
        const std::size_t declared = Read32(body, at + 4);
        const std::size_t bodyAt = at + CHUNK_HEADER_SIZE;
        const std::size_t size = std::min(declared, body.size() - bodyAt);
        reading.clamped = reading.clamped || size < declared;
        const std::span<const std::uint8_t> chunk = body.subspan(bodyAt, size);
        if (HasId(body, at, "fmt ") && !haveFormat) {
            if (size < MIN_FMT_CHUNK_SIZE) {
                reading.refusal = WAVE_FORMAT_TOO_SHORT;
                return reading;
            }
            reading.format = chunk;
            haveFormat = true;
        } else if (HasId(body, at, "data") && (!haveData || reading.data.empty())) {
            reading.data = chunk;
            haveData = true;
        }
        if (haveFormat && !reading.data.empty()) {
            reading.refusal = WAVE_ACCEPTED;
            return reading;
        }
        // Step over the body and its pad byte; a size that ran past the end ends the walk.
        const std::size_t step = size + (size & 1);
        if (size < declared || step > body.size() - bodyAt) {
            break;
        }
        at = bodyAt + step;
    }
    reading.refusal = WAVE_INCOMPLETE;
    reading.format = {};
    reading.data = {};
    return reading;
}

const char* DescribeWaveRefusal(WaveRefusal refusal) {
    switch (refusal) {
        case WAVE_ACCEPTED:
            return "accepted";
        case WAVE_NOT_RIFF:
            return "not a RIFF file";
        case WAVE_NOT_WAVE:
            return "a RIFF file, but not of form WAVE";
        case WAVE_FORMAT_TOO_SHORT:
            return "the \"fmt \" chunk is shorter than 14 bytes";
        case WAVE_INCOMPLETE:
            return "no \"fmt \" chunk with a non-empty \"data\" chunk";
    }
    return "unknown refusal";
}
