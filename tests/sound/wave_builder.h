// Builds RIFF WAVE files chunk by chunk, well-formed or not, for the sound tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The body of a "fmt " chunk: PCM, consistent block and byte rate, cut to `size` bytes.
inline Bytes FmtBody(int channels, std::uint32_t rate, int bits, std::size_t size = 16) {
    Bytes body;
    const std::uint32_t block = static_cast<std::uint32_t>(channels * bits / 8);
    Put16(body, 1);
    Put16(body, static_cast<std::uint32_t>(channels));
    Put32(body, rate);
    Put32(body, rate * block);
    Put16(body, block);
    Put16(body, static_cast<std::uint32_t>(bits));
    body.resize(size, 0);
    return body;
}

inline Bytes Samples16(std::initializer_list<int> values) {
    Bytes body;
    for (int v : values) {
        Put16(body, static_cast<std::uint32_t>(v));
    }
    return body;
}

class WaveBuilder {
  public:
    // A chunk whose size field tells the truth, padded to an even length.
    WaveBuilder& Chunk(const char* id, const Bytes& body) {
        return ChunkDeclaring(id, static_cast<std::uint32_t>(body.size()), body, true);
    }
    // A chunk whose size field says `declared`, whatever the body holds.
    WaveBuilder& ChunkDeclaring(const char* id, std::uint32_t declared, const Bytes& body,
                                bool pad = false) {
        chunks_.insert(chunks_.end(), id, id + 4);
        Put32(chunks_, declared);
        chunks_.insert(chunks_.end(), body.begin(), body.end());
        if (pad && body.size() % 2 != 0) {
            chunks_.push_back(0);
        }
        return *this;
    }
    Bytes Build() const { return BuildDeclaring(static_cast<std::uint32_t>(4 + chunks_.size())); }
    Bytes BuildDeclaring(std::uint32_t riffSize, const char* form = "WAVE") const {
        Bytes out{'R', 'I', 'F', 'F'};
        Put32(out, riffSize);
        out.insert(out.end(), form, form + 4);
        out.insert(out.end(), chunks_.begin(), chunks_.end());
        return out;
    }

  private:
    Bytes chunks_;
};
