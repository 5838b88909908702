// The 32-bit off-screen image of the skinned editor and its blending. Pixels are 4 bytes in the order
// blue, green, red, alpha (0xAARRGGBB as a little-endian word); rows are stored bottom-up without
// padding: row 0 in memory is the bottom row of the picture. An image carries its own drawing
// settings (angle, scale, opacity, transparency, mask) and draws itself onto another image through the
// per-pixel blend routine that those settings select.
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Persistent.h"

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {
class PixelMemory;
}

namespace dib {

namespace blend {
struct RowParams;
}

using toolkit::TColor;
using TAngle = std::uint16_t; // 0..359 degrees, clockwise on screen

enum TTransparentMode { tmAuto = 0, tmFixed = 1 };

class EDIBError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Inclusive edges, in pixels from the top-left corner.
struct TDIBClipRect {
    int Left;
    int Top;
    int Right;
    int Bottom;
    bool operator==(const TDIBClipRect&) const = default;
};

struct TDIBSize {
    int Width;
    int Height;
    bool operator==(const TDIBSize&) const = default;
};

enum class TBlendRoutine {
    Copy,
    ConstantOpacity,
    AlphaBlend,
    AlphaBlendOpacity,
    ColourKey,
    ColourKeyOpacity
};

// Rounds to the nearest integer, halves to the even neighbour. Saturates far outside the int64 range;
// NaN gives 0.
std::int64_t Nearest(long double x);
// Brings an angle into 0..359 by whole turns.
int NormalizeAngle(int angle);
// The size a w × h picture needs when turned by angle and scaled by scaleX, scaleY percent; an odd
// width or height is made even.
TDIBSize RotatedSize(int w, int h, int angle, long double scaleX, long double scaleY);

// Draw blends eight pixels at a time with AVX2 where the processor has it, else four with the SSE2 that
// every x86-64 has; the results are the same bits. Turning AVX2 off lets the tests and the benchmark
// run the four-pixel forms on any machine.
void SetAVX2BlendsAllowed(bool allowed);
bool AVX2BlendsInUse();

std::uint32_t ColorToPixel(TColor color); // red, green, blue into a pixel with alpha 0
TColor PixelToColor(std::uint32_t pixel); // its red, green, blue; alpha dropped

class TAbstractSuperDIB : public toolkit::TPersistent {
  public:
    ~TAbstractSuperDIB() override;

    std::string_view ClassName() const override { return "TAbstractSuperDIB"; }

    // The largest width or height an image can have.
    static constexpr int MaxSide = 65535;

    // size (a requested 0 becomes 1; more than MaxSide is refused)
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int value) { SetSize(value, height_); }
    void SetHeight(int value) { SetSize(width_, value); }
    void SetSize(int w, int h);

    // drawing settings; each setter notifies only when the value changes
    TAngle Angle() const { return angle_; }
    void SetAngle(int value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Masked() const { return masked_; }
    void SetMasked(bool value);
    std::uint8_t Opacity() const { return opacity_; }
    void SetOpacity(std::uint8_t value);
    long double Scale() const { return scaleX_; }
    void SetScale(long double value);
    long double ScaleX() const { return scaleX_; }
    void SetScaleX(long double value);
    long double ScaleY() const { return scaleY_; }
    void SetScaleY(long double value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TColor TransparentColor() const { return PixelToColor(transparentPixel_); }
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);
    // The key of colour-keyed drawing: the stored colour under tmFixed, the bottom-left pixel under tmAuto.
    std::uint32_t EffectiveTransparentPixel() const;
    void ResetSettings();
    // Copies the drawing settings (and so the blend routine) to another image of this family, and
    // when that image is a view, also the size. Throws EDIBError for any other class.
    void AssignSettingsTo(toolkit::TPersistent& dest) const;
    void Assign(const toolkit::TPersistent& source) override;

    // where other images may draw onto this one
    TDIBClipRect ClipRect() const { return clip_; }
    void SetClipRect(TDIBClipRect value);
    void ResetClipRect() { clip_ = {0, 0, width_ - 1, height_ - 1}; }

    // change notification
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // Re-selects the blend routine, then raises OnChange unless an update is open.
    void Changed();

  protected:
    // Stores a setting and notifies, only when the value really changes.
    template <class T> void ChangeSetting(T& setting, T value) {
        if (setting == value)
            return;
        setting = value;
        Changed();
    }

  public:
    TBlendRoutine BlendRoutine() const { return blendRoutine_; }
    toolkit::TNotifyEvent OnChange;

    // pixels
    std::uint32_t* Pixels() const { return pixels_; }
    bool OwnsPixels() const { return ownsPixels_; }
    // Row y counted from the top of the picture.
    std::uint32_t* ScanLine(int y) const {
        return pixels_ + static_cast<std::size_t>(height_ - 1 - y) * width_;
    }
    std::uint32_t Pixel(int x, int y) const { return ScanLine(y)[x]; }
    void SetPixel(int x, int y, std::uint32_t value) { ScanLine(y)[x] = value; }
    // Shares source's pixels and takes its settings and size; frees own pixels first.
    void MakeViewOf(TAbstractSuperDIB& source);
    // A view lets go of the pixels it shows (they are about to be freed) and has none until it is
    // pointed at an image again. An image that owns its pixels keeps them.
    void ReleaseView();

    // Draws the w × h rectangle at column srcX, row srcY of this image onto target at (x, y) with this
    // image's settings. Turned or scaled, the whole image is resampled to a w × h result (or its turned
    // size under AutoSize) whose top-left lands at (x, y); only the part of that result which meets the
    // target's clip rectangle is computed (and allocated).
    void Draw(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target);
    void Draw(int x, int y, TAbstractSuperDIB& target) { Draw(x, y, 0, 0, width_, height_, target); }
    // The same clipping with a plain copy that ignores every setting.
    void DrawPlain(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target) const;
    void DrawPlain(int x, int y, TAbstractSuperDIB& target) const {
        DrawPlain(x, y, 0, 0, width_, height_, target);
    }
    // Copies only the alpha channel.
    void DrawAlpha(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target) const;
    // Shows alpha as grey: alpha written to blue, green, red and alpha.
    void DrawAlphaAsGrey(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target) const;

    void Fill(TColor color);
    // Without a change notification; clipped to the image.
    void FillRect(TColor color, int x, int y, int w, int h);
    void SetAlpha(std::uint8_t value);

    // A 32-bit picture turns Masked on; any other gets alpha 255 everywhere.
    void LoadImageFromFile(const std::string& path);
    // The mask picture, stretched to this image, gives its blue channel as alpha; Masked turns on.
    void LoadMaskFromFile(const std::string& path);

  protected:
    TAbstractSuperDIB() = default;
    // Provides memory for w × h pixels (content undefined), releasing what was owned before.
    virtual std::uint32_t* AllocatePixels(int w, int h) = 0;
    virtual void ReleasePixels() = 0;
    // For views: size and pixels taken over, nothing allocated.
    void BecomeView(std::uint32_t* pixels, int w, int h);

  private:
    using RowRoutine = void (*)(const std::uint32_t*, std::uint32_t*, int, const blend::RowParams&);

    void SelectBlendRoutine();
    void CopySettingsTo(TAbstractSuperDIB& dest) const;
    blend::RowParams Params() const;
    void DrawRows(RowRoutine routine, const blend::RowParams& params, int x, int y, int srcX, int srcY, int w,
                  int h, TAbstractSuperDIB& target) const;
    void DrawTransformed(int x, int y, int w, int h, TAbstractSuperDIB& target) const;
    // Resamples the part of a whole result (columns and rows from its top-left) into result, which has
    // the part's size.
    void Resample(TAbstractSuperDIB& result, long double sw, long double sh, TDIBSize whole,
                  TDIBClipRect part) const;

    std::uint32_t* pixels_ = nullptr;
    bool ownsPixels_ = true;
    int width_ = 1;
    int height_ = 1;
    TAngle angle_ = 0;
    bool autoSize_ = false;
    bool masked_ = false;
    std::uint8_t opacity_ = 255;
    long double scaleX_ = 100;
    long double scaleY_ = 100;
    bool transparent_ = false;
    std::uint32_t transparentPixel_ = 0;
    TTransparentMode transparentMode_ = tmAuto;
    TDIBClipRect clip_{0, 0, 0, 0};
    int updateCount_ = 0;
    TBlendRoutine blendRoutine_ = TBlendRoutine::Copy;
};

class TCustomMemoryDIB;

// How an image's pixels are stored as the "Data" value of a form stream.
class TDIBDataFormat {
  public:
    virtual ~TDIBDataFormat() = default;
    virtual void ReadData(TCustomMemoryDIB& image, std::span<const std::uint8_t> value) const = 0;
    virtual std::vector<std::uint8_t> WriteData(const TCustomMemoryDIB& image) const = 0;
};

// An image in plain memory.
class TCustomMemoryDIB : public TAbstractSuperDIB {
  public:
    explicit TCustomMemoryDIB(int w = 1, int h = 1);
    ~TCustomMemoryDIB() override;

    std::string_view ClassName() const override { return "TCustomMemoryDIB"; }

    const std::string& ImageFilename() const { return imageFilename_; }
    void SetImageFilename(const std::string& value) { imageFilename_ = value; }
    const std::string& MaskFilename() const { return maskFilename_; }
    void SetMaskFilename(const std::string& value) { maskFilename_ = value; }
    bool WritePixelData() const { return writePixelData_; }
    void SetWritePixelData(bool value) { writePixelData_ = value; }

    // The format of "Data"; without one the image stores no pixels. Not owned.
    void SetDataFormat(const TDIBDataFormat* format) { dataFormat_ = format; }
    // "Data" (pixels), "ImageFilename" and "MaskFilename", each only when it has a value.
    void DefineProperties(toolkit::TFiler& filer) override;

  protected:
    std::uint32_t* AllocatePixels(int w, int h) override;
    void ReleasePixels() override { storage_.reset(); }

  private:
    std::unique_ptr<std::uint32_t[]> storage_;
    std::string imageFilename_;
    std::string maskFilename_;
    bool writePixelData_ = true;
    const TDIBDataFormat* dataFormat_ = nullptr;
};

class TMemoryDIB : public TCustomMemoryDIB {
  public:
    explicit TMemoryDIB(int w = 1, int h = 1) : TCustomMemoryDIB(w, h) {}
    // A view of source: its pixels, settings and size, not owned.
    static std::unique_ptr<TMemoryDIB> CreateView(TAbstractSuperDIB& source);
    // A view of nothing yet: no pixel memory until it is pointed at an image.
    static std::unique_ptr<TMemoryDIB> CreateEmptyView();

    std::string_view ClassName() const override { return "TMemoryDIB"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// An image in memory that the window system can also draw from.
class TCustomWinDIB : public TAbstractSuperDIB {
  public:
    explicit TCustomWinDIB(int w = 1, int h = 1);
    ~TCustomWinDIB() override;

    std::string_view ClassName() const override { return "TCustomWinDIB"; }
    const platform::PixelMemory* Memory() const { return memory_.get(); }

  protected:
    std::uint32_t* AllocatePixels(int w, int h) override;
    void ReleasePixels() override;

  private:
    std::unique_ptr<platform::PixelMemory> memory_;
};

class TWinDIB : public TCustomWinDIB {
  public:
    explicit TWinDIB(int w = 1, int h = 1) : TCustomWinDIB(w, h) {}
    std::string_view ClassName() const override { return "TWinDIB"; }
};

} // namespace dib
