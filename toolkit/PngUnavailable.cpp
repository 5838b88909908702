// A build without libpng (the Windows plug-in, whose pictures all come in its layout stream) reads
// and writes no PNG files.
#include "toolkit/PictureFile.h"

namespace toolkit {

TPictureData DecodePng(std::span<const std::uint8_t>) {
    throw EPictureError("PNG pictures cannot be read by this build");
}

void SavePng(const std::string& path, const TPictureData&) {
    throw EPictureError("Cannot write " + path + ": this build has no PNG support");
}

} // namespace toolkit
