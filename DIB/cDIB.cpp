// The off-screen image: its size, settings and change notification, clipped drawing through the blend
// kernels (DIB/cDIBBlend.cpp), filling, picture files, and its storage in memory or window-system memory.
// Turned and scaled drawing is in DIB/cDIBTransform.cpp.
#include "DIB/cDIB.h"

#include "DIB/cDIBBlend.h"
#include "platform/PixelMemory.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormWriter.h"
#include "toolkit/PictureFile.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <cstring>

namespace dib {

namespace {

void checkSide(int value, const char* what) {
    if (value < 0 || value > TAbstractSuperDIB::MaxSide)
        throw EDIBError(std::string("Image ") + what + " " + std::to_string(value) + " is out of range 0.." +
                        std::to_string(TAbstractSuperDIB::MaxSide));
}

} // namespace

std::uint32_t ColorToPixel(TColor color) {
    const auto rgb = static_cast<std::uint32_t>(toolkit::ColorToRGB(color));
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

TColor PixelToColor(std::uint32_t pixel) {
    return static_cast<TColor>((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

// ---- TAbstractSuperDIB

TAbstractSuperDIB::~TAbstractSuperDIB() = default;

void TAbstractSuperDIB::SetSize(int w, int h) {
    checkSide(w, "width");
    checkSide(h, "height");
    w = std::max(w, 1);
    h = std::max(h, 1);
    if (pixels_ != nullptr && w == width_ && h == height_)
        return;
    if (ownsPixels_)
        ReleasePixels();
    pixels_ = nullptr;
    width_ = w;
    height_ = h;
    pixels_ = AllocatePixels(w, h);
    ownsPixels_ = true;
    ResetClipRect();
}

void TAbstractSuperDIB::BecomeView(std::uint32_t* pixels, int w, int h) {
    if (ownsPixels_)
        ReleasePixels();
    pixels_ = pixels;
    ownsPixels_ = false;
    width_ = w;
    height_ = h;
    ResetClipRect();
}

void TAbstractSuperDIB::MakeViewOf(TAbstractSuperDIB& source) {
    if (&source == this)
        return;
    BecomeView(source.pixels_, source.width_, source.height_);
    source.CopySettingsTo(*this);
    SelectBlendRoutine();
}

void TAbstractSuperDIB::ReleaseView() {
    if (!ownsPixels_)
        BecomeView(nullptr, width_, height_);
}

void TAbstractSuperDIB::SetAngle(int value) {
    ChangeSetting(angle_, static_cast<TAngle>(NormalizeAngle(static_cast<std::uint16_t>(value))));
}

void TAbstractSuperDIB::SetAutoSize(bool value) { ChangeSetting(autoSize_, value); }

void TAbstractSuperDIB::SetMasked(bool value) {
    if (value == masked_)
        return;
    masked_ = value;
    if (value)
        transparent_ = false;
    Changed();
}

void TAbstractSuperDIB::SetOpacity(std::uint8_t value) { ChangeSetting(opacity_, value); }

void TAbstractSuperDIB::SetScale(long double value) {
    if (value == scaleX_ && value == scaleY_)
        return;
    scaleX_ = value;
    scaleY_ = value;
    Changed();
}

void TAbstractSuperDIB::SetScaleX(long double value) { ChangeSetting(scaleX_, value); }

void TAbstractSuperDIB::SetScaleY(long double value) { ChangeSetting(scaleY_, value); }

void TAbstractSuperDIB::SetTransparent(bool value) {
    if (value == transparent_)
        return;
    transparent_ = value;
    if (value)
        masked_ = false;
    Changed();
}

void TAbstractSuperDIB::SetTransparentColor(TColor value) {
    ChangeSetting(transparentPixel_, ColorToPixel(value));
}

void TAbstractSuperDIB::SetTransparentMode(TTransparentMode value) {
    if (value != tmAuto && value != tmFixed)
        throw EDIBError("Unknown transparent mode " + std::to_string(static_cast<int>(value)));
    ChangeSetting(transparentMode_, value);
}

std::uint32_t TAbstractSuperDIB::EffectiveTransparentPixel() const {
    if (transparentMode_ == tmAuto && pixels_ != nullptr)
        return pixels_[0] & 0xFFFFFFu;
    return transparentPixel_;
}

void TAbstractSuperDIB::ResetSettings() {
    angle_ = 0;
    masked_ = false;
    opacity_ = 255;
    scaleX_ = 100;
    scaleY_ = 100;
    transparent_ = false;
    Changed();
}

void TAbstractSuperDIB::CopySettingsTo(TAbstractSuperDIB& dest) const {
    dest.angle_ = angle_;
    dest.autoSize_ = autoSize_;
    dest.masked_ = masked_;
    dest.opacity_ = opacity_;
    dest.scaleX_ = scaleX_;
    dest.scaleY_ = scaleY_;
    dest.transparent_ = transparent_;
    dest.transparentPixel_ = transparentPixel_;
    dest.transparentMode_ = transparentMode_;
}

void TAbstractSuperDIB::AssignSettingsTo(toolkit::TPersistent& dest) const {
    auto* image = dynamic_cast<TAbstractSuperDIB*>(&dest);
    if (image == nullptr)
        throw EDIBError("Cannot assign a TAbstractDIB to a " + std::string(dest.ClassName()));
    CopySettingsTo(*image);
    // The copied settings select the same routine; the copy reads its own settings from now on, so it
    // never depends on this image outliving it.
    image->SelectBlendRoutine();
    if (!image->ownsPixels_) {
        image->width_ = width_;
        image->height_ = height_;
        image->ResetClipRect();
    }
}

void TAbstractSuperDIB::Assign(const toolkit::TPersistent& source) {
    const auto* image = dynamic_cast<const TAbstractSuperDIB*>(&source);
    if (image == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (image == this)
        return;
    SetSize(image->width_, image->height_);
    if (image->pixels_ != nullptr)
        std::memmove(pixels_, image->pixels_, static_cast<std::size_t>(width_) * height_ * sizeof *pixels_);
    image->CopySettingsTo(*this);
    Changed();
}

void TAbstractSuperDIB::SetClipRect(TDIBClipRect value) {
    if (value.Left > value.Right)
        std::swap(value.Left, value.Right);
    if (value.Top > value.Bottom)
        std::swap(value.Top, value.Bottom);
    clip_ = {std::clamp(value.Left, 0, width_ - 1), std::clamp(value.Top, 0, height_ - 1),
             std::clamp(value.Right, 0, width_ - 1), std::clamp(value.Bottom, 0, height_ - 1)};
}

void TAbstractSuperDIB::EndUpdate() {
    if (updateCount_ == 0)
        throw EDIBError("EndUpdate without BeginUpdate");
    if (--updateCount_ == 0)
        Changed();
}

void TAbstractSuperDIB::Changed() {
    SelectBlendRoutine();
    if (updateCount_ == 0 && OnChange)
        OnChange(this);
}

void TAbstractSuperDIB::SelectBlendRoutine() {
    const bool opaque = opacity_ == 255;
    if (masked_)
        blendRoutine_ = opaque ? TBlendRoutine::AlphaBlend : TBlendRoutine::AlphaBlendOpacity;
    else if (transparent_)
        blendRoutine_ = opaque ? TBlendRoutine::ColourKey : TBlendRoutine::ColourKeyOpacity;
    else
        blendRoutine_ = opaque ? TBlendRoutine::Copy : TBlendRoutine::ConstantOpacity;
}

blend::RowParams TAbstractSuperDIB::Params() const { return {opacity_, EffectiveTransparentPixel()}; }

// ---- drawing

void TAbstractSuperDIB::Draw(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target) {
    if (angle_ != 0 || scaleX_ != 100 || scaleY_ != 100) {
        DrawTransformed(x, y, w, h, target);
        return;
    }
    DrawRows(blend::RowRoutineFor(blendRoutine_), Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawPlain(int x, int y, int srcX, int srcY, int w, int h,
                                  TAbstractSuperDIB& target) const {
    DrawRows(blend::CopyRow, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawAlpha(int x, int y, int srcX, int srcY, int w, int h,
                                  TAbstractSuperDIB& target) const {
    DrawRows(blend::AlphaOnlyRow, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawAlphaAsGrey(int x, int y, int srcX, int srcY, int w, int h,
                                        TAbstractSuperDIB& target) const {
    DrawRows(blend::AlphaAsGreyRow, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawRows(RowRoutine routine, const blend::RowParams& params, int x, int y, int srcX,
                                 int srcY, int w, int h, TAbstractSuperDIB& target) const {
    if (pixels_ == nullptr || target.pixels_ == nullptr)
        return;
    // In 64 bits: a caller's extreme positions must not overflow while clipping.
    std::int64_t dx = x, dy = y, sx = srcX, sy = srcY, cw = w, ch = h;
    const TDIBClipRect clip = target.clip_;
    // the target's clip rectangle: the left and top edges move the source origin along
    if (dx < clip.Left) {
        sx += clip.Left - dx;
        cw -= clip.Left - dx;
        dx = clip.Left;
    }
    if (dy < clip.Top) {
        sy += clip.Top - dy;
        ch -= clip.Top - dy;
        dy = clip.Top;
    }
    cw = std::min<std::int64_t>(cw, clip.Right - dx + 1);
    ch = std::min<std::int64_t>(ch, clip.Bottom - dy + 1);
    // this image, from the source origin
    if (sx < 0) {
        dx -= sx;
        cw += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        ch += sy;
        sy = 0;
    }
    cw = std::min<std::int64_t>(cw, width_ - sx);
    ch = std::min<std::int64_t>(ch, height_ - sy);
    // the target
    cw = std::min<std::int64_t>(cw, target.width_ - dx);
    ch = std::min<std::int64_t>(ch, target.height_ - dy);
    if (cw <= 0 || ch <= 0)
        return;
    for (std::int64_t row = 0; row < ch; ++row)
        routine(ScanLine(static_cast<int>(sy + row)) + sx, target.ScanLine(static_cast<int>(dy + row)) + dx,
                static_cast<int>(cw), params);
    target.Changed();
}

// ---- filling

void TAbstractSuperDIB::Fill(TColor color) {
    if (pixels_ != nullptr)
        std::fill_n(pixels_, static_cast<std::size_t>(width_) * height_, ColorToPixel(color));
    Changed();
}

void TAbstractSuperDIB::FillRect(TColor color, int x, int y, int w, int h) {
    if (pixels_ == nullptr || w <= 0 || h <= 0)
        return;
    const std::int64_t left = std::max(x, 0);
    const std::int64_t top = std::max(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + w, width_);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + h, height_);
    if (left >= right || top >= bottom)
        return;
    const std::uint32_t pixel = ColorToPixel(color);
    for (std::int64_t row = top; row < bottom; ++row)
        std::fill(ScanLine(static_cast<int>(row)) + left, ScanLine(static_cast<int>(row)) + right, pixel);
}

void TAbstractSuperDIB::SetAlpha(std::uint8_t value) {
    if (pixels_ != nullptr) {
        const std::uint32_t alpha = std::uint32_t{value} << 24;
        std::uint32_t* p = pixels_;
        const std::size_t count = static_cast<std::size_t>(width_) * height_;
        for (std::size_t i = 0; i < count; ++i)
            p[i] = (p[i] & 0xFFFFFFu) | alpha;
    }
    Changed();
}

// ---- picture files

void TAbstractSuperDIB::LoadImageFromFile(const std::string& path) {
    const toolkit::TPictureData picture = toolkit::LoadPictureFile(path);
    BeginUpdate();
    SetSize(picture.width, picture.height);
    std::copy(picture.pixels.begin(), picture.pixels.end(), pixels_);
    if (picture.hasAlpha)
        SetMasked(true);
    EndUpdate();
}

void TAbstractSuperDIB::LoadMaskFromFile(const std::string& path) {
    if (pixels_ == nullptr)
        throw EDIBError("You cannot import a mask until you have an image.");
    const toolkit::TPictureData mask = toolkit::LoadPictureFile(path);
    BeginUpdate();
    for (int row = 0; row < height_; ++row) {
        // Stretched by nearest neighbour; both pictures are held bottom row first.
        const std::size_t maskRow = static_cast<std::size_t>(row) * mask.height / height_;
        std::uint32_t* out = pixels_ + static_cast<std::size_t>(row) * width_;
        for (int col = 0; col < width_; ++col) {
            const std::size_t maskCol = static_cast<std::size_t>(col) * mask.width / width_;
            const std::uint32_t blue = mask.pixels[maskRow * mask.width + maskCol] & 0xFF;
            out[col] = (out[col] & 0xFFFFFFu) | blue << 24;
        }
    }
    SetMasked(true);
    EndUpdate();
}

// ---- storage variants

TCustomMemoryDIB::TCustomMemoryDIB(int w, int h) { SetSize(w, h); }

TCustomMemoryDIB::~TCustomMemoryDIB() = default;

std::uint32_t* TCustomMemoryDIB::AllocatePixels(int w, int h) {
    storage_ = std::make_unique_for_overwrite<std::uint32_t[]>(static_cast<std::size_t>(w) * h);
    return storage_.get();
}

void TCustomMemoryDIB::DefineProperties(toolkit::TFiler& filer) {
    if (dataFormat_ != nullptr)
        filer.DefineBinaryProperty(
            "Data", [this](std::span<const std::uint8_t> value) { dataFormat_->ReadData(*this, value); },
            [this] { return dataFormat_->WriteData(*this); }, Pixels() != nullptr);
    filer.DefineProperty(
        "ImageFilename", [this](toolkit::TReader& reader) { imageFilename_ = reader.ReadString(); },
        [this](toolkit::TWriter& writer) { writer.WriteString(imageFilename_); }, !imageFilename_.empty());
    filer.DefineProperty(
        "MaskFilename", [this](toolkit::TReader& reader) { maskFilename_ = reader.ReadString(); },
        [this](toolkit::TWriter& writer) { writer.WriteString(maskFilename_); }, !maskFilename_.empty());
}

std::unique_ptr<TMemoryDIB> TMemoryDIB::CreateView(TAbstractSuperDIB& source) {
    auto view = CreateEmptyView();
    view->MakeViewOf(source);
    return view;
}

std::unique_ptr<TMemoryDIB> TMemoryDIB::CreateEmptyView() {
    auto view = std::make_unique<TMemoryDIB>(1, 1);
    view->BecomeView(nullptr, 1, 1);
    return view;
}

const toolkit::TPropertyTable& TMemoryDIB::PublishedProperties() const {
    using C = TAbstractSuperDIB;
    static const toolkit::TPropertyTable table(
        &TPersistent::PublishedProperties(),
        {
            toolkit::IntegerProperty("Angle", &C::Angle, &C::SetAngle, 0),
            toolkit::BooleanProperty("AutoSize", &C::AutoSize, &C::SetAutoSize, false),
            toolkit::IntegerProperty("Height", &C::Height, &C::SetHeight),
            toolkit::BooleanProperty("Masked", &C::Masked, &C::SetMasked, false),
            toolkit::IntegerProperty("Opacity", &C::Opacity, &C::SetOpacity, 255),
            toolkit::FloatProperty("Scale", &C::Scale, &C::SetScale, 100.0L),
            toolkit::BooleanProperty("Transparent", &C::Transparent, &C::SetTransparent, false),
            toolkit::IntegerProperty("TransparentColor", &C::TransparentColor, &C::SetTransparentColor, 0,
                                     toolkit::ColourIdents()),
            toolkit::EnumProperty("TransparentMode", &C::TransparentMode, &C::SetTransparentMode,
                                  std::vector<std::string>{"tmAuto", "tmFixed"}, tmAuto),
            toolkit::IntegerProperty("Width", &C::Width, &C::SetWidth),
        });
    return table;
}

TCustomWinDIB::TCustomWinDIB(int w, int h) { SetSize(w, h); }

TCustomWinDIB::~TCustomWinDIB() = default;

std::uint32_t* TCustomWinDIB::AllocatePixels(int w, int h) {
    memory_.reset();
    memory_ = std::make_unique<platform::PixelMemory>(w, h);
    return memory_->Pixels();
}

void TCustomWinDIB::ReleasePixels() { memory_.reset(); }

} // namespace dib
