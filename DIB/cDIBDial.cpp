#include "DIB/cDIBDial.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>

namespace dib {

namespace {

constexpr long double degree = std::numbers::pi_v<long double> / 180;

// The properties that make up a knob's look, in the order its templates list them.
constexpr std::array<const char*, 16> templateNames{"AutoSize",
                                                    "Max",
                                                    "Min",
                                                    "Opacity",
                                                    "PageSize",
                                                    "PointerAngles",
                                                    "PointerOpacities",
                                                    "PointerNumGlyphs",
                                                    "PointerRadius",
                                                    "PointerRotate",
                                                    "Position",
                                                    "SmallChange",
                                                    "HorizontalPixelsPerPosition",
                                                    "VerticalPixelsPerPosition",
                                                    "MouseControlStyle",
                                                    "MouseLinearSensitivity"};

// A frame index past the end of a strip of n frames: the other end with wrap, else the end it passed.
int frameIndex(long double index, int n, bool wrap) {
    if (index >= n)
        return wrap ? 0 : n - 1;
    if (index < 0)
        return wrap ? n - 1 : 0;
    return static_cast<int>(index);
}

std::int32_t saturated(long double value) {
    if (value <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (value >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

} // namespace

// ---- geometry

TDIBPoint PolarPoint(int cx, int cy, int radius, int angle) {
    const long double t = (static_cast<long double>(angle) - 90) * degree;
    return {static_cast<int>(Nearest(std::cos(t) * radius + cx)),
            static_cast<int>(Nearest(radius * std::sin(t) + cy))};
}

int PointAngle(int cx, int cy, int x, int y) {
    if (x == cx && y == cy)
        return 0;
    const long double dx = static_cast<long double>(x) - cx;
    const long double dy = static_cast<long double>(cy) - y;
    const long double q = (y == cy ? std::atan(dx) : std::atan(dx / dy)) / degree;
    // In every quadrant the angle is built from the size of the arctangent; its sign only says which.
    const int r = static_cast<int>(std::llabs(Nearest(q)));
    if (x >= cx && y >= cy)
        return 180 - r;
    if (x <= cx && y >= cy)
        return 180 + r;
    if (x > cx)
        return r;
    return 360 - r;
}

void DrawGlyphFrame(TAbstractSuperDIB& strip, int x, int y, bool wrap, long double value, long double max,
                    long double min, TAbstractSuperDIB& target, int numGlyphs) {
    numGlyphs = std::max(numGlyphs, 1);
    const int frameWidth = strip.Width() / numGlyphs;
    if (frameWidth < 1)
        return;
    long double f = max != min ? (value - min) / (max - min) * numGlyphs : 0;
    if (!std::isfinite(f))
        f = 0;
    // The weight of the lower frame; an index below 0 gives a negative fraction, kept to 8 bits.
    const auto lowerWeight = static_cast<std::uint8_t>(255 - Nearest((f - std::trunc(f)) * 255));
    const int upper = frameIndex(std::ceil(f), numGlyphs, wrap);
    const int lower = frameIndex(std::floor(f), numGlyphs, wrap);

    TMemoryDIB frame(frameWidth, strip.Height());
    TMemoryDIB blend(frameWidth, strip.Height());
    strip.DrawPlain(0, 0, upper * frameWidth, 0, frameWidth, strip.Height(), frame);
    strip.DrawPlain(0, 0, lower * frameWidth, 0, frameWidth, strip.Height(), blend);
    // The frame draws as the strip would: turned, keyed and faded by the strip's own settings.
    strip.AssignSettingsTo(frame);
    frame.SetOpacity(255);
    blend.SetOpacity(lowerWeight);
    blend.Draw(0, 0, frame);
    frame.SetOpacity(strip.Opacity());
    frame.Draw(x, y, target);
}

// ---- settings objects

void TCustomDIBDialPointerAngles::Assign(const toolkit::TPersistent& source) {
    const auto* other = dynamic_cast<const TCustomDIBDialPointerAngles*>(&source);
    if (other == nullptr) {
        TDIBDialSettings::Assign(source);
        return;
    }
    start_ = other->start_;
    range_ = other->range_;
    resolution_ = other->resolution_;
    Changed();
}

void TCustomDIBDialPointerAngles::SetStart(std::int32_t value) {
    if (value < 0 || value > 359)
        throw EDIBDialError("Start must be 0..359");
    start_ = value;
    Changed();
}

void TCustomDIBDialPointerAngles::SetRange(std::int32_t value) {
    if (value < 1 || value > 360)
        throw EDIBDialError("Range must be 1..360");
    range_ = value;
    // Lowered as well as raised: a Resolution above Range could not be read back from a stream.
    if (resolution_ != value)
        SetResolution(value);
    Changed();
}

void TCustomDIBDialPointerAngles::SetResolution(long double value) {
    if (!(value >= 0 && value <= range_))
        throw EDIBDialError("Resolution must be above 0 and less than " + std::to_string(range_ + 1));
    resolution_ = value;
    Changed();
}

const toolkit::TPropertyTable& TDIBDialPointerAngles::PublishedProperties() const {
    using C = TCustomDIBDialPointerAngles;
    using namespace toolkit;
    static const TPropertyTable table(&TPersistent::PublishedProperties(),
                                      {IntegerProperty("Start", &C::Start, &C::SetStart, 0),
                                       IntegerProperty("Range", &C::Range, &C::SetRange, 360),
                                       FloatProperty("Resolution", &C::Resolution, &C::SetResolution, 0.0L)});
    return table;
}

void TCustomDIBDialPointerOpacities::Assign(const toolkit::TPersistent& source) {
    const auto* other = dynamic_cast<const TCustomDIBDialPointerOpacities*>(&source);
    if (other == nullptr) {
        TDIBDialSettings::Assign(source);
        return;
    }
    active_ = other->active_;
    normal_ = other->normal_;
    Changed();
}

void TCustomDIBDialPointerOpacities::SetActive(std::uint8_t value) {
    active_ = value;
    Changed();
}

void TCustomDIBDialPointerOpacities::SetNormal(std::uint8_t value) {
    normal_ = value;
    Changed();
}

const toolkit::TPropertyTable& TDIBDialPointerOpacities::PublishedProperties() const {
    using C = TCustomDIBDialPointerOpacities;
    using namespace toolkit;
    static const TPropertyTable table(&TPersistent::PublishedProperties(),
                                      {IntegerProperty("Active", &C::Active, &C::SetActive, 255),
                                       IntegerProperty("Normal", &C::Normal, &C::SetNormal, 255)});
    return table;
}

// ---- TAbstractDIBDial

TAbstractDIBDial::TAbstractDIBDial(toolkit::TComponent* owner)
    : TCustomDIBControl(owner), indexMain_(&AddImageLink()), indexPointer_(&AddImageLink()) {
    SetAutoSize(true);
    SetAutoRepeat(true);
    SetRepeatInterval(50);
}

TAbstractDIBDial::~TAbstractDIBDial() = default;

void TAbstractDIBDial::SetMin(std::int32_t value) {
    if (!Loading() && value >= max_)
        throw EDIBDialError("Min must be less than max");
    min_ = value;
    if (position_ < value)
        SetPosition(value);
    Invalidate();
}

void TAbstractDIBDial::SetMax(std::int32_t value) {
    if (!Loading() && value <= min_)
        throw EDIBDialError("Max must be greater than min");
    max_ = value;
    if (value < position_)
        SetPosition(value);
    Invalidate();
}

void TAbstractDIBDial::SetPosition(std::int32_t value) {
    // Not std::clamp: while a form loads, Min may for a moment lie above Max.
    if (value < min_)
        value = min_;
    if (value > max_)
        value = max_;
    position_ = value;
    Invalidate();
    if (!Loading() && OnChange)
        OnChange(this);
    // The handler may have changed what the knob shows.
    Invalidate();
}

void TAbstractDIBDial::SetSmallChange(std::int32_t value) {
    if (!Loading() && value < 0)
        throw EDIBDialError("SmallChange cannot be less than 0");
    smallChange_ = value;
}

void TAbstractDIBDial::SetPageSize(std::int32_t value) {
    if (!Loading() && value < 0)
        throw EDIBDialError("PageSize cannot be less than 0");
    pageSize_ = value;
}

void TAbstractDIBDial::SetPointerNumGlyphs(std::int32_t value) {
    if (value < 1)
        throw EDIBDialError("PointerNumGlyphs must be at least 1");
    pointerNumGlyphs_ = value;
    Invalidate();
}

void TAbstractDIBDial::SetPointerRadius(std::int32_t value) {
    pointerRadius_ = value;
    Invalidate();
}

void TAbstractDIBDial::SetPointerRotate(bool value) {
    pointerRotate_ = value;
    Invalidate();
}

void TAbstractDIBDial::SetHorizontalPixelsPerPosition(long double value) {
    if (!(value > 0))
        throw EDIBDialError("HorizontalPixelsPerPosition must be greater than zero");
    horizontalPixelsPerPosition_ = value;
}

void TAbstractDIBDial::SetVerticalPixelsPerPosition(long double value) {
    if (!(value > 0))
        throw EDIBDialError("VerticalPixelsPerPosition must be greater than zero");
    verticalPixelsPerPosition_ = value;
}

std::int32_t TAbstractDIBDial::GetPositionAt(int x, int y) const {
    if (mouseControlStyle_ == mcsCircular) {
        const int angle = PointAngle(Width() / 2, Height() / 2, x, y);
        const int fromStart = NormalizeAngle(angle - StartAngle());
        const std::int64_t p = min_ + (static_cast<std::int64_t>(max_) - min_ + 1) * fromStart / RangeAngle();
        if (p < min_)
            return min_;
        if (p > max_)
            return max_;
        return static_cast<std::int32_t>(p);
    }
    // Linear: the distance from the press, upward and rightward positive, in position steps.
    const long double dx = static_cast<long double>(x) - originX_;
    const long double dy = static_cast<long double>(originY_) - y;
    long double steps = 0;
    if (mouseLinearSensitivity_ == mlsVertical || mouseLinearSensitivity_ == mlsBoth)
        steps = dy / verticalPixelsPerPosition_;
    if (mouseLinearSensitivity_ == mlsHorizontal || mouseLinearSensitivity_ == mlsBoth)
        steps += dx / horizontalPixelsPerPosition_;
    return saturated(originPosition_ + std::trunc(steps));
}

TDIBClipRect TAbstractDIBDial::PointerRectFor(int pointerWidth, int pointerHeight, int angle) const {
    // In a zoomed paint the dial, its radius and the pointer are in device pixels.
    const int side = std::min(PaintWidth(), PaintHeight());
    const int pointerRadius = PaintZoom().Device(pointerRadius_);
    const int radius = pointerRadius_ > 0 ? pointerRadius : side + pointerRadius - pointerHeight;
    const TDIBPoint centre = PolarPoint(PaintWidth() / 2, PaintHeight() / 2, radius, angle);
    const TDIBSize size =
        RotatedSize(pointerWidth / pointerNumGlyphs_, pointerHeight, pointerRotate_ ? angle : 0, 100, 100);
    const int left = centre.X - size.Width / 2;
    const int top = centre.Y - size.Height / 2;
    return {left, top, left + size.Width - 1, top + size.Height - 1};
}

TDIBClipRect TAbstractDIBDial::PointerRect() const {
    const TMemoryDIB* pointer = indexPointer_->GetImage();
    if (pointer == nullptr)
        return {0, 0, -1, -1};
    return PointerRectFor(pointer->Width(), pointer->Height(), PointerAngle());
}

// ---- mouse

void TAbstractDIBDial::MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
    TCustomDIBControl::MouseDown(button, shift, x, y);
    if (button != toolkit::mbLeft)
        return;
    originPosition_ = position_;
    originX_ = x;
    originY_ = y;
    const std::int32_t wanted = GetPositionAt(x, y);
    if (mouseControlStyle_ == mcsLinear) {
        StartDrag();
        return;
    }
    const TDIBClipRect pointer = PointerRect();
    if (x >= pointer.Left && x <= pointer.Right && y >= pointer.Top && y <= pointer.Bottom) {
        StartDrag();
        return;
    }
    const std::int64_t distance = static_cast<std::int64_t>(wanted) - position_;
    Step(wanted, std::llabs(distance) > (static_cast<std::int64_t>(max_) - min_) / 4);
}

void TAbstractDIBDial::StartDrag() {
    // The press that started the drag also started the repetition; a drag has no use for it.
    if (RepeatTimerRunning())
        StopRepeatAtNextTick();
    dragging_ = true;
    Invalidate();
}

void TAbstractDIBDial::Step(std::int32_t wanted, bool page) {
    // Towards the mouse by one step, never past the position under it.
    const std::int64_t step = page ? pageSize_ : smallChange_;
    const std::int64_t here = position_;
    const std::int64_t next = wanted < here ? std::max(here - step, static_cast<std::int64_t>(wanted))
                                            : std::min(here + step, static_cast<std::int64_t>(wanted));
    SetPosition(static_cast<std::int32_t>(next));
}

void TAbstractDIBDial::MouseMove(toolkit::TShiftState shift, int x, int y) {
    TCustomDIBControl::MouseMove(shift, x, y);
    if (dragging_)
        SetPosition(GetPositionAt(x, y));
}

void TAbstractDIBDial::MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
    TCustomDIBControl::MouseUp(button, shift, x, y);
    if (button == toolkit::mbLeft && dragging_) {
        dragging_ = false;
        Invalidate();
    }
}

// ---- size and painting

bool TAbstractDIBDial::CanAutoSize(int& width, int& height) {
    const TMemoryDIB* body = indexMain_->GetImage();
    if (body == nullptr)
        return false;
    // Both links may use one list, whose single view the pointer's lookup re-points: size first.
    std::int64_t w = body->Width();
    std::int64_t h = body->Height();
    if (pointerRadius_ > 0)
        if (const TMemoryDIB* pointer = indexPointer_->GetImage()) {
            const std::int64_t reach =
                std::max<std::int64_t>(std::min(w, h), static_cast<std::int64_t>(pointerRadius_) +
                                                           std::max(pointer->Width(), pointer->Height()) / 2);
            w = std::max(w, reach);
            h = std::max(h, reach);
        }
    constexpr std::int64_t largest = std::numeric_limits<int>::max();
    width = static_cast<int>(std::min(w, largest));
    height = static_cast<int>(std::min(h, largest));
    return true;
}

void TAbstractDIBDial::PaintDIB(TAbstractSuperDIB& target) {
    TCustomDIBControl::PaintDIB(target);
    if (TMemoryDIB* body = indexMain_->GetImage(PaintZoom()))
        body->Draw(PaintWidth() / 2 - body->Width() / 2, PaintHeight() / 2 - body->Height() / 2, target);
    TMemoryDIB* pointer = indexPointer_->GetImage(PaintZoom());
    if (pointer == nullptr)
        return;
    const int angle = PointerAngle();
    const TDIBClipRect rect = PointerRectFor(pointer->Width(), pointer->Height(), angle);
    // The lookup hands out the list's shared view with the entry's own settings; these three belong to
    // this draw only, and the entry keeps its values.
    if (pointerRotate_)
        pointer->SetAngle(angle);
    pointer->SetAutoSize(true);
    pointer->SetOpacity(dragging_ ? ActiveOpacity() : NormalOpacity());
    DrawGlyphFrame(*pointer, rect.Left, rect.Top, true, angle, 359, 0, target, pointerNumGlyphs_);
}

// ---- TCustomDIBDial

TCustomDIBDial::TCustomDIBDial(toolkit::TComponent* owner)
    : TAbstractDIBDial(owner), pointerAngles_(std::make_unique<TDIBDialPointerAngles>(this)),
      pointerOpacities_(std::make_unique<TDIBDialPointerOpacities>(this)) {
    pointerAngles_->OnChange = [this](toolkit::TPersistent*) { Invalidate(); };
    pointerOpacities_->OnChange = [this](toolkit::TPersistent*) { Invalidate(); };
}

TCustomDIBDial::~TCustomDIBDial() = default;

int TCustomDIBDial::PointerAngle() const {
    const std::int64_t span = static_cast<std::int64_t>(Max()) - Min();
    if (span <= 0)
        return NormalizeAngle(pointerAngles_->Start());
    // Degrees of a full turn first, then scaled to the range, each step truncating: the pointer moves
    // in whole degrees.
    const std::int64_t sweep =
        (static_cast<std::int64_t>(Position()) - Min()) * 360 / span * pointerAngles_->Range() / 360;
    return NormalizeAngle(static_cast<int>((pointerAngles_->Start() + sweep) % 360));
}

// ---- TDIBDial

TDIBDial::TDIBDial(toolkit::TComponent* owner) : TCustomDIBDial(owner) {
    for (const char* name : templateNames)
        RegisterTemplateProperty(name);
}

const toolkit::TPropertyTable& TDIBDial::PublishedProperties() const {
    using A = TAbstractDIBDial;
    using C = TCustomDIBDial;
    using namespace toolkit;
    static const TPropertyTable table(
        &TCustomDIBControl::PublishedProperties(),
        {IntegerProperty("Min", &A::Min, &A::SetMin, 0), IntegerProperty("Max", &A::Max, &A::SetMax, 100),
         IntegerProperty("Position", &A::Position, &A::SetPosition, 0),
         IntegerProperty("SmallChange", &A::SmallChange, &A::SetSmallChange, 1),
         IntegerProperty("PageSize", &A::PageSize, &A::SetPageSize, 1),
         ObjectProperty("IndexMain", &A::IndexMain), ObjectProperty("IndexPointer", &A::IndexPointer),
         IntegerProperty("PointerNumGlyphs", &A::PointerNumGlyphs, &A::SetPointerNumGlyphs, 1),
         IntegerProperty("PointerRadius", &A::PointerRadius, &A::SetPointerRadius, -1),
         BooleanProperty("PointerRotate", &A::PointerRotate, &A::SetPointerRotate, false),
         ObjectProperty("PointerAngles", &C::PointerAngles),
         ObjectProperty("PointerOpacities", &C::PointerOpacities),
         EnumProperty("MouseControlStyle", &A::MouseControlStyle, &A::SetMouseControlStyle,
                      std::vector<std::string>{"mcsCircular", "mcsLinear"}, mcsCircular),
         EnumProperty("MouseLinearSensitivity", &A::MouseLinearSensitivity, &A::SetMouseLinearSensitivity,
                      std::vector<std::string>{"mlsVertical", "mlsHorizontal", "mlsBoth"}, mlsBoth),
         FloatProperty("HorizontalPixelsPerPosition", &A::HorizontalPixelsPerPosition,
                       &A::SetHorizontalPixelsPerPosition, 1.0L),
         FloatProperty("VerticalPixelsPerPosition", &A::VerticalPixelsPerPosition,
                       &A::SetVerticalPixelsPerPosition, 1.0L),
         BooleanProperty("AutoSize", &TCustomDIBControl::AutoSize, &TCustomDIBControl::SetAutoSize, true),
         EventProperty("OnChange", &A::OnChange)});
    return table;
}

void RegisterDIBDialClasses(toolkit::TClassRegistry& registry) { registry.Register<TDIBDial>("TDIBDial"); }

} // namespace dib
