#include "tools/formc/FormFiles.h"

#include "DIB/cDIB.h"
#include "DIB/cDIBImageList.h"
#include "toolkit/FormStream.h"
#include "toolkit/PictureFile.h"

namespace formc {

std::vector<std::uint8_t> ImageData(const std::string& path) {
    dib::TMemoryDIB image;
    image.LoadImageFromFile(path);
    return dib::WritePlainDIBData(image);
}

std::vector<std::uint8_t> BitmapPictureData(const std::string& path) {
    const std::vector<std::uint8_t> file = toolkit::EncodeBitmap24(toolkit::LoadPictureFile(path));
    toolkit::TFormOutput data;
    data.WriteShortString("TBitmap");
    data.WriteU32(static_cast<std::uint32_t>(file.size()));
    data.WriteBytes(file);
    return data.Take();
}

toolkit::TFormFileLoader MakeFileLoader(const std::filesystem::path& folder) {
    return [folder](std::string_view function, const std::string& path) {
        const std::string resolved = (folder / path).string();
        return function == "image" ? ImageData(resolved) : BitmapPictureData(resolved);
    };
}

} // namespace formc
