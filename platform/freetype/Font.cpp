#include "platform/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <optional>

namespace platform {

namespace {

// Light hinting snaps heights and horizontal stems only, which keeps small labels crisp without
// reshaping the glyphs. Measuring and drawing load with the same flags: a hinter that changes a
// glyph's advance would otherwise draw the text at other places than the measured box allows for.
constexpr FT_Int32 loadFlags = FT_LOAD_TARGET_LIGHT;

struct FaceFile {
    std::string path;
    int index = 0;
};

// The face file fontconfig picks for the family and style. Its substitution rules map a family that
// is not installed to a metric-compatible one ("Arial" to Liberation Sans), and an unknown family to
// the default sans face.
std::optional<FaceFile> matchFace(const std::string& family, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return std::nullopt;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return std::nullopt;
    std::optional<FaceFile> file;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
        file.emplace();
        file->path = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &file->index) != FcResultMatch)
            file->index = 0;
    }
    FcPatternDestroy(match);
    return file;
}

// The next code point of UTF-8 text. A malformed sequence gives one U+FFFD for its longest valid
// beginning and resumes at the first byte that does not continue it, so that a truncated character
// does not swallow the one after it.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int needed = 0;
    char32_t c = 0;
    // The second byte's range also rules out overlong forms, surrogates and values past U+10FFFF.
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return U'\uFFFD';
    }
    for (; needed > 0; --needed) {
        if (at >= text.size())
            return U'\uFFFD';
        const auto next = static_cast<unsigned char>(text[at]);
        if (next < low || next > high)
            return U'\uFFFD';
        c = c << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
        ++at;
    }
    return c;
}

int ceilPixels(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }
int roundPixels(FT_Pos value) { return static_cast<int>((value + 32) >> 6); }

// The coverage of one pixel of a rendered glyph; an embedded bitmap strike may give it one bit deep.
std::uint8_t glyphPixel(const FT_Bitmap& bitmap, int row, int column) {
    // A negative pitch stores the rows bottom-up from the buffer's start.
    const unsigned char* top =
        bitmap.pitch >= 0 ? bitmap.buffer
                          : bitmap.buffer - static_cast<std::ptrdiff_t>(bitmap.rows - 1) * bitmap.pitch;
    const unsigned char* line = top + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        return (line[column >> 3] & (0x80 >> (column & 7))) != 0 ? 255 : 0;
    return line[column];
}

} // namespace

// One FreeType library per font: editor instances may live on different host threads, and FreeType
// objects must not be shared between threads.
struct Font::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    int ascent = 0;
    int descent = 0;

    Face() = default;
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    ~Face() {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }

    // Opens the file at the size; false when it is not a face FreeType can scale to it.
    bool Load(const FaceFile& candidate, int pixelHeight) {
        FT_Face opened = nullptr;
        if (FT_New_Face(library, candidate.path.c_str(), candidate.index, &opened) != 0)
            return false;
        if (FT_Set_Pixel_Sizes(opened, 0, static_cast<FT_UInt>(pixelHeight)) != 0) {
            FT_Done_Face(opened);
            return false;
        }
        face = opened;
        file = candidate.path;
        ascent = ceilPixels(face->size->metrics.ascender);
        descent = ceilPixels(-face->size->metrics.descender);
        return true;
    }

    // Walks the text glyph by glyph: visit(glyph slot, pen x) for each glyph that loads; returns the
    // pen position after the last one.
    template <class Visit> int Layout(std::string_view text, Visit visit) const {
        const bool kerning = FT_HAS_KERNING(face);
        int pen = 0;
        FT_UInt previous = 0;
        for (std::size_t at = 0; at < text.size();) {
            const FT_UInt glyph = FT_Get_Char_Index(face, nextCodePoint(text, at));
            if (kerning && previous != 0 && glyph != 0) {
                FT_Vector delta{};
                if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &delta) == 0)
                    pen += roundPixels(delta.x);
            }
            if (FT_Load_Glyph(face, glyph, loadFlags) != 0)
                continue;
            visit(face->glyph, pen);
            pen += roundPixels(face->glyph->advance.x);
            previous = glyph;
        }
        return pen;
    }
};

Font::Font(std::unique_ptr<Face> face) : face_(std::move(face)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(std::string_view family, int pixelHeight, bool bold, bool italic) {
    const std::string name(family);
    auto face = std::make_unique<Face>();
    if (FT_Init_FreeType(&face->library) != 0)
        throw FontError("The font engine could not start");
    // The named family's match may still be a face FreeType cannot use (a bitmap-only font without
    // this size, a damaged file); the default sans face is the last resort before giving up.
    const int size = std::max(pixelHeight, 1);
    for (const std::string& candidate : {name, std::string("sans-serif")}) {
        const auto file = matchFace(candidate, bold, italic);
        if (file && face->Load(*file, size))
            return std::unique_ptr<Font>(new Font(std::move(face)));
    }
    throw FontError("No usable font face for \"" + name + "\" at " + std::to_string(size) + " pixels");
}

const std::string& Font::FileName() const { return face_->file; }

TextExtent Font::Measure(std::string_view utf8) const {
    const int width = face_->Layout(utf8, [](FT_GlyphSlot, int) {});
    return {std::max(width, 0), face_->ascent + face_->descent, face_->ascent};
}

TextCoverage Font::Render(std::string_view utf8) const {
    const TextExtent extent = Measure(utf8);
    TextCoverage coverage;
    coverage.width = extent.width;
    coverage.height = extent.height;
    coverage.alpha.assign(static_cast<std::size_t>(extent.width) * static_cast<std::size_t>(extent.height),
                          0);
    face_->Layout(utf8, [&](FT_GlyphSlot slot, int pen) {
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
            return;
        // Only the part of the glyph inside the box: accents may rise above the ascent, and a slanted
        // or swashed glyph may reach past its neighbours or the ends of the line.
        const int left = pen + slot->bitmap_left;
        const int top = extent.ascent - slot->bitmap_top;
        const int firstRow = std::max(0, -top);
        const int endRow = std::min(static_cast<int>(bitmap.rows), coverage.height - top);
        const int firstColumn = std::max(0, -left);
        const int endColumn = std::min(static_cast<int>(bitmap.width), coverage.width - left);
        for (int row = firstRow; row < endRow; ++row) {
            const std::size_t line =
                static_cast<std::size_t>(top + row) * static_cast<std::size_t>(coverage.width);
            for (int column = firstColumn; column < endColumn; ++column) {
                std::uint8_t& cell = coverage.alpha[line + static_cast<std::size_t>(left + column)];
                cell = std::max(cell, glyphPixel(bitmap, row, column));
            }
        }
    });
    return coverage;
}

} // namespace platform
