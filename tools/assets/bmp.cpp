#include "bmp.h"

#include "little_endian.h"

std::vector<std::uint8_t> EncodeBmp24(const Image& image) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
    const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(54 + dataBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + dataBytes);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);  // BITMAPINFOHEADER
    Put32(out, static_cast<std::uint32_t>(image.width));
    Put32(out, static_cast<std::uint32_t>(image.height));  // positive: rows stored bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // no compression
    Put32(out, dataBytes);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.pixels[static_cast<std::size_t>(y) * image.width + x];
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
            written += 3;
        }
        for (; written < rowBytes; ++written) {
            out.push_back(0);
        }
    }
    return out;
}
