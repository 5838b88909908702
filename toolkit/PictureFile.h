// The picture loader: PNG (through libpng, where the build has it) and uncompressed BMP files, decoded to 32-bit pixels in the
// order blue, green, red, alpha with the bottom row first. A picture without an alpha channel gets
// alpha 255 everywhere. Also writes the 24-bit BMP files that picture widgets store.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace toolkit {

class EPictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TPictureData {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;             // the source had an alpha channel (a 32-bit picture)
    std::vector<std::uint32_t> pixels; // width × height, bottom row first, 0xAARRGGBB
};

// The largest width or height a picture may have.
constexpr int maxPictureSide = 65535;

// Throws EPictureError unless both sides are 1..maxPictureSide.
void CheckPictureSize(long long width, long long height);

TPictureData LoadPictureFile(const std::string& path);
// Tells PNG from BMP by the first bytes.
TPictureData DecodePicture(std::span<const std::uint8_t> bytes);
TPictureData DecodePng(std::span<const std::uint8_t> bytes);
TPictureData DecodeBitmap(std::span<const std::uint8_t> bytes);

// A complete BMP file: 40-byte information header, no palette, 24 bits per pixel, rows bottom-up and
// padded to a multiple of 4 bytes. Alpha is dropped.
std::vector<std::uint8_t> EncodeBitmap24(const TPictureData& picture);

// Writes the picture as a PNG file, with its alpha channel when it has one (hasAlpha), else as
// opaque RGB. Throws EPictureError when the file cannot be written.
void SavePng(const std::string& path, const TPictureData& picture);

} // namespace toolkit
