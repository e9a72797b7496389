// The pictures the game carries, drawn in code so that they can be made again byte for byte.
#pragma once

#include "bmp.h"

// The window icon, 32 by 32.
Image DrawIcon();
// "bmp_num": 256 by 256, green glyphs 0 to 10 on black, value n in cell (n mod 4, n div 4) of a
// 4 by 4 grid of 64-pixel cells; the other cells black.
Image DrawDigitAtlas();
// "bmp_mes": 256 by 256, four rows of 256 by 64 on black: the title logo, "YOU WIN!",
// "YOU LOSE" and an empty row.
Image DrawBannerAtlas();
