// The two texture atlases: green digits 0 to 10 in a 4 by 4 grid of 64-pixel cells, and the
// banner rows (title logo, "YOU WIN!", "YOU LOSE", an empty row) on black. Black is what the
// banner texture leaves transparent, so every coloured pixel here is kept off pure black.
#include <algorithm>

#include "artwork.h"
#include "lettering.h"

namespace {

constexpr int ATLAS_SIZE = 256;
constexpr int CELL = 64;
// Lettering is set at four times the final size and averaged down, for smooth edges.
constexpr int SUPERSAMPLE = 4;

std::uint8_t Mix(std::uint8_t under, std::uint8_t over, int alpha) {
    return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

void Paint(Image& image, int left, int top, const Coverage& mask, Rgb colour) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const int a = mask.at(x, y);
            Rgb& p = image.at(left + x, top + y);
            p = {Mix(p.r, colour.r, a), Mix(p.g, colour.g, a), Mix(p.b, colour.b, a)};
        }
    }
}

// Like Paint, with a colour running from `top` at the first row to `bottom` at the last.
void PaintGradient(Image& image, int left, int top, const Coverage& mask, Rgb high, Rgb low) {
    const int last = std::max(1, mask.height - 1);
    for (int y = 0; y < mask.height; ++y) {
        const auto lerp = [&](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>((a * (last - y) + b * y + last / 2) / last);
        };
        const Rgb colour{lerp(high.r, low.r), lerp(high.g, low.g), lerp(high.b, low.b)};
        for (int x = 0; x < mask.width; ++x) {
            const int a = mask.at(x, y);
            Rgb& p = image.at(left + x, top + y);
            p = {Mix(p.r, colour.r, a), Mix(p.g, colour.g, a), Mix(p.b, colour.b, a)};
        }
    }
}

struct BannerLook {
    const char* text;
    long slant;  // 16.16
    Rgb fillTop;
    Rgb fillBottom;
    Rgb outline;
    Rgb shadow;
};

// One 256 by 64 row: the text as large as the row allows, filled with a gradient, outlined and
// with a drop shadow down and to the right.
void DrawBannerRow(Image& image, int row, const BannerLook& look) {
    constexpr int s = SUPERSAMPLE;
    constexpr int outline = 3;
    constexpr int shadow = 3;
    const int textWidth = (ATLAS_SIZE - 2 * outline - shadow - 8) * s;
    const int textHeight = (CELL - 2 * outline - shadow - 12) * s;
    TextStyle style;
    style.slant = look.slant;
    style = FitWidth(look.text, FitHeight(look.text, style, textHeight), textWidth);
    const Coverage text = Centre(SetText(look.text, style), ATLAS_SIZE * s, CELL * s);
    const Coverage rim = Grow(text, outline * s);
    const int top = row * CELL;
    Paint(image, 0, top, Shrink(Shift(rim, shadow * s, shadow * s), s), look.shadow);
    Paint(image, 0, top, Shrink(rim, s), look.outline);
    PaintGradient(image, 0, top, Shrink(text, s), look.fillTop, look.fillBottom);
}

}  // namespace

Image DrawDigitAtlas() {
    Image image(ATLAS_SIZE, ATLAS_SIZE);
    constexpr int s = SUPERSAMPLE;
    constexpr int glyphHeight = 46;
    constexpr int glyphWidth = 56;
    // One size for every digit, so that all of them stand equally tall; ten is squeezed instead.
    const TextStyle style = FitHeight("0123456789", TextStyle{}, glyphHeight * s);
    const Rgb green{0x00, 0xFF, 0x00};
    for (int value = 0; value <= 10; ++value) {
        const std::string text = std::to_string(value);
        const Coverage ink = SetText(text, FitWidth(text, style, glyphWidth * s));
        const Coverage cell = Shrink(Centre(ink, CELL * s, CELL * s), s);
        Paint(image, (value % 4) * CELL, (value / 4) * CELL, cell, green);
    }
    return image;
}

Image DrawBannerAtlas() {
    Image image(ATLAS_SIZE, ATLAS_SIZE);
    const BannerLook title{"PUCKWIND",         0x3000,
                           {0xFF, 0xF6, 0x8C}, {0xFF, 0x8A, 0x00},
                           {0x9C, 0x10, 0x10}, {0x10, 0x18, 0x5C}};
    const BannerLook win{"YOU WIN!",         0x2000,
                         {0xFF, 0xFF, 0xE0}, {0xFF, 0xC8, 0x00},
                         {0x0A, 0x64, 0x14}, {0x08, 0x24, 0x08}};
    const BannerLook lose{"YOU LOSE",         0x2000,
                          {0xFF, 0xA0, 0xA0}, {0xC8, 0x10, 0x10},
                          {0x44, 0x08, 0x50}, {0x20, 0x08, 0x24}};
    DrawBannerRow(image, 0, title);
    DrawBannerRow(image, 1, win);
    DrawBannerRow(image, 2, lose);
    return image;
}
