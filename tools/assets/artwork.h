// The pictures the game carries, drawn in code so that they can be made again byte for byte.
#pragma once

#include "bmp.h"

// The window icon, 32 by 32.
Image DrawIcon();
// "puckwind.ico": the game's icon for Windows, the picture of packaging/puckwind.svg at 16, 24,
// 32, 48 and 64 pixels in 32 bits with alpha.
std::vector<std::uint8_t> MakeWindowsIcon();
// "bmp_num": 256 by 256, green glyphs 0 to 10 on black, value n in cell (n mod 4, n div 4) of a
// 4 by 4 grid of 64-pixel cells; the other cells black.
Image DrawDigitAtlas();
// "bmp_mes": 256 by 256, four rows of 256 by 64 on black: the title logo, "YOU WIN!",
// "YOU LOSE" and an empty row.
Image DrawBannerAtlas();
