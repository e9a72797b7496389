// The dialog's font: every character of the dialog's texts is in it, drawn exactly as the full
// font draws it, and a damaged font is refused instead of read past its end.
#include <gtest/gtest.h>
#include <stb/stb_truetype.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "font.h"
#include "platform/platform.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Embedded(std::string_view type, std::string_view name) {
    const auto bytes = platform::FindResource(type, name);
    return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end())
                 : std::vector<std::uint8_t>();
}

std::vector<char32_t> DialogCharacters() {
    const std::vector<std::uint8_t> dialog = Embedded("DIALOG", "dlg_render");
    return TemplateCharacters(
        std::string_view(reinterpret_cast<const char*>(dialog.data()), dialog.size()));
}

struct Outline {
    int advance = 0;
    int bearing = 0;
    std::vector<std::vector<int>> vertices;
    friend bool operator==(const Outline&, const Outline&) = default;
};

Outline OutlineOf(const stbtt_fontinfo& font, char32_t c) {
    Outline outline;
    const int glyph = stbtt_FindGlyphIndex(&font, static_cast<int>(c));
    stbtt_GetGlyphHMetrics(&font, glyph, &outline.advance, &outline.bearing);
    stbtt_vertex* vertices = nullptr;
    const int count = stbtt_GetGlyphShape(&font, glyph, &vertices);
    for (int i = 0; i < count; ++i) {
        const stbtt_vertex& v = vertices[i];
        outline.vertices.push_back({v.type, v.x, v.y, v.cx, v.cy});
    }
    stbtt_FreeShape(&font, vertices);
    return outline;
}

TEST(DialogFont, TemplateCharactersAreThoseOfItsQuotedTextsAndAscii) {
    const auto characters = TemplateCharacters("title \"設定\"\ncontrol 1 x \"ｷｬ\" 1 2 3 4\n");
    EXPECT_EQ(characters.size(), 95u + 4u);
    for (char32_t c : {U'設', U'定', U'ｷ', U'ｬ', U'A', U' ', U'~'}) {
        EXPECT_NE(std::find(characters.begin(), characters.end(), c), characters.end())
            << static_cast<unsigned>(c);
    }
    EXPECT_TRUE(std::is_sorted(characters.begin(), characters.end()));
}

TEST(DialogFont, EveryCharacterOfTheDialogIsDrawnAsTheFullFontDrawsIt) {
    const std::vector<std::uint8_t> subset = Embedded("FONT", "dialog_font");
    const std::vector<std::uint8_t> full = ReadFile(DIALOG_FONT_SOURCE);
    ASSERT_FALSE(subset.empty());
    ASSERT_FALSE(full.empty()) << "fonts-ipafont-gothic is needed to check the font";
    stbtt_fontinfo small;
    stbtt_fontinfo large;
    ASSERT_TRUE(stbtt_InitFont(&small, subset.data(), 0));
    ASSERT_TRUE(stbtt_InitFont(&large, full.data(), 0));
    EXPECT_LT(small.numGlyphs, 300);

    int ascent[2], descent[2], gap[2];
    stbtt_GetFontVMetrics(&small, &ascent[0], &descent[0], &gap[0]);
    stbtt_GetFontVMetrics(&large, &ascent[1], &descent[1], &gap[1]);
    EXPECT_EQ(ascent[0], ascent[1]);
    EXPECT_EQ(descent[0], descent[1]);

    for (char32_t c : DialogCharacters()) {
        ASSERT_NE(stbtt_FindGlyphIndex(&small, static_cast<int>(c)), 0) << static_cast<unsigned>(c);
        const Outline outline = OutlineOf(small, c);
        EXPECT_EQ(outline, OutlineOf(large, c)) << static_cast<unsigned>(c);
        if (c != U' ') {
            EXPECT_FALSE(outline.vertices.empty()) << static_cast<unsigned>(c);
        }
    }
    EXPECT_EQ(stbtt_FindGlyphIndex(&small, 0x4E00), 0) << "a character of no dialog text";
}

TEST(DialogFont, CuttingTheCutFontAgainKeepsItsGlyphs) {
    const std::vector<std::uint8_t> subset = Embedded("FONT", "dialog_font");
    const std::vector<char32_t> characters = DialogCharacters();
    EXPECT_EQ(SubsetTrueType(subset, characters), subset);
}

TEST(DialogFont, ADamagedFontIsRefusedNotReadPastItsEnd) {
    const std::vector<std::uint8_t> subset = Embedded("FONT", "dialog_font");
    const std::vector<char32_t> characters = DialogCharacters();
    // Cut at every length up to past the tables' directory, then at a spread of lengths.
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < 200; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t n = 200; n < subset.size(); n += 97) {
        lengths.push_back(n);
    }
    for (std::size_t n : lengths) {
        const std::vector<std::uint8_t> cut(subset.begin(),
                                            subset.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(SubsetTrueType(cut, characters), std::runtime_error) << n;
    }
    std::vector<std::uint8_t> notTrueType = subset;
    notTrueType[0] = 'O';
    EXPECT_THROW(SubsetTrueType(notTrueType, characters), std::runtime_error);
}

}  // namespace
