// The 24-bit BMP reader of the retained layer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace retained {

// A 24-bit BMP (with or without its file header) as top-down RGB rows; false when the bytes are
// not one, or are cut short.
bool DecodeBmp24(std::span<const unsigned char> bytes, int* width, int* height,
                 std::vector<std::uint8_t>* rgb);

}  // namespace retained
