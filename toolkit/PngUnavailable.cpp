// A build without libpng (the Windows plug-in, whose 100 % pictures come in its layout stream) reads
// only the truecolour PNG pictures of its zoomed artwork, and writes none.
#include "toolkit/PictureFile.h"
#include "toolkit/PngStream.h"

namespace toolkit {

TPictureData DecodePng(std::span<const std::uint8_t> bytes) { return DecodeTruecolourPng(bytes); }

void SavePng(const std::string& path, const TPictureData&) {
    throw EPictureError("Cannot write " + path + ": this build has no PNG support");
}

} // namespace toolkit
