#include "toolkit/PngStream.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace toolkit {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | static_cast<std::uint32_t>(bytes[at + 3]);
}

[[noreturn]] void refuse(const std::string& why) { throw EPictureError("Unreadable PNG: " + why); }

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0; // 3 (RGB) or 4 (RGBA)
};

Header readHeader(std::span<const std::uint8_t> data) {
    if (data.size() != 13)
        refuse("the header chunk has the wrong length");
    Header header{bigEndian(data, 0), bigEndian(data, 4), 0};
    const std::uint8_t depth = data[8];
    const std::uint8_t colourType = data[9];
    if (depth != 8 || (colourType != 2 && colourType != 6))
        refuse("only 8-bit truecolour pictures are read here");
    if (data[10] != 0 || data[11] != 0 || data[12] != 0)
        refuse("unknown compression, filter or interlaced picture");
    CheckPictureSize(header.width, header.height);
    header.channels = colourType == 6 ? 4 : 3;
    return header;
}

std::uint8_t paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft)
        return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Undoes the filter of one row in place; previous is the row above, already unfiltered (zeros for the
// first row).
void unfilter(std::uint8_t type, std::span<std::uint8_t> row, std::span<const std::uint8_t> previous, int step) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int left = i >= static_cast<std::size_t>(step) ? row[i - static_cast<std::size_t>(step)] : 0;
        const int up = previous[i];
        const int upLeft = i >= static_cast<std::size_t>(step) ? previous[i - static_cast<std::size_t>(step)] : 0;
        int predicted = 0;
        switch (type) {
        case 0:
            break;
        case 1:
            predicted = left;
            break;
        case 2:
            predicted = up;
            break;
        case 3:
            predicted = (left + up) / 2;
            break;
        case 4:
            predicted = paeth(left, up, upLeft);
            break;
        default:
            refuse("unknown row filter");
        }
        row[i] = static_cast<std::uint8_t>(row[i] + predicted);
    }
}

} // namespace

TPictureData DecodeTruecolourPng(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), bytes.begin()))
        refuse("no PNG signature");
    Header header;
    std::vector<std::uint8_t> compressed;
    bool ended = false;
    for (std::size_t at = kSignature.size(); !ended;) {
        if (bytes.size() - at < 12)
            refuse("the picture is cut short");
        const std::uint32_t length = bigEndian(bytes, at);
        if (length > bytes.size() - at - 12)
            refuse("a chunk runs past the end");
        const std::span<const std::uint8_t> type = bytes.subspan(at + 4, 4);
        const std::span<const std::uint8_t> data = bytes.subspan(at + 8, length);
        const std::uint32_t stored = bigEndian(bytes, at + 8 + length);
        const auto crc = static_cast<std::uint32_t>(crc32(crc32(0, type.data(), 4), data.data(), length));
        if (crc != stored)
            refuse("a chunk is damaged");
        const std::string name(type.begin(), type.end());
        if (name == "IHDR")
            header = readHeader(data);
        else if (name == "IDAT")
            compressed.insert(compressed.end(), data.begin(), data.end());
        else if (name == "IEND")
            ended = true;
        else if ((type[0] & 0x20) == 0)
            refuse("an unknown critical chunk " + name);
        at += 12 + length;
    }
    if (header.channels == 0)
        refuse("no header chunk");

    const std::size_t rowBytes = static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.channels);
    std::vector<std::uint8_t> raw((rowBytes + 1) * header.height);
    uLongf rawLength = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawLength, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
        rawLength != raw.size())
        refuse("the pixel data does not inflate to the picture's size");

    TPictureData picture;
    picture.width = static_cast<int>(header.width);
    picture.height = static_cast<int>(header.height);
    picture.hasAlpha = header.channels == 4;
    picture.pixels.resize(static_cast<std::size_t>(header.width) * header.height);
    const std::vector<std::uint8_t> none(rowBytes, 0);
    for (std::uint32_t y = 0; y < header.height; ++y) {
        const std::span<std::uint8_t> row(raw.data() + y * (rowBytes + 1) + 1, rowBytes);
        const std::span<const std::uint8_t> previous =
            y == 0 ? std::span<const std::uint8_t>(none) : std::span<const std::uint8_t>(row.data() - rowBytes - 1, rowBytes);
        unfilter(raw[y * (rowBytes + 1)], row, previous, header.channels);
        // Held bottom row first, as 0xAARRGGBB.
        std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(header.height - 1 - y) * header.width;
        for (std::uint32_t x = 0; x < header.width; ++x) {
            const std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * header.channels;
            const std::uint32_t alpha = header.channels == 4 ? p[3] : 0xFF;
            out[x] = alpha << 24 | static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
        }
    }
    return picture;
}

} // namespace toolkit
