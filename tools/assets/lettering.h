// Lettering through FreeType: text set in DejaVu Sans Bold as 8-bit coverage, which the artwork
// then colours. Everything is integer arithmetic on FreeType's output, so the pictures come out
// the same byte for byte on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Coverage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> alpha;  // row-major, top row first; 255 is fully covered

    Coverage() = default;
    Coverage(int w, int h) : width(w), height(h), alpha(static_cast<std::size_t>(w) * h) {}
    std::uint8_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0;
        }
        return alpha[static_cast<std::size_t>(y) * width + x];
    }
};

// How text is set: its pixel size, a horizontal squeeze and a slant (x gains `slant` per unit of
// height), both in 16.16 fixed point as FreeType takes them.
struct TextStyle {
    int pixelSize = 64;
    long squeeze = 0x10000;
    long slant = 0;
};

// The font every picture is lettered with.
constexpr const char* LETTERING_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The text's ink, cropped to its bounding box. Throws std::runtime_error when the font cannot be
// loaded.
Coverage SetText(const std::string& text, const TextStyle& style);

// `style` at the largest pixel size whose ink of `text` is no taller than maxHeight.
TextStyle FitHeight(const std::string& text, TextStyle style, int maxHeight);
// `style` squeezed just enough that the ink of `text` is no wider than maxWidth (unchanged when it
// already fits).
TextStyle FitWidth(const std::string& text, TextStyle style, int maxWidth);

// `ink` centred on an empty w by h canvas (cropped if larger).
Coverage Centre(const Coverage& ink, int w, int h);
// Every pixel the maximum of its disc of `radius` pixels: the shape grown by radius.
Coverage Grow(const Coverage& shape, int radius);
// `shape` moved by (dx, dy) on a canvas of its own size.
Coverage Shift(const Coverage& shape, int dx, int dy);
// Each factor by factor block averaged into one pixel (rounded), for smooth edges.
Coverage Shrink(const Coverage& shape, int factor);
