// The values formc takes from picture files: an image-list item's "Data" (image(..)) and a picture
// widget's "Picture.Data" (bitmap(..)), from PNG or BMP files.
#pragma once

#include "toolkit/FormText.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace formc {

// The plain "Data" form of the picture: 32-bit pixels, bottom row first.
std::vector<std::uint8_t> ImageData(const std::string& path);
// "TBitmap", then the byte count and a complete 24-bit BMP file of the picture.
std::vector<std::uint8_t> BitmapPictureData(const std::string& path);

// A loader for CompileFormText that reads file names relative to folder.
toolkit::TFormFileLoader MakeFileLoader(const std::filesystem::path& folder);

} // namespace formc
