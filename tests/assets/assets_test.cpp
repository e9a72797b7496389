// The atlases' layout, and the dialog's font as the dialog draws it (stb_truetype, as Dear ImGui).
#include <gtest/gtest.h>
#include <stb/stb_truetype.h>

#include <fstream>
#include <iterator>

#include "artwork.h"
#include "font.h"

namespace {

TEST(Atlases, ElevenGreenDigitsInTheirCellsAndThreeLetteredBannerRows) {
    Image digits = DrawDigitAtlas(), banners = DrawBannerAtlas();
    int ink[20] = {}, stray = 0;  // ink of the 16 digit cells, then of the 4 banner rows
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgb d = digits.at(x, y), b = banners.at(x, y);
            const bool banner = b.r != 0 || b.g != 0 || b.b != 0;
            const bool margin = x % 64 < 2 || x % 64 > 61 || y % 64 < 2 || y % 64 > 61;
            ink[y / 64 * 4 + x / 64] += d.g != 0;
            ink[16 + y / 64] += banner;
            // Ink off green, in a cell's margin or on a banner row's first line.
            stray += d.r != 0 || d.b != 0 || (margin && d.g != 0) || (y % 64 == 0 && banner);
        }
    }
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(ink[i] > 300, i <= 10 || (i >= 16 && i < 19)) << i;
    }
    EXPECT_EQ(stray, 0);
}

template <class Bytes = std::vector<std::uint8_t>>
Bytes ReadFile(const char* path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

// A character as the dialog draws it: advance, bearing, width, height and coverage at 24 pixels.
std::vector<int> Drawn(const std::vector<std::uint8_t>& file, char32_t c) {
    stbtt_fontinfo font;
    EXPECT_TRUE(stbtt_InitFont(&font, file.data(), 0));
    std::vector<int> drawn(4);
    stbtt_GetCodepointHMetrics(&font, static_cast<int>(c), &drawn[0], &drawn[1]);
    unsigned char* bitmap =
        stbtt_GetCodepointBitmap(&font, 0, stbtt_ScaleForPixelHeight(&font, 24),
                                 static_cast<int>(c), &drawn[2], &drawn[3], nullptr, nullptr);
    drawn.insert(drawn.end(), bitmap, bitmap + drawn[2] * drawn[3]);
    stbtt_FreeBitmap(bitmap, nullptr);
    return drawn;
}

TEST(DialogFont, DrawsEveryCharacterOfTheDialogAsTheFullFont) {
    const auto cut = ReadFile(PUCKWIND_RESOURCES_DIR "/dialog_font.ttf"),
               full = ReadFile(DIALOG_FONT_SOURCE);
    const auto characters =
        TemplateCharacters(ReadFile<std::string>(PUCKWIND_RESOURCES_DIR "/dlg_render.dlg"));
    ASSERT_FALSE(full.empty()) << "fonts-ipafont-gothic is needed to check the font";
    EXPECT_EQ(characters.size(), 95u + 34u) << "printable ASCII and the dialog's own";
    for (char32_t c : characters) {
        EXPECT_EQ(Drawn(cut, c), Drawn(full, c)) << std::uint32_t{c};
    }
}

}  // namespace
