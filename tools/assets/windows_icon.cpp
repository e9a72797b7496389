// The game's icon for Windows: the shapes of packaging/puckwind.svg (a blue table with rounded
// corners, the yellow centre line, the puck and the mallet with its knob) drawn at the sizes
// Windows asks for, each pixel averaging 8 by 8 samples, outside the table transparent.
#include <cmath>
#include <optional>

#include "artwork.h"
#include "little_endian.h"

namespace {

constexpr int ICON_SIZES[] = {16, 24, 32, 48, 64};

// A point of the 64 by 64 picture: its colour, or nothing outside the table.
std::optional<Rgb> AppIconSample(double x, double y) {
    if (std::hypot(x - 42, y - 42) < 7) {
        return Rgb{0x40, 0x60, 0xFF};
    }
    if (std::hypot(x - 42, y - 42) < 14) {
        return Rgb{0x00, 0x19, 0xFF};
    }
    if (std::hypot(x - 22, y - 22) < 11) {
        return Rgb{0xF0, 0xF0, 0xF0};
    }
    // The table: 2 to 62 each way, corners rounded with a radius of 10.
    const double cornerX = x - std::fmin(std::fmax(x, 12.0), 52.0);
    const double cornerY = y - std::fmin(std::fmax(y, 12.0), 52.0);
    if (std::hypot(cornerX, cornerY) >= 10) {
        return std::nullopt;
    }
    return y >= 31 && y < 33 ? Rgb{0xFF, 0xFF, 0x00} : Rgb{0x00, 0x7F, 0xFF};
}

// One icon image: a 32-bit BITMAPINFOHEADER picture of twice the height (colour rows then the
// transparency mask, both bottom-up), colours with straight alpha.
std::vector<std::uint8_t> IconImage(int size) {
    constexpr int samples = 8;
    const int maskRow = (size + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(size));
    Put32(out, static_cast<std::uint32_t>(2 * size));
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) {
        Put32(out, 0);
    }
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(maskRow) * size);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            int r = 0, g = 0, b = 0, covered = 0;
            for (int s = 0; s < samples * samples; ++s) {
                const double scale = 64.0 / size;
                const auto c = AppIconSample((x + (s % samples + 0.5) / samples) * scale,
                                             (y + (s / samples + 0.5) / samples) * scale);
                if (c) {
                    r += c->r, g += c->g, b += c->b, ++covered;
                }
            }
            const int half = covered / 2, n = covered == 0 ? 1 : covered;
            out.insert(out.end(), {static_cast<std::uint8_t>((b + half) / n),
                                   static_cast<std::uint8_t>((g + half) / n),
                                   static_cast<std::uint8_t>((r + half) / n),
                                   static_cast<std::uint8_t>(covered * 255 / (samples * samples))});
            if (covered == 0) {
                mask[static_cast<std::size_t>(size - 1 - y) * maskRow + x / 8] |= 0x80 >> x % 8;
            }
        }
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> MakeWindowsIcon() {
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, std::size(ICON_SIZES));
    std::vector<std::uint8_t> images;
    for (int size : ICON_SIZES) {
        const std::vector<std::uint8_t> image = IconImage(size);
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size), 0, 0});
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<std::uint32_t>(image.size()));
        Put32(out, static_cast<std::uint32_t>(6 + 16 * std::size(ICON_SIZES) + images.size()));
        images.insert(images.end(), image.begin(), image.end());
    }
    out.insert(out.end(), images.begin(), images.end());
    return out;
}
