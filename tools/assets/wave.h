// The sounds the game carries, synthesised in code so that they can be made again byte for byte,
// and their RIFF WAVE file form.
#pragma once

#include <cstdint>
#include <vector>

// A mono 16-bit PCM recording.
struct Recording {
    std::uint32_t rate = 0;
    std::vector<std::uint8_t> samples;  // little-endian 16-bit; an odd count ends in half a sample
};

// "RIFF", "WAVE", one 16-byte "fmt " chunk and one "data" chunk (with its pad byte when odd).
std::vector<std::uint8_t> EncodeWave(const Recording& recording);

Recording MakeTitleJingle();  // 11025 Hz, 87016 bytes: loops while the title waits
Recording MakeWinFanfare();   // 11025 Hz, 80109 bytes
Recording MakeLosePhrase();   // 11025 Hz, 77199 bytes
Recording MakePadClick();     // 22050 Hz, 17588 bytes
Recording MakeGoalHorn();     // 22050 Hz, 34816 bytes
