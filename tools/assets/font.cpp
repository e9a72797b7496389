#include "font.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace {

// Big-endian reads that refuse to step outside the font.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint16_t U16(std::size_t at) const {
        Need(at, 2);
        return static_cast<std::uint16_t>(bytes_[at] << 8 | bytes_[at + 1]);
    }
    std::int16_t S16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }
    std::uint32_t U32(std::size_t at) const {
        return static_cast<std::uint32_t>(U16(at)) << 16 | U16(at + 2);
    }
    std::span<const std::uint8_t> Slice(std::size_t at, std::size_t size) const {
        Need(at, size);
        return bytes_.subspan(at, size);
    }
    std::size_t Size() const { return bytes_.size(); }

  private:
    void Need(std::size_t at, std::size_t size) const {
        if (at > bytes_.size() || size > bytes_.size() - at) {
            throw std::runtime_error("font: a read past the end of the data");
        }
    }
    std::span<const std::uint8_t> bytes_;
};

class Writer {
  public:
    void U16(std::uint32_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    void U32(std::uint32_t v) {
        U16(v >> 16);
        U16(v & 0xFFFF);
    }
    void Bytes(std::span<const std::uint8_t> b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void PadTo4() {
        while (bytes.size() % 4 != 0) {
            bytes.push_back(0);
        }
    }
    std::vector<std::uint8_t> bytes;
};

std::uint32_t Tag(const char (&name)[5]) {
    return static_cast<std::uint32_t>(name[0]) << 24 | static_cast<std::uint32_t>(name[1]) << 16 |
           static_cast<std::uint32_t>(name[2]) << 8 | static_cast<std::uint32_t>(name[3]);
}

struct Font {
    Reader reader;
    std::map<std::uint32_t, std::span<const std::uint8_t>> tables;

    std::span<const std::uint8_t> Table(std::uint32_t tag) const {
        const auto it = tables.find(tag);
        if (it == tables.end()) {
            throw std::runtime_error("font: a table it needs is missing");
        }
        return it->second;
    }
};

Font ReadTables(std::span<const std::uint8_t> bytes) {
    Font font{Reader(bytes), {}};
    const std::uint32_t version = font.reader.U32(0);
    if (version != 0x00010000 && version != Tag("true")) {
        throw std::runtime_error("font: not a TrueType font");
    }
    const unsigned count = font.reader.U16(4);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t record = 12 + 16 * static_cast<std::size_t>(i);
        font.tables[font.reader.U32(record)] =
            font.reader.Slice(font.reader.U32(record + 8), font.reader.U32(record + 12));
    }
    return font;
}

// The glyph of a character through the (3, 1) format 4 character map; 0 when there is none.
unsigned GlyphOf(const Reader& cmap, std::size_t subtable, char32_t c) {
    if (c > 0xFFFF) {
        return 0;
    }
    const unsigned segments = cmap.U16(subtable + 6) / 2u;
    const std::size_t ends = subtable + 14;
    const std::size_t starts = ends + 2 * segments + 2;
    const std::size_t deltas = starts + 2 * segments;
    const std::size_t rangeOffsets = deltas + 2 * segments;
    for (unsigned i = 0; i < segments; ++i) {
        if (cmap.U16(ends + 2 * i) < c) {
            continue;
        }
        const unsigned start = cmap.U16(starts + 2 * i);
        if (start > c) {
            return 0;
        }
        const unsigned delta = cmap.U16(deltas + 2 * i);
        const unsigned rangeOffset = cmap.U16(rangeOffsets + 2 * i);
        if (rangeOffset == 0) {
            return (c + delta) & 0xFFFF;
        }
        const unsigned glyph = cmap.U16(rangeOffsets + 2 * i + rangeOffset + 2 * (c - start));
        return glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
    }
    return 0;
}

std::size_t UnicodeMap(const Reader& cmap) {
    const unsigned count = cmap.U16(2);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t record = 4 + 8 * static_cast<std::size_t>(i);
        const std::size_t subtable = cmap.U32(record + 4);
        if (cmap.U16(record) == 3 && cmap.U16(record + 2) == 1 && cmap.U16(subtable) == 4) {
            return subtable;
        }
    }
    throw std::runtime_error("font: no Unicode (3, 1) format 4 character map");
}

// Composite glyph components: flags, glyph id, arguments, then an optional transform.
constexpr unsigned ARGS_ARE_WORDS = 0x1;
constexpr unsigned HAVE_SCALE = 0x8;
constexpr unsigned MORE_COMPONENTS = 0x20;
constexpr unsigned HAVE_XY_SCALE = 0x40;
constexpr unsigned HAVE_TWO_BY_TWO = 0x80;

// Offsets (within the glyph) of each component's glyph id.
std::vector<std::size_t> ComponentIdOffsets(const Reader& glyph) {
    std::vector<std::size_t> offsets;
    if (glyph.Size() == 0 || glyph.S16(0) >= 0) {
        return offsets;  // empty or simple
    }
    std::size_t at = 10;
    for (;;) {
        const unsigned flags = glyph.U16(at);
        offsets.push_back(at + 2);
        glyph.U16(at + 2);  // the id must be there
        at += 4 + ((flags & ARGS_ARE_WORDS) != 0 ? 4 : 2);
        if ((flags & HAVE_SCALE) != 0) {
            at += 2;
        } else if ((flags & HAVE_XY_SCALE) != 0) {
            at += 4;
        } else if ((flags & HAVE_TWO_BY_TWO) != 0) {
            at += 8;
        }
        if ((flags & MORE_COMPONENTS) == 0) {
            return offsets;
        }
    }
}

struct Glyphs {
    Reader loca;
    Reader glyf;
    bool longOffsets;
    unsigned count;

    Reader Glyph(unsigned id) const {
        std::size_t start = 0;
        std::size_t end = 0;
        if (longOffsets) {
            start = loca.U32(4 * static_cast<std::size_t>(id));
            end = loca.U32(4 * static_cast<std::size_t>(id) + 4);
        } else {
            start = 2 * static_cast<std::size_t>(loca.U16(2 * static_cast<std::size_t>(id)));
            end = 2 * static_cast<std::size_t>(loca.U16(2 * static_cast<std::size_t>(id) + 2));
        }
        if (end < start) {
            throw std::runtime_error("font: glyph offsets out of order");
        }
        return Reader(glyf.Slice(start, end - start));
    }
};

// The glyphs kept: .notdef, those of the characters, and every component of those, to any depth.
std::set<unsigned> KeptGlyphs(const Glyphs& glyphs, const std::vector<unsigned>& wanted) {
    std::set<unsigned> kept;
    std::vector<unsigned> pending(wanted.begin(), wanted.end());
    pending.push_back(0);
    while (!pending.empty()) {
        const unsigned id = pending.back();
        pending.pop_back();
        if (id >= glyphs.count) {
            throw std::runtime_error("font: a glyph id past the glyph count");
        }
        if (!kept.insert(id).second) {
            continue;
        }
        const Reader glyph = glyphs.Glyph(id);
        for (std::size_t at : ComponentIdOffsets(glyph)) {
            const unsigned component = glyph.U16(at);
            if (kept.count(component) == 0) {
                pending.push_back(component);
            }
        }
    }
    return kept;
}

std::vector<std::uint8_t> CharacterMap(const std::vector<std::pair<char32_t, unsigned>>& map) {
    // One segment a character, then the closing 0xFFFF segment.
    const unsigned segments = static_cast<unsigned>(map.size()) + 1;
    unsigned power = 1;
    unsigned log = 0;
    while (power * 2 <= segments) {
        power *= 2;
        ++log;
    }
    Writer w;
    w.U16(0);  // version
    w.U16(1);  // one subtable
    w.U16(3);
    w.U16(1);
    w.U32(12);
    w.U16(4);
    w.U16(16 + 8 * segments);
    w.U16(0);  // language
    w.U16(2 * segments);
    w.U16(2 * power);
    w.U16(log);
    w.U16(2 * segments - 2 * power);
    for (const auto& [c, glyph] : map) {
        w.U16(c);
    }
    w.U16(0xFFFF);
    w.U16(0);  // reserved
    for (const auto& [c, glyph] : map) {
        w.U16(c);
    }
    w.U16(0xFFFF);
    for (const auto& [c, glyph] : map) {
        w.U16((glyph - c) & 0xFFFF);
    }
    w.U16(1);
    for (unsigned i = 0; i < segments; ++i) {
        w.U16(0);
    }
    return w.bytes;
}

std::uint32_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            word = word << 8 | (i + j < bytes.size() ? bytes[i + j] : 0);
        }
        sum += word;
    }
    return sum;
}

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    bytes.at(at) = static_cast<std::uint8_t>(v >> 8);
    bytes.at(at + 1) = static_cast<std::uint8_t>(v);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    PutU16(bytes, at, v >> 16);
    PutU16(bytes, at + 2, v & 0xFFFF);
}

std::vector<std::uint8_t> Copy(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

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

std::vector<std::uint8_t> SubsetTrueType(std::span<const std::uint8_t> bytes,
                                         std::span<const char32_t> characters) {
    const Font font = ReadTables(bytes);
    const Reader head(font.Table(Tag("head")));
    const Reader maxp(font.Table(Tag("maxp")));
    const Reader hhea(font.Table(Tag("hhea")));
    const Reader hmtx(font.Table(Tag("hmtx")));
    const Reader cmap(font.Table(Tag("cmap")));
    const Glyphs glyphs{Reader(font.Table(Tag("loca"))), Reader(font.Table(Tag("glyf"))),
                        head.S16(50) != 0, maxp.U16(4)};

    const std::size_t unicode = UnicodeMap(cmap);
    std::vector<std::pair<char32_t, unsigned>> oldMap;
    std::vector<unsigned> wanted;
    std::set<char32_t> sorted(characters.begin(), characters.end());
    for (char32_t c : sorted) {
        if (const unsigned glyph = GlyphOf(cmap, unicode, c); glyph != 0) {
            oldMap.emplace_back(c, glyph);
            wanted.push_back(glyph);
        }
    }
    const std::set<unsigned> kept = KeptGlyphs(glyphs, wanted);
    std::map<unsigned, unsigned> newId;
    for (unsigned id : kept) {
        newId.emplace(id, static_cast<unsigned>(newId.size()));
    }

    // Glyph outlines, components renumbered; long offsets.
    Writer glyf;
    Writer loca;
    Writer metrics;
    const unsigned longMetrics = hhea.U16(34);
    if (longMetrics == 0) {
        throw std::runtime_error("font: no horizontal metrics");
    }
    for (unsigned id : kept) {
        loca.U32(static_cast<std::uint32_t>(glyf.bytes.size()));
        const Reader glyph = glyphs.Glyph(id);
        std::vector<std::uint8_t> data = Copy(glyph.Slice(0, glyph.Size()));
        for (std::size_t at : ComponentIdOffsets(glyph)) {
            PutU16(data, at, newId.at(glyph.U16(at)));
        }
        glyf.Bytes(data);
        glyf.PadTo4();
        // Glyphs past the long metrics share the last advance and keep their own side bearing.
        const std::size_t last = longMetrics - 1;
        const std::size_t advanceAt = 4 * std::min<std::size_t>(id, last);
        const std::size_t bearingAt = id <= last ? 4 * static_cast<std::size_t>(id) + 2
                                                 : 4 * longMetrics + 2 * (id - longMetrics);
        metrics.U16(hmtx.U16(advanceAt));
        metrics.U16(hmtx.U16(bearingAt));
    }
    loca.U32(static_cast<std::uint32_t>(glyf.bytes.size()));

    std::vector<std::pair<char32_t, unsigned>> map;
    for (const auto& [c, glyph] : oldMap) {
        map.emplace_back(c, newId.at(glyph));
    }
    const auto count = static_cast<std::uint32_t>(kept.size());
    std::vector<std::uint8_t> newHead = Copy(font.Table(Tag("head")));
    PutU32(newHead, 8, 0);   // checksum adjustment, set at the end
    PutU16(newHead, 50, 1);  // long glyph offsets
    std::vector<std::uint8_t> newMaxp = Copy(font.Table(Tag("maxp")));
    PutU16(newMaxp, 4, count);
    std::vector<std::uint8_t> newHhea = Copy(font.Table(Tag("hhea")));
    PutU16(newHhea, 34, count);

    // In tag order; hinting programs are kept as they are, for the outlines' instructions.
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> tables = {
        {Tag("cmap"), CharacterMap(map)}, {Tag("glyf"), glyf.bytes},    {Tag("head"), newHead},
        {Tag("hhea"), newHhea},           {Tag("hmtx"), metrics.bytes}, {Tag("loca"), loca.bytes},
        {Tag("maxp"), newMaxp},
    };
    for (const char* hinting : {"cvt ", "fpgm", "prep"}) {
        char name[5] = {hinting[0], hinting[1], hinting[2], hinting[3], 0};
        const auto it = font.tables.find(Tag(name));
        if (it != font.tables.end()) {
            tables.emplace_back(it->first, Copy(it->second));
        }
    }
    std::sort(tables.begin(), tables.end());

    const auto tableCount = static_cast<unsigned>(tables.size());
    unsigned power = 1;
    unsigned log = 0;
    while (power * 2 <= tableCount) {
        power *= 2;
        ++log;
    }
    Writer out;
    out.U32(0x00010000);
    out.U16(tableCount);
    out.U16(16 * power);
    out.U16(log);
    out.U16(16 * tableCount - 16 * power);
    std::size_t offset = 12 + 16 * static_cast<std::size_t>(tableCount);
    std::size_t headOffset = 0;
    for (const auto& [tag, data] : tables) {
        out.U32(tag);
        out.U32(Checksum(data));
        out.U32(static_cast<std::uint32_t>(offset));
        out.U32(static_cast<std::uint32_t>(data.size()));
        if (tag == Tag("head")) {
            headOffset = offset;
        }
        offset += (data.size() + 3) / 4 * 4;
    }
    for (const auto& [tag, data] : tables) {
        out.Bytes(data);
        out.PadTo4();
    }
    PutU32(out.bytes, headOffset + 8, 0xB1B0AFBA - Checksum(out.bytes));
    return out.bytes;
}

std::vector<std::uint8_t> MakeDialogFont() {
    const std::vector<std::uint8_t> dialog = ReadFile(PUCKWIND_RESOURCES_DIR "/dlg_render.dlg");
    const std::vector<std::uint8_t> font = ReadFile(DIALOG_FONT_SOURCE);
    return SubsetTrueType(font, TemplateCharacters(std::string_view(
                                    reinterpret_cast<const char*>(dialog.data()), dialog.size())));
}
