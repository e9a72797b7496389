// The atlases' layout: which cells and rows carry ink, and in what colours.
#include <gtest/gtest.h>

#include "artwork.h"
#include "lettering.h"

namespace {

struct CellInk {
    int lit = 0;       // pixels that are not black
    int offGreen = 0;  // lit pixels with any red or blue
};

CellInk Ink(Image& image, int left, int top, int w, int h) {
    CellInk ink;
    for (int y = top; y < top + h; ++y) {
        for (int x = left; x < left + w; ++x) {
            const Rgb p = image.at(x, y);
            if (p.r != 0 || p.g != 0 || p.b != 0) {
                ++ink.lit;
                ink.offGreen += (p.r != 0 || p.b != 0) ? 1 : 0;
            }
        }
    }
    return ink;
}

TEST(DigitAtlas, ElevenGreenGlyphsInTheirCellsTheRestBlack) {
    Image atlas = DrawDigitAtlas();
    ASSERT_EQ(atlas.width, 256);
    ASSERT_EQ(atlas.height, 256);
    for (int n = 0; n < 16; ++n) {
        const int left = (n % 4) * 64, top = (n / 4) * 64;
        const CellInk ink = Ink(atlas, left, top, 64, 64);
        if (n <= 10) {
            EXPECT_GT(ink.lit, 300) << "glyph " << n << " is large";
            EXPECT_EQ(ink.offGreen, 0) << n;
            // A margin of black all round, so that a neighbour's glyph never bleeds in.
            EXPECT_EQ(Ink(atlas, left, top, 64, 2).lit + Ink(atlas, left, top + 62, 64, 2).lit +
                          Ink(atlas, left, top, 2, 64).lit + Ink(atlas, left + 62, top, 2, 64).lit,
                      0)
                << n;
        } else {
            EXPECT_EQ(ink.lit, 0) << "cell " << n << " is blank";
        }
    }
}

TEST(BannerAtlas, ThreeLetteredRowsAndAnEmptyOne) {
    Image atlas = DrawBannerAtlas();
    ASSERT_EQ(atlas.width, 256);
    ASSERT_EQ(atlas.height, 256);
    for (int row = 0; row < 3; ++row) {
        const CellInk ink = Ink(atlas, 0, row * 64, 256, 64);
        EXPECT_GT(ink.lit, 256 * 64 / 4) << "row " << row << " is lettered large";
        EXPECT_EQ(Ink(atlas, 0, row * 64, 256, 1).lit, 0) << "row " << row << " stays in its row";
    }
    EXPECT_EQ(Ink(atlas, 0, 192, 256, 64).lit, 0);
}

TEST(Lettering, FitsTheBoxItIsGiven) {
    const TextStyle tall = FitHeight("YOU WIN!", TextStyle{}, 40);
    EXPECT_LE(SetText("YOU WIN!", tall).height, 40);
    EXPECT_GE(SetText("YOU WIN!", tall).height, 37);
    const TextStyle narrow = FitWidth("YOU WIN!", tall, 100);
    EXPECT_LE(SetText("YOU WIN!", narrow).width, 100);
    EXPECT_GE(SetText("YOU WIN!", narrow).width, 95);
    EXPECT_EQ(SetText("YOU WIN!", narrow).height, SetText("YOU WIN!", tall).height);
}

}  // namespace
