// Text through GDI. Each font keeps a memory device context with its face selected; rendering draws
// white on black into a DIB section of the measured size and reads the ink back as coverage. Grayscale
// smoothing only: ClearType's colour fringes would not survive being blended in another colour. GDI
// smooths a face only at the sizes its designer allows (the face's gasp table), so some faces come out
// crisp and unsmoothed at label sizes, as every other program on the machine shows them.
#include "platform/Font.h"

#include "platform/win32/Utf16.h"
#include "platform/win32/Win32Api.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace platform {

namespace {

// What a form names stands for an old bitmap face that cannot be smoothed or scaled; its outline
// successor is the face we mean.
constexpr const char* kFallbackFamily = "Arial";

HFONT createFont(const std::string& family, int pixelHeight, bool bold, bool italic) {
    // A negative height asks for the character (em) height rather than the cell height.
    return CreateFontA(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, family.c_str());
}

// Outline faces scale and smooth; raster faces (the old "MS Sans Serif") do neither.
bool isOutline(const TEXTMETRICA& metrics) {
    return (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
}

} // namespace

struct Font::Face {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
    std::string name;
    int ascent = 0;
    int descent = 0;

    Face() = default;
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    ~Face() {
        if (dc != nullptr) {
            SelectObject(dc, previousFont);
            DeleteDC(dc);
        }
        if (font != nullptr)
            DeleteObject(font);
    }

    // Selects the family at the size; false when GDI gives no face or only a raster one for it.
    bool Load(const std::string& family, int pixelHeight, bool bold, bool italic) {
        HFONT candidate = createFont(family, pixelHeight, bold, italic);
        if (candidate == nullptr)
            return false;
        const HGDIOBJ replaced = SelectObject(dc, candidate);
        TEXTMETRICA metrics{};
        char face[LF_FACESIZE] = {};
        if (GetTextMetricsA(dc, &metrics) == FALSE || !isOutline(metrics) ||
            GetTextFaceA(dc, LF_FACESIZE, face) == 0) {
            SelectObject(dc, replaced);
            DeleteObject(candidate);
            return false;
        }
        if (font == nullptr)
            previousFont = replaced;
        else
            DeleteObject(font);
        font = candidate;
        name = face;
        ascent = metrics.tmAscent;
        descent = metrics.tmDescent;
        return true;
    }

    // The pen advance after each UTF-16 unit, kerning pairs included: ExtTextOut places the glyphs
    // exactly where measuring counted them.
    std::vector<int> Advances(const std::wstring& text) const {
        std::vector<int> advances(text.size(), 0);
        if (text.empty())
            return advances;
        GCP_RESULTSW results{};
        results.lStructSize = sizeof results;
        results.lpDx = advances.data();
        results.nGlyphs = static_cast<UINT>(text.size());
        if (GetCharacterPlacementW(dc, text.c_str(), static_cast<int>(text.size()), 0, &results,
                                   GCP_USEKERNING) == 0)
            return PlainAdvances(text);
        return advances;
    }

    // Without kerning, from the running extents of the text.
    std::vector<int> PlainAdvances(const std::wstring& text) const {
        std::vector<int> extents(text.size(), 0);
        SIZE size{};
        GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, extents.data(),
                              &size);
        std::vector<int> advances(text.size(), 0);
        std::adjacent_difference(extents.begin(), extents.end(), advances.begin());
        return advances;
    }
};

Font::Font(std::unique_ptr<Face> face) : face_(std::move(face)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(std::string_view family, int pixelHeight, bool bold, bool italic) {
    const std::string name(family);
    const int size = std::max(pixelHeight, 1);
    auto face = std::make_unique<Face>();
    face->dc = CreateCompatibleDC(nullptr);
    if (face->dc == nullptr)
        throw FontError("No device context for measuring text");
    // The empty name is GDI's choice for the family class asked for: its default sans face.
    for (const std::string& candidate : {name, std::string(kFallbackFamily), std::string()})
        if (face->Load(candidate, size, bold, italic))
            return std::unique_ptr<Font>(new Font(std::move(face)));
    throw FontError("No usable font face for \"" + name + "\" at " + std::to_string(size) + " pixels");
}

const std::string& Font::FileName() const { return face_->name; }

TextExtent Font::Measure(std::string_view utf8) const {
    const std::vector<int> advances = face_->Advances(win32::Utf16FromUtf8(utf8));
    const int width = std::accumulate(advances.begin(), advances.end(), 0);
    return {std::max(width, 0), face_->ascent + face_->descent, face_->ascent};
}

TextCoverage Font::Render(std::string_view utf8) const {
    const std::wstring text = win32::Utf16FromUtf8(utf8);
    std::vector<int> advances = face_->Advances(text);
    TextCoverage coverage;
    coverage.width = std::max(std::accumulate(advances.begin(), advances.end(), 0), 0);
    coverage.height = face_->ascent + face_->descent;
    coverage.alpha.assign(
        static_cast<std::size_t>(coverage.width) * static_cast<std::size_t>(coverage.height), 0);
    if (coverage.alpha.empty())
        return coverage;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = coverage.width;
    info.bmiHeader.biHeight = -coverage.height; // negative: top-down, as the coverage's rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(face_->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (canvas == nullptr || bits == nullptr)
        throw FontError("No memory to render text into");
    std::memset(bits, 0, coverage.alpha.size() * 4);
    const HGDIOBJ previous = SelectObject(face_->dc, canvas);
    SetTextColor(face_->dc, RGB(255, 255, 255));
    SetBkMode(face_->dc, TRANSPARENT);
    SetTextAlign(face_->dc, TA_LEFT | TA_TOP | TA_NOUPDATECP); // the cell's top at row 0, baseline at ascent
    ExtTextOutW(face_->dc, 0, 0, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), advances.data());
    GdiFlush(); // GDI may still be drawing into the bits
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    // White ink on black: every channel holds the same grey coverage; green is as good as any.
    for (std::size_t i = 0; i < coverage.alpha.size(); ++i)
        coverage.alpha[i] = static_cast<std::uint8_t>(pixels[i] >> 8 & 0xFF);
    SelectObject(face_->dc, previous);
    DeleteObject(canvas);
    return coverage;
}

} // namespace platform
