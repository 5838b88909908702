#include "DIB/cDIB.h"

#include "platform/PixelMemory.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormWriter.h"
#include "toolkit/PictureFile.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>

namespace dib {

namespace {

constexpr int maxSide = 65535;
// Resampling steps beyond this many source pixels per result pixel only ever land outside the image.
constexpr long double maxStep = 1LL << 40;

// Sine and cosine of whole degrees, times 256 and rounded, for the fixed-point resampler.
struct TrigTables {
    std::array<int, 360> S, C, S90, C90;
};

const TrigTables& trigTables() {
    static const TrigTables tables = [] {
        TrigTables t{};
        for (int d = 0; d < 360; ++d) {
            const long double r = d * std::numbers::pi_v<long double> / 180;
            const long double r90 = (d + 90) * std::numbers::pi_v<long double> / 180;
            t.S[d] = static_cast<int>(Nearest(std::sin(r) * 256));
            t.C[d] = static_cast<int>(Nearest(std::cos(r) * 256));
            t.S90[d] = static_cast<int>(Nearest(std::sin(r90) * 256));
            t.C90[d] = static_cast<int>(Nearest(std::cos(r90) * 256));
        }
        return t;
    }();
    return tables;
}

// Exact at the quarter turns, where the library's values are a hair off zero and one.
long double sinDegrees(long double degrees) {
    const long double turn = std::fmod(degrees, 360.0L);
    if (turn == 0 || std::fabs(turn) == 180)
        return 0;
    if (turn == 90 || turn == -270)
        return 1;
    if (turn == -90 || turn == 270)
        return -1;
    return std::sin(degrees * std::numbers::pi_v<long double> / 180);
}

long double cosDegrees(long double degrees) { return sinDegrees(degrees + 90); }

void checkSide(int value, const char* what) {
    if (value < 0 || value > maxSide)
        throw EDIBError(std::string("Image ") + what + " " + std::to_string(value) +
                        " is out of range 0..65535");
}

} // namespace

// ---- geometry helpers

std::int64_t Nearest(long double x) {
    if (std::isnan(x))
        return 0;
    constexpr long double limit = 9.0e18L;
    x = std::clamp(x, -limit, limit);
    long double whole = std::floor(x);
    const long double fraction = x - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0))
        whole += 1;
    return static_cast<std::int64_t>(whole);
}

int NormalizeAngle(int angle) {
    const int turned = angle % 360;
    return turned < 0 ? turned + 360 : turned;
}

TDIBSize RotatedSize(int w, int h, int angle, long double scaleX, long double scaleY) {
    const long double t = -static_cast<long double>(angle);
    const long double sw = scaleX * w / 100;
    const long double sh = scaleY * h / 100;
    const auto side = [](long double extent) {
        const long double whole = std::ceil(extent);
        const int size = std::isfinite(whole) ? static_cast<int>(std::clamp(whole, 0.0L, 1.0e9L)) : 0;
        return size + size % 2;
    };
    return {side(std::fabs(sw * cosDegrees(t)) + std::fabs(sh * sinDegrees(t))),
            side(std::fabs(sinDegrees(t) * sw) + std::fabs(cosDegrees(t) * sh))};
}

std::uint32_t ColorToPixel(TColor color) {
    const auto rgb = static_cast<std::uint32_t>(toolkit::ColorToRGB(color));
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

TColor PixelToColor(std::uint32_t pixel) {
    return static_cast<TColor>((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

// ---- per-pixel rules
//
// Each routine blends one row of n pixels. A rule that multiplies is a small class with two forms of
// the same arithmetic: pixel() on one whole 32-bit word, block() on a vector of pixels in 16-bit lanes.
// Their results are the same bits: every intermediate of a channel, w × s + (255 − w) × d + 255, is at
// most 255 × 255 + 255 = 65280 and so fits a 16-bit lane, and nothing is divided. The lanes are there
// because x86-64's baseline (SSE2) multiplies eight 16-bit lanes in one instruction but has no multiply
// of 32-bit lanes, which blocks of whole words would need. blendRow runs block() over a row and pixel()
// over what is left.

struct TAbstractSuperDIB::BlendParams {
    std::uint32_t opacity;
    std::uint32_t key; // low 24 bits: the effective transparent colour
};

namespace {

// d := (w × s + (255 − w) × d + 255) >> 8 for blue, green and red; the two outer channels at once.
inline std::uint32_t mixColour(std::uint32_t s, std::uint32_t d, std::uint32_t w) {
    const std::uint32_t iw = 255 - w;
    const std::uint32_t rb = ((s & 0xFF00FFu) * w + (d & 0xFF00FFu) * iw + 0xFF00FFu) >> 8 & 0xFF00FFu;
    const std::uint32_t g = (((s >> 8) & 0xFFu) * w + ((d >> 8) & 0xFFu) * iw + 0xFFu) >> 8 & 0xFFu;
    return rb | g << 8;
}

inline std::uint32_t maxAlpha(std::uint32_t s, std::uint32_t d) { return std::max(s >> 24, d >> 24) << 24; }

// Every function that takes or returns a block is always inlined: a 32-byte vector is passed one way by
// code built for AVX2 and another way by code built without it, so an AVX2 routine calling such a
// helper (built for any x86-64) would read garbage; unoptimised builds would make those calls. GCC
// still warns about that difference for the helpers' own signatures (at the end of the file, where
// templates are instantiated, hence no pop).
#pragma GCC diagnostic ignored "-Wpsabi"

// N pixels in one vector register, seen as pixels, as 16-bit lanes (two per pixel: blue and green, red
// and alpha) or as bytes. The block forms are written for any N and so for any vector width.
template <int N> struct Block {
    static constexpr int size = N;
    typedef std::uint32_t Pixels __attribute__((vector_size(4 * N)));
    typedef std::uint16_t Lanes __attribute__((vector_size(4 * N)));
    typedef std::uint8_t Bytes __attribute__((vector_size(4 * N)));
};

template <class V> using LanesOf = typename Block<sizeof(V) / 4>::Lanes;
template <class V> using BytesOf = typename Block<sizeof(V) / 4>::Bytes;

// The same bits as another vector type of the same size: GCC's vector cast. (std::bit_cast is not
// always inlined; see above.)
template <class To, class From> [[gnu::always_inline]] inline To as(const From& v) {
    static_assert(sizeof(To) == sizeof(From));
    return (To)v;
}

// A per-row constant in every 16-bit lane.
template <class V> [[gnu::always_inline]] inline LanesOf<V> broadcast(std::uint32_t value) {
    return LanesOf<V>{} + static_cast<std::uint16_t>(value);
}

// mixColour on a block; w holds each pixel's weight in both of its 16-bit lanes. Blue and red sit in
// the low bytes of the lanes, green in the high byte of the lower lane; each is mixed where it is, with
// no shuffling, and its result (the high byte of its sum) is moved back to its own byte. Alpha comes
// out 0.
template <class V> [[gnu::always_inline]] inline V mixColours(const V& s, const V& d, const LanesOf<V>& w) {
    using Lanes = LanesOf<V>;
    const Lanes s16 = as<Lanes>(s);
    const Lanes d16 = as<Lanes>(d);
    const Lanes iw = 255 - w;
    const Lanes blueRed = (w * (s16 & 0xFF) + iw * (d16 & 0xFF) + 255) >> 8;
    const Lanes greenAlpha = w * (s16 >> 8) + iw * (d16 >> 8) + 255;
    return as<V>(blueRed) | (as<V>(greenAlpha) & 0xFF00u);
}

// maxAlpha on a block: a maximum of bytes (one instruction) over all four channels, alpha kept.
template <class V> [[gnu::always_inline]] inline V maxAlphas(const V& s, const V& d) {
    const BytesOf<V> sb = as<BytesOf<V>>(s);
    const BytesOf<V> db = as<BytesOf<V>>(d);
    return as<V>(sb > db ? sb : db) & 0xFF000000u;
}

// A weight per pixel (below 256) into both of the pixel's 16-bit lanes: by a shift, since a multiply by
// 0x10001 would be one of 32-bit lanes.
template <class V> [[gnu::always_inline]] inline LanesOf<V> inBothLanes(const V& w) {
    return as<LanesOf<V>>(w | w << 16);
}

// Each colour mixed by the opacity o; alpha the larger of the two.
struct ConstantOpacity {
    std::uint32_t o;
    explicit ConstantOpacity(const auto& params) : o(params.opacity) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, o) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        return mixColours(s, d, broadcast<V>(o)) | maxAlphas(s, d);
    }
};

// Each colour mixed by the source alpha; alpha the larger of the two.
struct AlphaBlend {
    explicit AlphaBlend(const auto&) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, s >> 24) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        return mixColours(s, d, inBothLanes(s >> 24)) | maxAlphas(s, d);
    }
};

// Each colour mixed by (source alpha × o) >> 8; alpha the larger of the two.
struct AlphaBlendOpacity {
    std::uint32_t o;
    explicit AlphaBlendOpacity(const auto& params) : o(params.opacity) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, (s >> 24) * o >> 8) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        // In the lower lane of each pixel alpha × o is at most 255 × 254; the upper lane is 0 × o.
        const LanesOf<V> w = as<LanesOf<V>>(s >> 24) * broadcast<V>(o) >> 8;
        return mixColours(s, d, inBothLanes(as<V>(w))) | maxAlphas(s, d);
    }
};

// Outside the key colour k: each colour mixed by o, the source alpha. On the key: d unchanged.
struct ColourKeyOpacity {
    std::uint32_t o;
    std::uint32_t k;
    explicit ColourKeyOpacity(const auto& params) : o(params.opacity), k(params.key & 0xFFFFFFu) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return (s & 0xFFFFFFu) != k ? mixColour(s, d, o) | (s & 0xFF000000u) : d;
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        const V blended = mixColours(s, d, broadcast<V>(o)) | (s & 0xFF000000u);
        return (s & 0xFFFFFFu) != k ? blended : d;
    }
};

// A draw of an image onto itself can move a row a few pixels right over itself. The rule goes pixel by
// pixel from the left, so there each pixel must read the ones blended just before it, inside what
// would be one block; such a row is done one pixel at a time.
inline bool overlapsWithinBlock(const std::uint32_t* s, const std::uint32_t* d, int blockSize) {
    const std::uintptr_t ahead = reinterpret_cast<std::uintptr_t>(d) - reinterpret_cast<std::uintptr_t>(s);
    return ahead != 0 && ahead < blockSize * sizeof *d;
}

template <int N, class Rule>
[[gnu::always_inline]] inline void blendRow(const std::uint32_t* s, std::uint32_t* d, int n,
                                            const Rule& rule) {
    using Pixels = typename Block<N>::Pixels;
    int i = 0;
    if (!overlapsWithinBlock(s, d, N))
        for (; i + N <= n; i += N) {
            Pixels sv, dv;
            std::memcpy(&sv, s + i, sizeof sv);
            std::memcpy(&dv, d + i, sizeof dv);
            dv = rule.block(sv, dv);
            std::memcpy(d + i, &dv, sizeof dv);
        }
    for (; i < n; ++i)
        d[i] = rule.pixel(s[i], d[i]);
}

// Four pixels to a block: one SSE2 register, which every x86-64 has. (Eight, as two registers, measured
// slower: GCC splits a vector wider than the machine's through the stack.)
template <class Rule, class P> void ruleRow(const std::uint32_t* s, std::uint32_t* d, int n, const P& p) {
    blendRow<4>(s, d, n, Rule(p));
}

#if defined(__x86_64__) || defined(__i386__)
#define TMX1_DIB_AVX2 1
// Eight pixels to a block in an AVX2 register, for processors that have it (Draw asks at run time).
template <class Rule, class P>
[[gnu::target("avx2")]] void ruleRowAVX2(const std::uint32_t* s, std::uint32_t* d, int n, const P& p) {
    blendRow<8>(s, d, n, Rule(p));
}
#endif

template <class P> void copyRow(const std::uint32_t* s, std::uint32_t* d, int n, const P&) {
    std::memmove(d, s, static_cast<std::size_t>(n) * sizeof *d);
}

// Outside the key colour: the source colour with alpha 0. Without multiplies this vectorises as it is.
template <class P> void colourKeyRow(const std::uint32_t* s, std::uint32_t* d, int n, const P& p) {
    const std::uint32_t k = p.key & 0xFFFFFFu;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t colour = s[i] & 0xFFFFFFu;
        d[i] = colour != k ? colour : d[i];
    }
}

template <class P> void alphaOnlyRow(const std::uint32_t* s, std::uint32_t* d, int n, const P&) {
    for (int i = 0; i < n; ++i)
        d[i] = (d[i] & 0xFFFFFFu) | (s[i] & 0xFF000000u);
}

template <class P> void alphaAsGreyRow(const std::uint32_t* s, std::uint32_t* d, int n, const P&) {
    for (int i = 0; i < n; ++i)
        d[i] = (s[i] >> 24) * 0x01010101u;
}

// Read by every draw, on whichever thread an editor paints.
std::atomic<bool> avx2BlendsAllowed{true};

} // namespace

void SetAVX2BlendsAllowed(bool allowed) { avx2BlendsAllowed = allowed; }

bool AVX2BlendsInUse() {
#ifdef TMX1_DIB_AVX2
    static const bool supported = [] {
        __builtin_cpu_init(); // in case the first draw comes from a static constructor
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return supported && avx2BlendsAllowed;
#else
    return false;
#endif
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

TAbstractSuperDIB::BlendParams TAbstractSuperDIB::Params() const {
    return {opacity_, EffectiveTransparentPixel()};
}

// ---- drawing

void TAbstractSuperDIB::Draw(int x, int y, int srcX, int srcY, int w, int h, TAbstractSuperDIB& target) {
    if (angle_ != 0 || scaleX_ != 100 || scaleY_ != 100) {
        DrawTransformed(x, y, w, h, target);
        return;
    }
    using P = BlendParams;
    static constexpr std::array<RowRoutine, 6> baseline = {
        copyRow<P>,      ruleRow<ConstantOpacity, P>, ruleRow<AlphaBlend, P>, ruleRow<AlphaBlendOpacity, P>,
        colourKeyRow<P>, ruleRow<ColourKeyOpacity, P>};
#ifdef TMX1_DIB_AVX2
    static constexpr std::array<RowRoutine, 6> avx2 = {copyRow<P>,
                                                       ruleRowAVX2<ConstantOpacity, P>,
                                                       ruleRowAVX2<AlphaBlend, P>,
                                                       ruleRowAVX2<AlphaBlendOpacity, P>,
                                                       colourKeyRow<P>,
                                                       ruleRowAVX2<ColourKeyOpacity, P>};
    const auto& routines = AVX2BlendsInUse() ? avx2 : baseline;
#else
    const auto& routines = baseline;
#endif
    DrawRows(routines[static_cast<std::size_t>(blendRoutine_)], Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawPlain(int x, int y, int srcX, int srcY, int w, int h,
                                  TAbstractSuperDIB& target) const {
    DrawRows(copyRow<BlendParams>, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawAlpha(int x, int y, int srcX, int srcY, int w, int h,
                                  TAbstractSuperDIB& target) const {
    DrawRows(alphaOnlyRow<BlendParams>, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawAlphaAsGrey(int x, int y, int srcX, int srcY, int w, int h,
                                        TAbstractSuperDIB& target) const {
    DrawRows(alphaAsGreyRow<BlendParams>, Params(), x, y, srcX, srcY, w, h, target);
}

void TAbstractSuperDIB::DrawRows(RowRoutine routine, const BlendParams& params, int x, int y, int srcX,
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

void TAbstractSuperDIB::DrawTransformed(int x, int y, int w, int h, TAbstractSuperDIB& target) const {
    const long double sw = scaleX_ / 100 * width_;
    const long double sh = scaleY_ / 100 * height_;
    if (pixels_ == nullptr || !std::isnormal(sw) || !std::isnormal(sh))
        return;
    const TDIBSize size = autoSize_ ? RotatedSize(w, h, angle_, scaleX_, scaleY_) : TDIBSize{w, h};
    TWinDIB result(std::clamp(size.Width, 0, maxSide), std::clamp(size.Height, 0, maxSide));
    result.masked_ = masked_;
    result.opacity_ = opacity_;
    result.transparent_ = transparent_;
    result.transparentMode_ = tmFixed;
    result.transparentPixel_ = EffectiveTransparentPixel();
    Resample(result, sw, sh);
    result.Changed();
    result.Draw(x, y, target);
}

void TAbstractSuperDIB::Resample(TAbstractSuperDIB& result, long double sw, long double sh) const {
    const TrigTables& t = trigTables();
    const auto step = [](long double value) { return Nearest(std::clamp(value, -maxStep, maxStep)); };
    const std::int64_t rowStepY = step(t.S90[angle_] * static_cast<long double>(height_) / sh);
    const std::int64_t rowStepX = step(t.C90[angle_] * static_cast<long double>(width_) / sw);
    const std::int64_t colStepY = step(t.S[angle_] * static_cast<long double>(height_) / sh);
    const std::int64_t colStepX = step(t.C[angle_] * static_cast<long double>(width_) / sw);
    const std::int64_t halfW = width_ / 2;
    const std::int64_t halfH = height_ / 2;
    const std::uint32_t background = masked_ ? 0 : transparentPixel_;
    std::int64_t y0 = (result.width_ / 2) * -colStepY - rowStepY * (result.height_ / 2);
    std::int64_t x0 = (result.width_ / 2) * -colStepX - rowStepX * (result.height_ / 2);
    for (int row = 0; row < result.height_; ++row) {
        std::uint32_t* out = result.pixels_ + static_cast<std::size_t>(row) * result.width_;
        std::int64_t v = y0;
        std::int64_t u = x0;
        for (int col = 0; col < result.width_; ++col) {
            const std::int64_t a = v / 256;
            const std::int64_t b = u / 256;
            const bool inside = -halfH < a && a < halfH && -halfW < b && b < halfW;
            out[col] =
                inside ? pixels_[static_cast<std::size_t>((a + halfH) * width_ + b + halfW)] : background;
            v += colStepY;
            u += colStepX;
        }
        y0 += rowStepY;
        x0 += rowStepX;
    }
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
