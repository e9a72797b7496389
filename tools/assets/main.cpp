// puckwind-assets: makes the game's resources again, byte for byte.
//   puckwind-assets write DIR   writes every resource file into DIR
#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "artwork.h"
#include "font.h"

namespace {

struct Asset {
    const char* file;
    std::function<std::vector<std::uint8_t>()> make;
};

const std::vector<Asset>& Assets() {
    static const std::vector<Asset> assets = {
        {"ico.bmp", [] { return EncodeBmp24(DrawIcon()); }},
        {"dialog_font.ttf", MakeDialogFont},
    };
    return assets;
}

int Write(const std::string& dir) {
    for (const Asset& asset : Assets()) {
        const std::vector<std::uint8_t> bytes = asset.make();
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
        try {
            return Write(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "puckwind-assets: %s\n", e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "usage: puckwind-assets write DIR\n");
    return 2;
}
