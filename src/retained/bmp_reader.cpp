// The reader of the 24-bit BMP resources textures are made from, on its own so that tools and
// the fuzz target can use it without a GL context.
//
// Offers: DecodeBmp24.
#include "retained/bmp_reader.h"

namespace retained {

namespace {

std::uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadLe16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

bool DecodeBmp24(std::span<const unsigned char> bytes, int* width, int* height,
                 std::vector<std::uint8_t>* rgb) {
    // A resource may hold the whole file or, as the classic resource compiler stores it, only
    // the info header and the pixels.
    std::size_t info = 0;
    std::size_t pixels = 0;
    const bool withFileHeader = bytes.size() >= 14 && bytes[0] == 'B' && bytes[1] == 'M';
    if (withFileHeader) {
        info = 14;
        pixels = ReadLe32(&bytes[10]);
    }
    if (bytes.size() < info + 40) {
        return false;
    }
    const unsigned char* h = &bytes[info];
    const std::uint32_t headerSize = ReadLe32(h);
    const auto w = static_cast<std::int32_t>(ReadLe32(h + 4));
    const auto rawHeight = static_cast<std::int32_t>(ReadLe32(h + 8));
    const std::uint16_t bitCount = ReadLe16(h + 14);
    const std::uint32_t compression = ReadLe32(h + 16);
    if (headerSize < 40 || bitCount != 24 || compression != 0 || w <= 0 || rawHeight == 0 ||
        w > 16384 || rawHeight > 16384 || rawHeight < -16384) {
        return false;
    }
    if (!withFileHeader) {
        pixels = info + headerSize;
    }
    const bool bottomUp = rawHeight > 0;
    const int hgt = bottomUp ? rawHeight : -rawHeight;
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    if (pixels > bytes.size() || (bytes.size() - pixels) / stride < static_cast<std::size_t>(hgt)) {
        return false;
    }
    rgb->assign(static_cast<std::size_t>(w) * hgt * 3, 0);
    for (int row = 0; row < hgt; ++row) {
        const int sourceRow = bottomUp ? hgt - 1 - row : row;
        const unsigned char* src = &bytes[pixels + stride * sourceRow];
        std::uint8_t* dst = &(*rgb)[static_cast<std::size_t>(row) * w * 3];
        for (int x = 0; x < w; ++x) {
            dst[x * 3 + 0] = src[x * 3 + 2];  // stored blue, green, red
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3 + 0];
        }
    }
    *width = w;
    *height = hgt;
    return true;
}

}  // namespace retained
