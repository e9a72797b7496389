// The dialog's font: a font cut down to the glyphs of a set of characters.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The characters of every double-quoted text of a dialog template, with printable ASCII,
// sorted, each once.
std::vector<char32_t> TemplateCharacters(std::string_view dialogTemplate);

// The font cut by HarfBuzz's subsetter to .notdef and the glyphs of the characters (those it
// has), with every glyph they are built from; hinting kept, layout and vertical metrics dropped.
// Throws std::runtime_error on data it cannot read as a font.
std::vector<std::uint8_t> SubsetFont(std::span<const std::uint8_t> font,
                                     std::span<const char32_t> characters);

// IPA P Gothic cut down to the characters of the settings dialog's texts: the resource
// dialog_font.ttf.
std::vector<std::uint8_t> MakeDialogFont();
