// The 24-bit BMP reader of the retained layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace retained {

// Where the pixels of a 24-bit BMP lie among its bytes.
struct Bmp24Layout {
    int width = 0;
    int height = 0;
    std::size_t pixels = 0;  // the offset of the first stored row
    std::size_t stride = 0;  // the bytes of a stored row, padding included
    bool bottomUp = true;    // the stored rows go up from the bottom of the picture
    // The offset of the pixel at (x, y), y from the top: its blue, green and red bytes.
    std::size_t At(int x, int y) const {
        const int row = bottomUp ? height - 1 - y : y;
        return pixels + stride * static_cast<std::size_t>(row) + static_cast<std::size_t>(x) * 3;
    }
};

// The layout of a 24-bit BMP (with or without its file header); nothing when the bytes are not
// one, or are cut short.
std::optional<Bmp24Layout> ReadBmp24Layout(std::span<const unsigned char> bytes);

// A 24-bit BMP as top-down RGB rows; false when the bytes are not one, or are cut short.
bool DecodeBmp24(std::span<const unsigned char> bytes, int* width, int* height,
                 std::vector<std::uint8_t>* rgb);

}  // namespace retained
