#include "font.h"

#include <hb-subset.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

namespace {

template <class T, void (*Destroy)(T*)>
struct Deleter {
    void operator()(T* p) const { Destroy(p); }
};
using Blob = std::unique_ptr<hb_blob_t, Deleter<hb_blob_t, hb_blob_destroy>>;
using Face = std::unique_ptr<hb_face_t, Deleter<hb_face_t, hb_face_destroy>>;
using Input =
    std::unique_ptr<hb_subset_input_t, Deleter<hb_subset_input_t, hb_subset_input_destroy>>;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<char32_t> TemplateCharacters(std::string_view dialogTemplate) {
    std::set<char32_t> characters;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        characters.insert(c);
    }
    bool quoted = false;
    for (std::size_t i = 0; i < dialogTemplate.size();) {
        const auto lead = static_cast<unsigned char>(dialogTemplate[i]);
        if (lead == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        // UTF-8: the lead byte says how many continuation bytes follow.
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t j = 1; j < length && i + j < dialogTemplate.size(); ++j) {
            c = c << 6 | (static_cast<unsigned char>(dialogTemplate[i + j]) & 0x3F);
        }
        if (quoted) {
            characters.insert(c);
        }
        i += length;
    }
    return {characters.begin(), characters.end()};
}

std::vector<std::uint8_t> SubsetFont(std::span<const std::uint8_t> font,
                                     std::span<const char32_t> characters) {
    const Blob blob(hb_blob_create(reinterpret_cast<const char*>(font.data()),
                                   static_cast<unsigned>(font.size()), HB_MEMORY_MODE_READONLY,
                                   nullptr, nullptr));
    const Face face(hb_face_create(blob.get(), 0));
    if (hb_face_get_glyph_count(face.get()) == 0) {
        throw std::runtime_error("font: not a font it can read");
    }
    const Input input(hb_subset_input_create_or_fail());
    if (!input) {
        throw std::bad_alloc();
    }
    for (char32_t c : characters) {
        hb_set_add(hb_subset_input_unicode_set(input.get()), c);
    }
    // The dialog lays out each character on its own: no layout tables, no vertical metrics.
    hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "vhea", "vmtx", "VORG"}) {
        hb_set_add(dropped, hb_tag_from_string(tag, 4));
    }
    // A cut of a font may not carry the original's font name: keep only the copyright notice,
    // the style and the version among the names.
    hb_set_t* names = hb_subset_input_set(input.get(), HB_SUBSET_SETS_NAME_ID);
    hb_set_clear(names);
    for (hb_codepoint_t id : {0U, 2U, 5U}) {
        hb_set_add(names, id);
    }
    const Face cut(hb_subset_or_fail(face.get(), input.get()));
    if (!cut) {
        throw std::runtime_error("font: the subsetter refused it");
    }
    const Blob bytes(hb_face_reference_blob(cut.get()));
    unsigned size = 0;
    const char* data = hb_blob_get_data(bytes.get(), &size);
    return {data, data + size};
}

std::vector<std::uint8_t> MakeDialogFont() {
    const std::vector<std::uint8_t> dialog = ReadFile(PUCKWIND_RESOURCES_DIR "/dlg_render.dlg");
    const std::vector<std::uint8_t> font = ReadFile(DIALOG_FONT_SOURCE);
    return SubsetFont(font, TemplateCharacters(std::string_view(
                                reinterpret_cast<const char*>(dialog.data()), dialog.size())));
}
