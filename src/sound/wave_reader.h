// The reader of the game's WAVE resources: finds the format and the samples in a RIFF file.
// It is pure (a byte span in, spans into it out) so that the game, the asset checker and the
// fuzzer all read a file the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Why a file cannot be played; WAVE_ACCEPTED when it can.
enum WaveRefusal : int {
    WAVE_ACCEPTED = 0,
    WAVE_NOT_RIFF,          // shorter than a RIFF header, or no "RIFF" at the start
    WAVE_NOT_WAVE,          // the RIFF body does not begin with "WAVE"
    WAVE_FORMAT_TOO_SHORT,  // the first "fmt " chunk holds fewer than MIN_FMT_CHUNK_SIZE bytes
    WAVE_INCOMPLETE,        // the chunks end before a format and non-empty samples are found
};

// A "fmt " chunk must hold at least a WAVEFORMAT: tag, channels, rate, byte rate, block align.
constexpr std::size_t MIN_FMT_CHUNK_SIZE = 14;

struct WaveReading {
    WaveRefusal refusal = WAVE_NOT_RIFF;
    std::span<const std::uint8_t> format;  // the body of the first "fmt " chunk
    std::span<const std::uint8_t> data;    // the body of the first non-empty "data" chunk
    // A size in the file (the RIFF size or a chunk's) ran past the end of the file and was cut
    // to what the file holds.
    bool clamped = false;
};

// Walks the chunks of a RIFF WAVE file. The first "fmt " chunk gives the format (later ones are
// ignored); the first "data" chunk gives the samples, unless it is empty and a later one is not;
// other chunks are skipped, each body followed by a pad byte when its size is odd. The walk
// stops as soon as both are found. Every read stays inside `file`: sizes that run past its end
// are cut to what it holds.
WaveReading ReadWave(std::span<const std::uint8_t> file);

// A short English reason for a refusal, for the asset checker.
const char* DescribeWaveRefusal(WaveRefusal refusal);
