#include "toolkit/Picture.h"

#include <algorithm>
#include <string_view>

namespace toolkit {

namespace {
constexpr std::string_view bitmapClass = "TBitmap";
}

void TBitmap::SetData(TPictureData data) {
    data_ = std::move(data);
    data_.hasAlpha = false;
    for (std::uint32_t& pixel : data_.pixels)
        pixel |= 0xFF000000u;
    if (OnChange)
        OnChange(this);
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> file) { SetData(DecodeBitmap(file)); }

TPicture::TPicture() : bitmap_(std::make_unique<TBitmap>()) {
    bitmap_->OnChange = [this](TPersistent*) {
        if (OnChange)
            OnChange(this);
    };
}

void TPicture::DefineProperties(TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data", [this](std::span<const std::uint8_t> value) { ReadData(value); },
        [this] { return WriteData(); }, !bitmap_->Empty());
}

void TPicture::ReadData(std::span<const std::uint8_t> value) {
    if (value.empty())
        throw EPictureError("Picture data is empty");
    const std::size_t nameLength = value[0];
    if (value.size() < 1 + nameLength)
        throw EPictureError("Picture data is truncated");
    const std::string_view name(reinterpret_cast<const char*>(value.data() + 1), nameLength);
    if (name != bitmapClass)
        throw EPictureError("Unsupported picture class " + std::string(name));
    const auto rest = value.subspan(1 + nameLength);
    if (rest.size() < 4)
        throw EPictureError("Bitmap data is truncated");
    const std::uint32_t size =
        rest[0] | rest[1] << 8 | rest[2] << 16 | static_cast<std::uint32_t>(rest[3]) << 24;
    if (size != rest.size() - 4)
        throw EPictureError("Bitmap data of " + std::to_string(rest.size() - 4) + " bytes where " +
                            std::to_string(size) + " were announced");
    if (size == 0) {
        bitmap_->SetData({});
        return;
    }
    bitmap_->LoadFromBytes(rest.subspan(4));
}

std::vector<std::uint8_t> TPicture::WriteData() const {
    const std::vector<std::uint8_t> file = bitmap_->SaveToBytes();
    std::vector<std::uint8_t> value(1 + bitmapClass.size() + 4 + file.size());
    value[0] = static_cast<std::uint8_t>(bitmapClass.size());
    std::copy(bitmapClass.begin(), bitmapClass.end(), value.begin() + 1);
    const auto size = static_cast<std::uint32_t>(file.size());
    for (std::size_t i = 0; i < 4; ++i)
        value[1 + bitmapClass.size() + i] = static_cast<std::uint8_t>(size >> (8 * i));
    std::copy(file.begin(), file.end(), value.end() - static_cast<std::ptrdiff_t>(file.size()));
    return value;
}

} // namespace toolkit
