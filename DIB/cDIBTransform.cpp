// Turned and scaled drawing: the geometry of whole-degree angles and scaled sizes, and the
// nearest-neighbour resampler that turns and scales an image into a temporary one before it is blended.
#include "DIB/cDIB.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace dib {

namespace {

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

// ---- drawing turned or scaled

namespace {

// The rectangle of a result of the given size, its top-left placed at (x, y) on the target, that can
// show there: what meets the target's clip rectangle and its bounds. Columns and rows of the result,
// counted from its top-left; nothing when they do not meet.
std::optional<TDIBClipRect> visiblePart(int x, int y, TDIBSize size, const TAbstractSuperDIB& target) {
    if (target.Pixels() == nullptr)
        return std::nullopt;
    // In 64 bits: a caller's extreme positions must not overflow.
    const TDIBClipRect clip = target.ClipRect();
    const std::int64_t left = std::max<std::int64_t>({x, clip.Left, 0});
    const std::int64_t top = std::max<std::int64_t>({y, clip.Top, 0});
    const std::int64_t right =
        std::min<std::int64_t>({std::int64_t{x} + size.Width - 1, clip.Right, target.Width() - 1});
    const std::int64_t bottom =
        std::min<std::int64_t>({std::int64_t{y} + size.Height - 1, clip.Bottom, target.Height() - 1});
    if (left > right || top > bottom)
        return std::nullopt;
    return TDIBClipRect{static_cast<int>(left - x), static_cast<int>(top - y), static_cast<int>(right - x),
                        static_cast<int>(bottom - y)};
}

} // namespace

// The result is resampled only where it can show on the target: a scale of thousands of percent (a
// damaged layout can carry one) would otherwise allocate and compute a picture of up to MaxSide ×
// MaxSide pixels of which the target shows a few.
void TAbstractSuperDIB::DrawTransformed(int x, int y, int w, int h, TAbstractSuperDIB& target) const {
    const long double sw = scaleX_ / 100 * width_;
    const long double sh = scaleY_ / 100 * height_;
    if (pixels_ == nullptr || !std::isnormal(sw) || !std::isnormal(sh))
        return;
    const TDIBSize requested = autoSize_ ? RotatedSize(w, h, angle_, scaleX_, scaleY_) : TDIBSize{w, h};
    const TDIBSize whole{std::clamp(requested.Width, 1, MaxSide), std::clamp(requested.Height, 1, MaxSide)};
    const std::optional<TDIBClipRect> part = visiblePart(x, y, whole, target);
    if (!part)
        return;
    TWinDIB result(part->Right - part->Left + 1, part->Bottom - part->Top + 1);
    result.masked_ = masked_;
    result.opacity_ = opacity_;
    result.transparent_ = transparent_;
    result.transparentMode_ = tmFixed;
    result.transparentPixel_ = EffectiveTransparentPixel();
    Resample(result, sw, sh, whole, *part);
    result.Changed();
    result.Draw(x + part->Left, y + part->Top, target);
}

// The walk is linear in the result's rows and columns: the part starts where the whole result's walk
// would be after the rows below the part (rows are stored bottom-up) and the columns left of it.
void TAbstractSuperDIB::Resample(TAbstractSuperDIB& result, long double sw, long double sh, TDIBSize whole,
                                 TDIBClipRect part) const {
    const TrigTables& t = trigTables();
    const auto step = [](long double value) { return Nearest(std::clamp(value, -maxStep, maxStep)); };
    const std::int64_t rowStepY = step(t.S90[angle_] * static_cast<long double>(height_) / sh);
    const std::int64_t rowStepX = step(t.C90[angle_] * static_cast<long double>(width_) / sw);
    const std::int64_t colStepY = step(t.S[angle_] * static_cast<long double>(height_) / sh);
    const std::int64_t colStepX = step(t.C[angle_] * static_cast<long double>(width_) / sw);
    const std::int64_t halfW = width_ / 2;
    const std::int64_t halfH = height_ / 2;
    const std::uint32_t background = masked_ ? 0 : transparentPixel_;
    const std::int64_t rowsBelow = whole.Height - 1 - part.Bottom;
    const std::int64_t colsLeft = part.Left;
    std::int64_t y0 = (whole.Width / 2) * -colStepY - rowStepY * (whole.Height / 2);
    std::int64_t x0 = (whole.Width / 2) * -colStepX - rowStepX * (whole.Height / 2);
    y0 += rowsBelow * rowStepY + colsLeft * colStepY;
    x0 += rowsBelow * rowStepX + colsLeft * colStepX;
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

} // namespace dib
