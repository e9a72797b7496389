// The reader of the 24-bit BMP resources textures are made from, on its own so that tools and
// the fuzz target can use it without a GL context.
//
// Offers: ReadBmp24Layout, DecodeBmp24.
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

std::optional<Bmp24Layout> ReadBmp24Layout(std::span<const unsigned char> bytes) {
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
        return std::nullopt;
    }
    const unsigned char* h = &bytes[info];
    const std::uint32_t headerSize = ReadLe32(h);
    const auto w = static_cast<std::int32_t>(ReadLe32(h + 4));
    const auto rawHeight = static_cast<std::int32_t>(ReadLe32(h + 8));
    const std::uint16_t bitCount = ReadLe16(h + 14);
    const std::uint32_t compression = ReadLe32(h + 16);
    if (headerSize < 40 || bitCount != 24 || compression != 0 || w <= 0 || rawHeight == 0 ||
        w > 16384 || rawHeight > 16384 || rawHeight < -16384) {
        return std::nullopt;
    }
    if (!withFileHeader) {
        pixels = info + headerSize;
    }
    Bmp24Layout layout;
    layout.width = w;
    layout.bottomUp = rawHeight > 0;
    layout.height = layout.bottomUp ? rawHeight : -rawHeight;
    layout.pixels = pixels;
    layout.stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    if (pixels > bytes.size() ||
        (bytes.size() - pixels) / layout.stride < static_cast<std::size_t>(layout.height)) {
        return std::nullopt;
    }
    return layout;
}

bool DecodeBmp24(std::span<const unsigned char> bytes, int* width, int* height,
                 std::vector<std::uint8_t>* rgb) {
    const auto layout = ReadBmp24Layout(bytes);
    if (!layout) {
        return false;
    }
    rgb->assign(static_cast<std::size_t>(layout->width) * layout->height * 3, 0);
    std::uint8_t* dst = rgb->data();
    for (int y = 0; y < layout->height; ++y) {
        for (int x = 0; x < layout->width; ++x, dst += 3) {
            const unsigned char* src = &bytes[layout->At(x, y)];
            dst[0] = src[2];  // stored blue, green, red
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    *width = layout->width;
    *height = layout->height;
    return true;
}

}  // namespace retained
