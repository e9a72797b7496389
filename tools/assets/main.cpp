// puckwind-assets: makes the game's resources again, byte for byte.
//   puckwind-assets write DIR   writes every resource file into DIR
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "artwork.h"

namespace {

struct Asset {
    const char* file;
    std::function<std::vector<std::uint8_t>()> make;
};

const std::vector<Asset>& Assets() {
    static const std::vector<Asset> assets = {
        {"ico.bmp", [] { return EncodeBmp24(DrawIcon()); }},
        {"bmp_num.bmp", [] { return EncodeBmp24(DrawDigitAtlas()); }},
        {"bmp_mes.bmp", [] { return EncodeBmp24(DrawBannerAtlas()); }},
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "write") {
        return Write(argv[2]);
    }
    std::fprintf(stderr, "usage: puckwind-assets write DIR\n");
    return 2;
}
