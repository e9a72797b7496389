#include "lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

struct FontDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};

struct GlyphInk {
    int left;
    int top;  // rows above the baseline, FreeType's y up
    int width;
    int rows;
    std::vector<std::uint8_t> alpha;
};

std::vector<GlyphInk> LayOut(const std::string& text, const TextStyle& style) {
    FT_Library raw = nullptr;
    if (FT_Init_FreeType(&raw) != 0) {
        throw std::runtime_error("FreeType does not start");
    }
    const std::unique_ptr<FT_LibraryRec_, FontDeleter> library(raw);
    FT_Face face = nullptr;
    if (FT_New_Face(raw, LETTERING_FONT, 0, &face) != 0) {
        throw std::runtime_error(std::string("cannot load the font ") + LETTERING_FONT);
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(style.pixelSize));
    FT_Matrix matrix{style.squeeze, style.slant, 0, 0x10000};
    FT_Set_Transform(face, &matrix, nullptr);

    std::vector<GlyphInk> glyphs;
    FT_Pos penX = 0;  // 26.6
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kern{};
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            penX += kern.x * style.squeeze / 0x10000;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        GlyphInk ink{static_cast<int>(penX >> 6) + face->glyph->bitmap_left,
                     face->glyph->bitmap_top,
                     static_cast<int>(bitmap.width),
                     static_cast<int>(bitmap.rows),
                     {}};
        for (int y = 0; y < ink.rows; ++y) {
            const unsigned char* row =
                bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
            ink.alpha.insert(ink.alpha.end(), row, row + ink.width);
        }
        glyphs.push_back(std::move(ink));
        penX += face->glyph->advance.x;
        previous = index;
    }
    FT_Done_Face(face);
    return glyphs;
}

}  // namespace

Coverage SetText(const std::string& text, const TextStyle& style) {
    const std::vector<GlyphInk> glyphs = LayOut(text, style);
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
    for (const GlyphInk& g : glyphs) {
        if (g.width == 0 || g.rows == 0) {
            continue;
        }
        const int x0 = g.left, x1 = g.left + g.width, y0 = -g.top, y1 = -g.top + g.rows;
        minX = any ? std::min(minX, x0) : x0;
        maxX = any ? std::max(maxX, x1) : x1;
        minY = any ? std::min(minY, y0) : y0;
        maxY = any ? std::max(maxY, y1) : y1;
        any = true;
    }
    Coverage canvas(maxX - minX, maxY - minY);
    for (const GlyphInk& g : glyphs) {
        for (int y = 0; y < g.rows; ++y) {
            for (int x = 0; x < g.width; ++x) {
                std::uint8_t& to =
                    canvas.alpha[static_cast<std::size_t>(y - g.top - minY) * canvas.width +
                                 (x + g.left - minX)];
                to = std::max(to, g.alpha[static_cast<std::size_t>(y) * g.width + x]);
            }
        }
    }
    // Crop the blank rows and columns that antialiasing left at the edges.
    int left = canvas.width, right = -1, top = canvas.height, bottom = -1;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (canvas.at(x, y) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {};
    }
    Coverage ink(right - left + 1, bottom - top + 1);
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            ink.alpha[static_cast<std::size_t>(y) * ink.width + x] = canvas.at(x + left, y + top);
        }
    }
    return ink;
}

TextStyle FitHeight(const std::string& text, TextStyle style, int maxHeight) {
    const int probe = 200;
    style.pixelSize = probe;
    const Coverage measured = SetText(text, style);
    style.pixelSize = std::max(1, probe * maxHeight / std::max(1, measured.height));
    while (style.pixelSize > 1 && SetText(text, style).height > maxHeight) {
        --style.pixelSize;
    }
    return style;
}

TextStyle FitWidth(const std::string& text, TextStyle style, int maxWidth) {
    const int width = SetText(text, style).width;
    if (width <= maxWidth) {
        return style;
    }
    style.squeeze = style.squeeze * maxWidth / width;
    while (style.squeeze > 0x1000 && SetText(text, style).width > maxWidth) {
        style.squeeze -= 0x100;
    }
    return style;
}

Coverage Centre(const Coverage& ink, int w, int h) {
    Coverage out(w, h);
    const int dx = (w - ink.width) / 2;
    const int dy = (h - ink.height) / 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out.alpha[static_cast<std::size_t>(y) * w + x] = ink.at(x - dx, y - dy);
        }
    }
    return out;
}

Coverage Grow(const Coverage& shape, int radius) {
    // Row maxima over a half-width w, for every w up to the radius, each from the one before;
    // then each row of the disc takes the row maximum of its own half-width.
    std::vector<Coverage> rowMax{shape};
    for (int w = 1; w <= radius; ++w) {
        const Coverage& narrower = rowMax.back();
        Coverage wider(shape.width, shape.height);
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                wider.alpha[static_cast<std::size_t>(y) * shape.width + x] =
                    std::max({narrower.at(x, y), narrower.at(x - 1, y), narrower.at(x + 1, y)});
            }
        }
        rowMax.push_back(std::move(wider));
    }
    Coverage out(shape.width, shape.height);
    for (int dy = -radius; dy <= radius; ++dy) {
        int w = 0;
        while ((w + 1) * (w + 1) + dy * dy <= radius * radius) {
            ++w;
        }
        const Coverage& rows = rowMax[static_cast<std::size_t>(w)];
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                std::uint8_t& to = out.alpha[static_cast<std::size_t>(y) * shape.width + x];
                to = std::max(to, rows.at(x, y + dy));
            }
        }
    }
    return out;
}

Coverage Shift(const Coverage& shape, int dx, int dy) {
    Coverage out(shape.width, shape.height);
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            out.alpha[static_cast<std::size_t>(y) * shape.width + x] = shape.at(x - dx, y - dy);
        }
    }
    return out;
}

Coverage Shrink(const Coverage& shape, int factor) {
    Coverage out(shape.width / factor, shape.height / factor);
    const int area = factor * factor;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sum = 0;
            for (int sy = 0; sy < factor; ++sy) {
                for (int sx = 0; sx < factor; ++sx) {
                    sum += shape.at(x * factor + sx, y * factor + sy);
                }
            }
            out.alpha[static_cast<std::size_t>(y) * out.width + x] =
                static_cast<std::uint8_t>((sum + area / 2) / area);
        }
    }
    return out;
}
