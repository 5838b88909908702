#include "DIB/cDIBControl.h"

#include "DIB/cDIBPanel.h"
#include "toolkit/PropertyTable.h"

#include <cctype>

namespace dib {

namespace {

toolkit::TComponent* requireOwner(toolkit::TComponent* owner) {
    if (owner == nullptr)
        throw std::runtime_error("Owner cannot be nil");
    return owner;
}

// The component itself when it is a container, else the first container it owns.
TCustomDIBContainer* containerOf(toolkit::TComponent* component) {
    if (auto* container = dynamic_cast<TCustomDIBContainer*>(component))
        return container;
    for (int i = 0; i < component->ComponentCount(); ++i)
        if (auto* container = dynamic_cast<TCustomDIBContainer*>(component->Components(i)))
            return container;
    return nullptr;
}

template <class Item> toolkit::TCollection::ItemFactory itemsOf() {
    return [](toolkit::TCollection& c) { return std::make_unique<Item>(c); };
}

} // namespace

TCustomDIBControl::TCustomDIBControl(toolkit::TComponent* owner)
    : TControl(requireOwner(owner)), features_(this, itemsOf<TDIBFeatureItem>()),
      children_(this, itemsOf<TDIBChildItem>()), repeatTimer_([this] { RepeatTick(); }) {
    TCustomDIBContainer* container = containerOf(owner);
    if (container == nullptr)
        throw std::runtime_error("Parent must be a TDIBContainer");
    SetBounds(0, 0, 32, 32);
    SetParent(container);
    RegisterTemplateProperty("Width");
    RegisterTemplateProperty("Height");
}

TCustomDIBControl::~TCustomDIBControl() {
    // Leave the container while still whole: it may move the focus, which calls back into us.
    MarkDestroying();
    repeatTimer_.Stop();
    SetParent(nullptr);
}

const toolkit::TPropertyTable& TCustomDIBControl::PublishedProperties() const {
    using C = TCustomDIBControl;
    using namespace toolkit;
    static const TPropertyTable table(
        &TControl::PublishedProperties(),
        {StringProperty("Accelerator", &C::Accelerator, &C::SetAccelerator, std::string(1, '\0')),
         ObjectProperty("Children", &C::Children), ObjectProperty("DIBFeatures", &C::DIBFeatures),
         ComponentProperty("DIBImageList", &C::DIBImageList, &C::SetDIBImageList),
         IntegerProperty("DIBTabOrder", &C::DIBTabOrder, &C::SetDIBTabOrder, -1),
         IntegerProperty("Opacity", &C::Opacity, &C::SetOpacity, 255), EventProperty("OnEnter", &C::OnEnter),
         EventProperty("OnExit", &C::OnExit), EventProperty("OnKeyDown", &C::OnKeyDown),
         EventProperty("OnKeyPress", &C::OnKeyPress), EventProperty("OnKeyUp", &C::OnKeyUp),
         EventProperty("OnMouseEnter", &C::OnMouseEnter), EventProperty("OnMouseLeave", &C::OnMouseLeave),
         EventProperty("OnPaintStart", &C::OnPaintStart), EventProperty("OnPaintEnd", &C::OnPaintEnd)});
    return table;
}

// ---- placement

void TCustomDIBControl::SetParent(toolkit::TWinControl* parent) {
    if (parent != nullptr) {
        TCustomDIBContainer* container = containerOf(parent);
        if (container == nullptr)
            throw std::runtime_error("Parent must be a TDIBContainer");
        parent = container;
    }
    TControl::SetParent(parent);
}

TCustomDIBContainer* TCustomDIBControl::Container() const {
    return dynamic_cast<TCustomDIBContainer*>(Parent());
}

void TCustomDIBControl::SetBounds(int left, int top, int width, int height) {
    if (autoSize_ && !Loading())
        CanAutoSize(width, height);
    TControl::SetBounds(left, top, width, height);
}

void TCustomDIBControl::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    AdjustSize();
}

bool TCustomDIBControl::CanAutoSize(int&, int&) { return false; }

void TCustomDIBControl::AdjustSize() {
    if (!autoSize_ || Loading())
        return;
    int width = Width();
    int height = Height();
    if (CanAutoSize(width, height))
        TControl::SetBounds(Left(), Top(), width, height);
}

// ---- look

void TCustomDIBControl::SetOpacity(std::uint8_t value) {
    if (value == opacity_)
        return;
    opacity_ = value;
    Invalidate();
}

void TCustomDIBControl::SetDIBImageList(TCustomDIBImageList* value) {
    if (value == imageList_)
        return;
    if (imageList_ != nullptr)
        RemoveFreeNotification(imageList_);
    imageList_ = value;
    if (imageList_ != nullptr)
        FreeNotification(imageList_);
    for (const auto& link : links_)
        link->SetDIBImageList(value);
}

TDIBImageLink& TCustomDIBControl::AddImageLink() {
    links_.push_back(
        std::make_unique<TDIBImageLink>(this, [this](TDIBImageLink& link) { ImageChanged(link); }));
    links_.back()->SetDIBImageList(imageList_);
    return *links_.back();
}

void TCustomDIBControl::ImageChanged(TDIBImageLink&) {
    AdjustSize();
    Invalidate();
}

void TCustomDIBControl::Notification(toolkit::TComponent* component, toolkit::TOperation operation) {
    TControl::Notification(component, operation);
    if (operation == toolkit::TOperation::opRemove && component == imageList_)
        imageList_ = nullptr;
}

void TCustomDIBControl::SetAccelerator(const std::string& value) {
    accelerator_ = value.empty() ? '\0' : value[0];
}

void TCustomDIBControl::RegisterTemplateProperty(const std::string& name) {
    const toolkit::TPropertyInfo* info = PublishedProperties().Find(name);
    if (info == nullptr)
        throw EDIBControlError("Class " + std::string(ClassName()) + " is trying to register " + name +
                               " as a template property, and that property does not exist.");
    if (info->type == toolkit::TPropertyType::Component || info->type == toolkit::TPropertyType::Method)
        throw EDIBControlError("Attempting to template an invalid property type.");
    templateProperties_.push_back(name);
}

// ---- painting

void TCustomDIBControl::PaintSkinned(TAbstractSuperDIB& backBuffer, TAbstractSuperDIB& target,
                                     const TDIBClipRect& clip, const toolkit::TZoom& zoom) {
    const platform::Rect place = zoom.Device(BoundsRect());
    // Only the clipped part is composed: the rest of target is never read.
    target.SetClipRect(clip);
    const int sourceX = std::max(place.Left, 0);
    const int sourceY = std::max(place.Top, 0);
    backBuffer.DrawPlain(place.Left < 0 ? -place.Left : 0, place.Top < 0 ? -place.Top : 0, sourceX, sourceY,
                         place.Width(), place.Height(), target);
    struct PaintScope {
        TAbstractSuperDIB*& slot;
        toolkit::TZoom& zoom;
        ~PaintScope() {
            slot = nullptr;
            zoom = {};
        }
    } scope{target_, paintZoom_};
    target_ = &target;
    paintZoom_ = zoom;
    PaintStart();
    PaintDIB(target);
    PaintEnd();
    target.SetOpacity(opacity_);
    target.Draw(place.Left, place.Top, backBuffer);
}

void TCustomDIBControl::PaintStart() {
    if (OnPaintStart)
        OnPaintStart(this);
}

void TCustomDIBControl::PaintDIB(TAbstractSuperDIB& target) {
    if (OnPaint)
        OnPaint(this, target);
}

void TCustomDIBControl::PaintEnd() {
    if (OnPaintEnd)
        OnPaintEnd(this);
}

// ---- focus

void TCustomDIBControl::SetDIBTabOrder(std::int16_t value) {
    TCustomDIBContainer* container = Container();
    if (Loading() || container == nullptr) {
        tabOrder_ = value;
        return;
    }
    tabOrder_ = static_cast<std::int16_t>(container->PlaceInFocusList(*this, value));
}

void TCustomDIBControl::ApplyTabOrder() {
    if (TCustomDIBContainer* container = Container())
        tabOrder_ = static_cast<std::int16_t>(container->PlaceInFocusList(*this, tabOrder_));
}

void TCustomDIBControl::SetFocused(bool value) {
    if (value == focused_)
        return;
    focused_ = value;
    if (focused_) {
        if (OnEnter)
            OnEnter(this);
    } else {
        if (OnExit)
            OnExit(this);
        if (!hot_)
            HighlightOff();
    }
}

void TCustomDIBControl::EnabledChanged() {
    if (!Enabled() && focused_)
        if (TCustomDIBContainer* container = Container())
            container->SetActiveControl(nullptr);
}

bool TCustomDIBControl::TryAccelerator(char key) {
    if (accelerator_ == '\0' || std::toupper(static_cast<unsigned char>(key)) !=
                                    std::toupper(static_cast<unsigned char>(accelerator_)))
        return false;
    const TCustomDIBContainer* container = Container();
    if (!Enabled() || !Visible() || container == nullptr || !container->Visible() || !container->Enabled())
        return false;
    Click();
    return true;
}

void TCustomDIBControl::Loaded() {
    TControl::Loaded();
    ApplyTabOrder();
    AdjustSize();
}

// ---- mouse

void TCustomDIBControl::MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
    if (button == toolkit::mbLeft) {
        repeatShift_ = shift;
        repeatX_ = x;
        repeatY_ = y;
        if (autoRepeat_ && !repeatTimer_.Running())
            repeatTimer_.Start(*this, repeatInterval_);
    }
    lastShift_ = shift;
    pressedButtons_ |= 1u << button;
    if (tabOrder_ >= 0)
        if (TCustomDIBContainer* container = Container())
            container->SetActiveControl(this);
    TControl::MouseDown(button, shift, x, y);
}

void TCustomDIBControl::MouseMove(toolkit::TShiftState shift, int x, int y) {
    repeatShift_ = shift;
    repeatX_ = x;
    repeatY_ = y;
    lastShift_ = shift;
    lastX_ = x;
    lastY_ = y;
    if (inside_ && !hot_)
        MouseEnter();
    TControl::MouseMove(shift, x, y);
}

void TCustomDIBControl::MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
    if (button == toolkit::mbLeft)
        repeatTimer_.Stop();
    pressedButtons_ &= ~(1u << button);
    lastShift_ = shift;
    TControl::MouseUp(button, shift, x, y);
    if (button == toolkit::mbLeft && hot_ && !inside_)
        MouseLeave();
}

void TCustomDIBControl::RepeatTick() {
    if (stopRepeatAtNextTick_) {
        stopRepeatAtNextTick_ = false;
        repeatTimer_.Stop();
        return;
    }
    // The stored press again, as if the button had just gone down where the mouse now is.
    BeginPress();
    MouseDown(toolkit::mbLeft, repeatShift_, repeatX_, repeatY_);
}

void TCustomDIBControl::Click() {
    TControl::Click();
    if (tabOrder_ >= 0 && !focused_)
        if (TCustomDIBContainer* container = Container())
            container->SetActiveControl(this);
}

void TCustomDIBControl::MouseEnter() {
    const bool wasLit = focused_ || hot_;
    inside_ = true;
    hot_ = true;
    if (!wasLit)
        HighlightOn();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TCustomDIBControl::MouseLeave() {
    inside_ = false;
    // A drag that left the control keeps it hot until the button is released.
    if (MouseCapture())
        return;
    hot_ = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
    if (!focused_ && !hot_)
        HighlightOff();
}

} // namespace dib
