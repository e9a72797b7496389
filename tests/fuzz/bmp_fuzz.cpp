// Feeds arbitrary bytes to the BMP reader textures are made from: what it accepts must be a
// picture of the size it reports, every row of which came from inside the input.
#include <cstdlib>

#include "retained/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    if (!retained::DecodeBmp24({data, size}, &width, &height, &rgb)) {
        return 0;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height * 3 ||
        stride * static_cast<std::size_t>(height) > size) {
        std::abort();
    }
    return 0;
}
