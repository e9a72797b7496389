// The window icon: a red puck with a blue mallet on the table's light blue, 32 by 32.
#include "artwork.h"

#include <cmath>

Image DrawIcon() {
    Image image(32, 32);
    const Rgb table{0x00, 0x7F, 0xFF};
    const Rgb puck{0xF0, 0xF0, 0xF0};
    const Rgb mallet{0x00, 0x19, 0xFF};
    const Rgb knob{0x40, 0x60, 0xFF};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            Rgb colour = table;
            if (std::hypot(px - 11, py - 11) < 8) {
                colour = puck;
            }
            const double m = std::hypot(px - 21, py - 21);
            if (m < 10) {
                colour = m < 5 ? knob : mallet;
            }
            image.at(x, y) = colour;
        }
    }
    return image;
}
