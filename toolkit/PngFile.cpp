// PNG pictures through libpng's simplified interface.
#include "toolkit/PictureFile.h"

#include <png.h>

namespace toolkit {

TPictureData DecodePng(std::span<const std::uint8_t> bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0)
        throw EPictureError(std::string("Unreadable PNG: ") + image.message);
    TPictureData picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    try {
        CheckPictureSize(image.width, image.height);
    } catch (...) {
        png_image_free(&image);
        throw;
    }
    image.format = PNG_FORMAT_BGRA;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    // A negative stride makes libpng store the top row last: bottom-up, as the pictures are held.
    const auto stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), stride, nullptr) == 0)
        throw EPictureError(std::string("Unreadable PNG: ") + image.message);
    return picture;
}

void SavePng(const std::string& path, const TPictureData& picture) {
    CheckPictureSize(picture.width, picture.height);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = picture.hasAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    // The pixels are held bottom row first; libpng expects the top row first, so step backwards.
    const std::size_t rowPixels = static_cast<std::size_t>(picture.width);
    std::vector<std::uint8_t> rows;
    const std::size_t channels = picture.hasAlpha ? 4 : 3;
    rows.reserve(rowPixels * static_cast<std::size_t>(picture.height) * channels);
    for (int y = picture.height - 1; y >= 0; --y)
        for (std::size_t x = 0; x < rowPixels; ++x) {
            const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * rowPixels + x];
            rows.push_back(static_cast<std::uint8_t>(p));
            rows.push_back(static_cast<std::uint8_t>(p >> 8));
            rows.push_back(static_cast<std::uint8_t>(p >> 16));
            if (picture.hasAlpha)
                rows.push_back(static_cast<std::uint8_t>(p >> 24));
        }
    if (png_image_write_to_file(&image, path.c_str(), 0, rows.data(), 0, nullptr) == 0)
        throw EPictureError("Cannot write " + path + ": " + image.message);
}

} // namespace toolkit
