#include "platform/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace platform {

namespace {

// The face file fontconfig picks for the family and style; its substitution rules map "Arial" to a
// metric-compatible face when Arial itself is missing.
std::string matchFace(std::string_view family, bool bold, bool italic, int& index) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return {};
    const std::string name(family);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    if (match != nullptr) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr)
            file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        FcPatternDestroy(match);
    }
    return file;
}

// The next code point of UTF-8 text; a malformed sequence gives U+FFFD and skips one byte.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 && lead < 0xF8   ? 3
                      : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                                                    : -1;
    if (extra < 0 || at + static_cast<std::size_t>(extra) > text.size())
        return U'\uFFFD';
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return U'\uFFFD';
        c = c << 6 | (next & 0x3F);
    }
    at += static_cast<std::size_t>(extra);
    const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    return overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? U'\uFFFD' : c;
}

int ceil26_6(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }

} // namespace

// One FreeType library per font: editor instances may live on different host threads, and a
// library must not be shared between threads.
struct Font::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    int ascent = 0;
    int descent = 0;

    ~Face() {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }

    // Walks the text glyph by glyph: visit(glyph slot, pen x) after loading each with the flags given.
    template <class Visit> int Layout(std::string_view text, FT_Int32 flags, Visit visit) const {
        int pen = 0;
        FT_UInt previous = 0;
        for (std::size_t at = 0; at < text.size();) {
            const FT_UInt glyph = FT_Get_Char_Index(face, nextCodePoint(text, at));
            if (previous != 0 && glyph != 0 && FT_HAS_KERNING(face)) {
                FT_Vector kerning{};
                if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning) == 0)
                    pen += static_cast<int>(kerning.x >> 6);
            }
            if (FT_Load_Glyph(face, glyph, flags) != 0)
                continue;
            visit(face->glyph, pen);
            pen += static_cast<int>((face->glyph->advance.x + 32) >> 6);
            previous = glyph;
        }
        return pen;
    }
};

Font::Font(std::unique_ptr<Face> face) : face_(std::move(face)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(std::string_view family, int pixelHeight, bool bold, bool italic) {
    auto face = std::make_unique<Face>();
    int index = 0;
    face->file = matchFace(family, bold, italic, index);
    if (face->file.empty())
        throw FontError("No font found for " + std::string(family));
    if (FT_Init_FreeType(&face->library) != 0)
        throw FontError("The font engine could not start");
    if (FT_New_Face(face->library, face->file.c_str(), index, &face->face) != 0)
        throw FontError("Cannot open the font file " + face->file);
    if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(std::max(pixelHeight, 1))) != 0)
        throw FontError("The font " + face->file + " has no size of " + std::to_string(pixelHeight) +
                        " pixels");
    face->ascent = ceil26_6(face->face->size->metrics.ascender);
    face->descent = ceil26_6(-face->face->size->metrics.descender);
    return std::unique_ptr<Font>(new Font(std::move(face)));
}

const std::string& Font::FileName() const { return face_->file; }

TextExtent Font::Measure(std::string_view utf8) const {
    const int width = face_->Layout(utf8, FT_LOAD_DEFAULT, [](FT_GlyphSlot, int) {});
    return {std::max(width, 0), face_->ascent + face_->descent, face_->ascent};
}

TextCoverage Font::Render(std::string_view utf8) const {
    const TextExtent extent = Measure(utf8);
    TextCoverage coverage;
    coverage.width = extent.width;
    coverage.height = extent.height;
    coverage.alpha.assign(static_cast<std::size_t>(extent.width) * static_cast<std::size_t>(extent.height),
                          0);
    face_->Layout(utf8, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT, [&](FT_GlyphSlot slot, int pen) {
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            return;
        const int left = pen + slot->bitmap_left;
        const int top = extent.ascent - slot->bitmap_top;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
            const int y = top + row;
            if (y < 0 || y >= coverage.height)
                continue;
            const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
                const int x = left + column;
                if (x < 0 || x >= coverage.width)
                    continue;
                std::uint8_t& cell = coverage.alpha[static_cast<std::size_t>(y) * coverage.width + x];
                cell = std::max(cell, static_cast<std::uint8_t>(source[column]));
            }
        }
    });
    return coverage;
}

} // namespace platform
