// puckwind-assets: makes the game's resources again, byte for byte, and checks resource files.
//   puckwind-assets write DIR       writes every resource file into DIR
//   puckwind-assets check FILE...   reads each file as the game does and says what it found or
//                                   why it refuses it; exit status 0 when all are accepted
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "artwork.h"
#include "font.h"
#include "platform/sound/sound_mixer.h"
#include "retained/bmp_reader.h"
#include "sound/wave_reader.h"
#include "wave.h"

namespace {

struct Asset {
    const char* file;
    std::function<std::vector<std::uint8_t>()> make;
};

const std::vector<Asset>& Assets() {
    static const std::vector<Asset> assets = {
        {"ico.bmp", [] { return EncodeBmp24(DrawIcon()); }},
        {"puckwind.ico", MakeWindowsIcon},
        {"bmp_num.bmp", [] { return EncodeBmp24(DrawDigitAtlas()); }},
        {"bmp_mes.bmp", [] { return EncodeBmp24(DrawBannerAtlas()); }},
        {"wav_title.wav", [] { return EncodeWave(MakeTitleJingle()); }},
        {"wav_win.wav", [] { return EncodeWave(MakeWinFanfare()); }},
        {"wav_lose.wav", [] { return EncodeWave(MakeLosePhrase()); }},
        {"wav_pad.wav", [] { return EncodeWave(MakePadClick()); }},
        {"wav_goal.wav", [] { return EncodeWave(MakeGoalHorn()); }},
        {"dialog_font.ttf", MakeDialogFont},
    };
    return assets;
}

int Write(const std::string& dir) {
    for (const Asset& asset : Assets()) {
        std::vector<std::uint8_t> bytes;
        try {
            bytes = asset.make();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "puckwind-assets: %s: %s\n", asset.file, e.what());
            return 1;
        }
        const std::string path = dir + "/" + asset.file;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "puckwind-assets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

// What the game makes of a WAVE file: its reader's verdict, then the sound device's.
bool CheckWave(const char* path, std::span<const std::uint8_t> bytes) {
    const WaveReading wave = ReadWave(bytes);
    const char* clamped = wave.clamped ? " (a size ran past the end of the file and was cut)" : "";
    if (wave.refusal != WAVE_ACCEPTED) {
        std::printf("%s: refused: %s%s\n", path, DescribeWaveRefusal(wave.refusal), clamped);
        return false;
    }
    const platform::WaveFormat format = *platform::ParseWaveFormat(wave.format);
    std::printf(
        "%s: WAVE format tag %u, %u channel(s), %u bits, %u Hz, %u bytes/s, block %u "
        "(\"fmt \" %zu bytes); data %zu bytes%s\n",
        path, format.formatTag, format.channels, format.bitsPerSample, format.samplesPerSec,
        format.avgBytesPerSec, format.blockAlign, wave.format.size(), wave.data.size(), clamped);
    if (!platform::IsPlayableFormat(format)) {
        std::printf(
            "%s: refused: the sound device plays PCM of 1 or 2 channels, 8 or 16 bits, "
            "%u to %u Hz, with a consistent block and byte rate\n",
            path, platform::MIN_SOUND_RATE, platform::MAX_SOUND_RATE);
        return false;
    }
    return true;
}

// What the game makes of a BMP file: a texture's picture, or a refusal.
bool CheckBmp(const char* path, std::span<const std::uint8_t> bytes) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    if (!retained::DecodeBmp24(bytes, &width, &height, &rgb)) {
        std::printf(
            "%s: refused: not an uncompressed 24-bit BMP of at most 16384 by 16384 pixels, or "
            "cut short\n",
            path);
        return false;
    }
    std::printf("%s: BMP %d by %d pixels, 24 bits\n", path, width, height);
    return true;
}

bool Check(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("%s: refused: cannot be read\n", path);
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return CheckBmp(path, bytes);
    }
    return CheckWave(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    if (argc == 3 && command == "write") {
        try {
            return Write(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "puckwind-assets: %s\n", e.what());
            return 1;
        }
    }
    if (argc >= 3 && command == "check") {
        bool all = true;
        for (int i = 2; i < argc; ++i) {
            all = Check(argv[i]) && all;
        }
        return all ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: puckwind-assets write DIR\n       puckwind-assets check FILE...\n");
    return 2;
}
