// The zlib-only PNG reader of the Windows build against libpng, on every picture the editor carries,
// and on damaged or unsupported files, which it must refuse rather than misread.
#include "resources/ScaledArtwork.h"
#include "toolkit/PictureFile.h"
#include "toolkit/PngStream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using toolkit::TPictureData;

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expectSamePicture(const TPictureData& got, const TPictureData& want) {
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    EXPECT_EQ(got.hasAlpha, want.hasAlpha);
    EXPECT_TRUE(got.pixels == want.pixels) << "pixel for pixel as libpng reads it";
}

TEST(TruecolourPng, ReadsEveryPictureOfTheEditorAsLibpngDoes) {
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TMX1_ARTWORK_FOLDER)) {
        SCOPED_TRACE(entry.path().string());
        const std::vector<std::uint8_t> bytes = readFile(entry.path());
        expectSamePicture(toolkit::DecodeTruecolourPng(bytes), toolkit::DecodePng(bytes));
        ++pictures;
    }
    for (const tmx1::ScaledArtworkFile& file : tmx1::ScaledArtworkFiles()) {
        SCOPED_TRACE(std::string(file.file) + " at " + std::to_string(file.percent));
        expectSamePicture(toolkit::DecodeTruecolourPng(file.png), toolkit::DecodePng(file.png));
        ++pictures;
    }
    EXPECT_GE(pictures, 27) << "the nine pictures at three sizes";
}

TEST(TruecolourPng, OpaqueAndTransparentPicturesWrittenByUsReadBack) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tmx1-png-stream";
    std::filesystem::create_directories(folder);
    for (bool alpha : {false, true}) {
        TPictureData picture{37, 5, alpha, {}};
        for (int i = 0; i < 37 * 5; ++i) // noise and ramps, so that every row filter pays somewhere
            picture.pixels.push_back((alpha ? static_cast<std::uint32_t>(i * 7 % 256) << 24 : 0xFF000000u) |
                                     static_cast<std::uint32_t>(i * i % 251) << 16 |
                                     static_cast<std::uint32_t>(i % 37 * 6) << 8 | static_cast<std::uint32_t>(i / 37));
        const std::filesystem::path path = folder / (alpha ? "alpha.png" : "opaque.png");
        toolkit::SavePng(path.string(), picture);
        expectSamePicture(toolkit::DecodeTruecolourPng(readFile(path)), picture);
    }
    std::filesystem::remove_all(folder);
}

// A chunk with its length and checksum, as a writer would make it.
void appendChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
    const auto put32 = [&](std::uint32_t v) {
        for (int shift : {24, 16, 8, 0})
            png.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(static_cast<std::uint32_t>(crc32(0, png.data() + typeAt, static_cast<uInt>(4 + data.size()))));
}

std::vector<std::uint8_t> pngWithHeader(std::uint8_t depth, std::uint8_t colourType, std::uint8_t interlace) {
    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendChunk(png, "IHDR", {0, 0, 0, 2, 0, 0, 0, 2, depth, colourType, 0, 0, interlace});
    const std::vector<std::uint8_t> rows(2 * (1 + 2 * 4), 0);
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(rows.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
    packed.resize(size);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

TEST(TruecolourPng, RefusesWhatItCannotReadRatherThanMisreadingIt) {
    EXPECT_NO_THROW(toolkit::DecodeTruecolourPng(pngWithHeader(8, 6, 0))) << "the well-formed case is read";
    EXPECT_THROW(toolkit::DecodeTruecolourPng(pngWithHeader(8, 3, 0)), toolkit::EPictureError) << "palette";
    EXPECT_THROW(toolkit::DecodeTruecolourPng(pngWithHeader(16, 6, 0)), toolkit::EPictureError) << "16 bits";
    EXPECT_THROW(toolkit::DecodeTruecolourPng(pngWithHeader(8, 0, 0)), toolkit::EPictureError) << "grey";
    EXPECT_THROW(toolkit::DecodeTruecolourPng(pngWithHeader(8, 6, 1)), toolkit::EPictureError) << "interlaced";

    const std::vector<std::uint8_t> good = pngWithHeader(8, 6, 0);
    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, std::size_t{20}, good.size() - 13, good.size() - 1}) {
        const std::vector<std::uint8_t> shortened(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(toolkit::DecodeTruecolourPng(shortened), toolkit::EPictureError) << "cut at " << cut;
    }
    for (std::size_t at = 8; at < good.size(); at += 5) {
        std::vector<std::uint8_t> damaged = good;
        damaged[at] ^= 0x10;
        EXPECT_THROW(toolkit::DecodeTruecolourPng(damaged), toolkit::EPictureError) << "damaged at " << at;
    }
}

} // namespace
