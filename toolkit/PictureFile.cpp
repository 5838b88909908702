#include "toolkit/PictureFile.h"


#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

namespace toolkit {

namespace {

constexpr std::array<std::uint8_t, 8> pngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderSize = 40;

std::uint32_t u32At(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t u16At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void putU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

// The layout of a BMP's pixel rows, taken from its headers.
struct BitmapLayout {
    long long width = 0;
    long long height = 0; // positive
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    std::size_t rowBytes = 0;
    std::size_t pixelOffset = 0;
    std::vector<std::uint32_t> palette;
};

BitmapLayout readBitmapLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < fileHeaderSize + infoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        throw EPictureError("Not a bitmap file");
    const std::size_t headerSize = u32At(bytes, fileHeaderSize);
    if (headerSize < infoHeaderSize || headerSize > bytes.size() - fileHeaderSize)
        throw EPictureError("Unsupported bitmap header of " + std::to_string(headerSize) + " bytes");
    BitmapLayout layout;
    const auto signedHeight = static_cast<std::int32_t>(u32At(bytes, 22));
    layout.width = static_cast<std::int32_t>(u32At(bytes, 18));
    layout.topDown = signedHeight < 0;
    layout.height = signedHeight < 0 ? -static_cast<long long>(signedHeight) : signedHeight;
    layout.bitsPerPixel = u16At(bytes, 28);
    const std::uint32_t compression = u32At(bytes, 30);
    CheckPictureSize(layout.width, layout.height);
    const bool bitFields32 = compression == 3 && layout.bitsPerPixel == 32;
    if (compression != 0 && !bitFields32)
        throw EPictureError("Unsupported bitmap compression " + std::to_string(compression));
    if (layout.bitsPerPixel != 1 && layout.bitsPerPixel != 4 && layout.bitsPerPixel != 8 &&
        layout.bitsPerPixel != 24 && layout.bitsPerPixel != 32)
        throw EPictureError("Unsupported bitmap depth " + std::to_string(layout.bitsPerPixel));
    layout.rowBytes = static_cast<std::size_t>((layout.width * layout.bitsPerPixel + 31) / 32 * 4);
    layout.pixelOffset = u32At(bytes, 10);
    if (layout.bitsPerPixel <= 8) {
        std::size_t colours = u32At(bytes, 46);
        if (colours == 0 || colours > (1u << layout.bitsPerPixel))
            colours = std::size_t{1} << layout.bitsPerPixel;
        const std::size_t paletteAt = fileHeaderSize + headerSize;
        if (paletteAt + colours * 4 > bytes.size())
            throw EPictureError("Bitmap palette runs past the end of the file");
        for (std::size_t i = 0; i < colours; ++i)
            layout.palette.push_back(u32At(bytes, paletteAt + 4 * i) | 0xFF000000u);
    }
    const auto needed =
        static_cast<unsigned long long>(layout.rowBytes) * static_cast<unsigned long long>(layout.height);
    if (layout.pixelOffset > bytes.size() || needed > bytes.size() - layout.pixelOffset)
        throw EPictureError("Bitmap pixels run past the end of the file");
    return layout;
}

std::uint32_t bitmapPixel(const BitmapLayout& layout, const std::uint8_t* row, long long x) {
    const auto i = static_cast<std::size_t>(x);
    switch (layout.bitsPerPixel) {
    case 32:
        return row[4 * i] | row[4 * i + 1] << 8 | row[4 * i + 2] << 16 |
               static_cast<std::uint32_t>(row[4 * i + 3]) << 24;
    case 24:
        return row[3 * i] | row[3 * i + 1] << 8 | row[3 * i + 2] << 16 | 0xFF000000u;
    default: {
        const unsigned bits = layout.bitsPerPixel;
        const std::size_t bitIndex = i * bits;
        const unsigned shift = 8 - bits - static_cast<unsigned>(bitIndex % 8);
        const std::size_t index = (row[bitIndex / 8] >> shift) & ((1u << bits) - 1);
        return index < layout.palette.size() ? layout.palette[index] : 0xFF000000u;
    }
    }
}

} // namespace

TPictureData LoadPictureFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw EPictureError("Cannot open picture file " + path);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    try {
        return DecodePicture(bytes);
    } catch (const EPictureError& error) {
        throw EPictureError(path + ": " + error.what());
    }
}

void CheckPictureSize(long long width, long long height) {
    if (width < 1 || height < 1 || width > maxPictureSide || height > maxPictureSide)
        throw EPictureError("Unsupported picture size " + std::to_string(width) + " x " +
                            std::to_string(height));
}

TPictureData DecodePicture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= pngSignature.size() &&
        std::equal(pngSignature.begin(), pngSignature.end(), bytes.begin()))
        return DecodePng(bytes);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return DecodeBitmap(bytes);
    throw EPictureError("Unknown picture format");
}

TPictureData DecodeBitmap(std::span<const std::uint8_t> bytes) {
    const BitmapLayout layout = readBitmapLayout(bytes);
    TPictureData picture;
    picture.width = static_cast<int>(layout.width);
    picture.height = static_cast<int>(layout.height);
    picture.hasAlpha = layout.bitsPerPixel == 32;
    picture.pixels.resize(static_cast<std::size_t>(layout.width * layout.height));
    for (long long y = 0; y < layout.height; ++y) {
        const long long storedRow = layout.topDown ? layout.height - 1 - y : y;
        const std::uint8_t* row =
            bytes.data() + layout.pixelOffset + static_cast<std::size_t>(storedRow) * layout.rowBytes;
        std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y * layout.width);
        for (long long x = 0; x < layout.width; ++x)
            out[x] = bitmapPixel(layout, row, x);
    }
    return picture;
}

std::vector<std::uint8_t> EncodeBitmap24(const TPictureData& picture) {
    CheckPictureSize(picture.width, picture.height);
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    const std::size_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = rowBytes * height;
    const std::size_t offset = fileHeaderSize + infoHeaderSize;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<std::uint32_t>(offset + imageBytes));
    putU32(out, 0);
    putU32(out, static_cast<std::uint32_t>(offset));
    putU32(out, infoHeaderSize);
    putU32(out, static_cast<std::uint32_t>(width));
    putU32(out, static_cast<std::uint32_t>(height));
    putU16(out, 1);
    putU16(out, 24);
    putU32(out, 0);
    putU32(out, static_cast<std::uint32_t>(imageBytes));
    putU32(out, 2835); // 72 dots per inch, in dots per metre
    putU32(out, 2835);
    putU32(out, 0);
    putU32(out, 0);
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t p = picture.pixels[y * width + x];
            out.push_back(static_cast<std::uint8_t>(p));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
        }
        out.resize(out.size() + rowBytes - width * 3, 0);
    }
    return out;
}

} // namespace toolkit
