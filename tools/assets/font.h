// The dialog's font: a TrueType font cut down to the glyphs of a set of characters.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The characters of every double-quoted text of a dialog template, with printable ASCII,
// sorted, each once.
std::vector<char32_t> TemplateCharacters(std::string_view dialogTemplate);

// A TrueType font holding .notdef and the glyphs of the characters (those the font has), with
// every glyph a composite glyph refers to, renumbered in their original order. It keeps the
// outlines, horizontal metrics, hinting programs and a Unicode character map; it drops the
// rest (names, layout, vertical metrics). Throws std::runtime_error on a font it cannot read.
std::vector<std::uint8_t> SubsetTrueType(std::span<const std::uint8_t> font,
                                         std::span<const char32_t> characters);

// IPA P Gothic cut down to the characters of the settings dialog's texts: the resource
// dialog_font.ttf.
std::vector<std::uint8_t> MakeDialogFont();
