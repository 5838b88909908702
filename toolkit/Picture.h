// Pictures of picture widgets: a bitmap (24-bit when stored) inside a picture that a form stream
// stores as "Data": the graphic's class name as a short string, then the graphic's own data (for a
// bitmap a 32-bit byte count and a complete BMP file).
#pragma once

#include "toolkit/Persistent.h"
#include "toolkit/PictureFile.h"

#include <memory>

namespace toolkit {

class TBitmap : public TPersistent {
  public:
    std::string_view ClassName() const override { return "TBitmap"; }

    int Width() const { return data_.width; }
    int Height() const { return data_.height; }
    bool Empty() const { return data_.width == 0 || data_.height == 0; }
    // 32-bit pixels, bottom row first, alpha 255.
    const TPictureData& Data() const { return data_; }
    void SetData(TPictureData data);
    // A complete BMP file; throws EPictureError for anything else.
    void LoadFromBytes(std::span<const std::uint8_t> file);
    std::vector<std::uint8_t> SaveToBytes() const { return EncodeBitmap24(data_); }

    TNotifyEvent OnChange;

  private:
    TPictureData data_;
};

class TPicture : public TPersistent {
  public:
    TPicture();
    std::string_view ClassName() const override { return "TPicture"; }
    void DefineProperties(TFiler& filer) override;

    TBitmap* Bitmap() const { return bitmap_.get(); }
    // Reads "Data"; throws EPictureError for a graphic class other than TBitmap or a damaged value.
    void ReadData(std::span<const std::uint8_t> value);
    std::vector<std::uint8_t> WriteData() const;

    TNotifyEvent OnChange;

  private:
    std::unique_ptr<TBitmap> bitmap_;
};

} // namespace toolkit
