// The window icon, 32 by 32: a corner of the table in its light blue inside a white rail, the
// yellow centre line, the white puck and a blue mallet with its knob, in the game's own colours.
// Each pixel averages 4 by 4 samples, so the round shapes have smooth edges.
#include <cmath>

#include "artwork.h"

namespace {

Rgb IconSample(double x, double y) {
    const Rgb rail{0xFF, 0xFF, 0xFF};
    const Rgb table{0x00, 0x7F, 0xFF};
    const Rgb line{0xFF, 0xFF, 0x00};
    const Rgb puckRim{0xB8, 0xB8, 0xC8};
    const Rgb puck{0xF4, 0xF4, 0xF4};
    const Rgb mallet{0x00, 0x19, 0xFF};
    const Rgb malletEdge{0x00, 0x0C, 0x90};
    const Rgb knob{0x50, 0x6C, 0xFF};
    const double m = std::hypot(x - 20.5, y - 20.5);
    if (m < 9.5) {
        if (m < 4.5) {
            return knob;
        }
        return m < 8.3 ? mallet : malletEdge;
    }
    const double p = std::hypot(x - 10, y - 10);
    if (p < 7) {
        return p < 5.8 ? puck : puckRim;
    }
    if (x < 2 || y < 2 || x > 30 || y > 30) {
        return rail;
    }
    if (std::fabs(x + y - 32) < 1.1) {
        return line;
    }
    return table;
}

}  // namespace

Image DrawIcon() {
    Image image(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            int r = 0, g = 0, b = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const Rgb s = IconSample(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
                    r += s.r;
                    g += s.g;
                    b += s.b;
                }
            }
            image.at(x, y) = {static_cast<std::uint8_t>((r + 8) / 16),
                              static_cast<std::uint8_t>((g + 8) / 16),
                              static_cast<std::uint8_t>((b + 8) / 16)};
        }
    }
    return image;
}
