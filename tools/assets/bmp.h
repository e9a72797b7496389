// An RGB image and its 24-bit BMP file form (rows bottom-up, each padded to 4 bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, top row first

    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::vector<std::uint8_t> EncodeBmp24(const Image& image);
