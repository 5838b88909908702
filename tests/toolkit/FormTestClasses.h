// Component classes for the form-stream tests: a root form with a method table, and controls with a
// property of every kind (nested object, collection, reference, event, set, enumeration, colour,
// defined binary property) that nest as parent and children.
#pragma once

#include "toolkit/ClassRegistry.h"
#include "toolkit/Collection.h"
#include "toolkit/Colour.h"
#include "toolkit/Component.h"
#include "toolkit/MethodTable.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace formtest {

using namespace toolkit;

enum TTestKind { tkOne, tkTwo, tkThree };

class TTestFont : public TPersistent {
  public:
    std::string_view ClassName() const override { return "TTestFont"; }
    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table(
            &TPersistent::PublishedProperties(),
            {IntegerProperty("Color", &TTestFont::Color, &TTestFont::SetColor, clWindowText, ColourIdents()),
             IntegerProperty("Height", &TTestFont::Height, &TTestFont::SetHeight, -11),
             StringProperty("Name", &TTestFont::Name, &TTestFont::SetName, std::string("MS Sans Serif")),
             SetProperty("Style", &TTestFont::Style, &TTestFont::SetStyle,
                         {"fsBold", "fsItalic", "fsUnderline"}, 0u)});
        return table;
    }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { color_ = value; }
    int Height() const { return height_; }
    void SetHeight(int value) { height_ = value; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    std::uint32_t Style() const { return style_; }
    void SetStyle(std::uint32_t value) { style_ = value; }

  private:
    TColor color_ = clWindowText;
    int height_ = -11;
    std::string name_ = "MS Sans Serif";
    std::uint32_t style_ = 0;
};

class TTestControl;

class TTestItem : public TCollectionItem {
  public:
    using TCollectionItem::TCollectionItem;
    std::string_view ClassName() const override { return "TTestItem"; }
    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table(
            &TCollectionItem::PublishedProperties(),
            {StringProperty("Caption", &TTestItem::Caption, &TTestItem::SetCaption),
             ComponentProperty("Target", &TTestItem::Target, &TTestItem::SetTarget)});
        return table;
    }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    TComponent* Target() const { return target_; }
    void SetTarget(TComponent* value) { target_ = value; }

  private:
    std::string caption_;
    TComponent* target_ = nullptr;
};

class TTestControl : public TComponent {
  public:
    explicit TTestControl(TComponent* owner)
        : TComponent(owner), items_(this, [](TCollection& c) { return std::make_unique<TTestItem>(c); }) {}

    std::string_view ClassName() const override { return "TTestControl"; }
    const TPropertyTable& PublishedProperties() const override {
        using C = TTestControl;
        static const TPropertyTable table(
            &TComponent::PublishedProperties(),
            {IntegerProperty("Left", &C::Left, &C::SetLeft, 0),
             IntegerProperty("Opacity", &C::Opacity, &C::SetOpacity, 255),
             IntegerProperty("Big", &C::Big, &C::SetBig, 0),
             BooleanProperty("Enabled", &C::Enabled, &C::SetEnabled, true),
             FloatProperty("Scale", &C::Scale, &C::SetScale, 100.0L),
             EnumProperty("Kind", &C::Kind, &C::SetKind,
                          std::vector<std::string>{"tkOne", "tkTwo", "tkThree"}, tkOne),
             StringProperty("Caption", &C::Caption, &C::SetCaption), ObjectProperty("Font", &C::Font),
             ObjectProperty("Items", &C::Items), ComponentProperty("Buddy", &C::Buddy, &C::SetBuddy),
             EventProperty("OnClick", &C::OnClick)});
        return table;
    }
    void DefineProperties(TFiler& filer) override {
        filer.DefineBinaryProperty(
            "Blob", [this](std::span<const std::uint8_t> v) { blob.assign(v.begin(), v.end()); },
            [this] { return blob; }, !blob.empty());
    }

    int Left() const { return left_; }
    void SetLeft(int value) { left_ = value; }
    std::uint8_t Opacity() const { return opacity_; }
    void SetOpacity(std::uint8_t value) { opacity_ = value; }
    std::int64_t Big() const { return big_; }
    void SetBig(std::int64_t value) { big_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    long double Scale() const { return scale_; }
    void SetScale(long double value) { scale_ = value; }
    TTestKind Kind() const { return kind_; }
    void SetKind(TTestKind value) { kind_ = value; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    TTestFont* Font() const { return font_.get(); }
    TCollection* Items() const { return &items_; }
    TTestControl* Buddy() const { return buddy_; }
    void SetBuddy(TTestControl* value) { buddy_ = value; }
    TNotifyEvent OnClick;
    std::vector<std::uint8_t> blob;
    int loadedCalls = 0;
    bool referenceSetWhileLoading = false;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return parent_; }
    void SetParentComponent(TComponent* parent) override {
        if (auto* old = dynamic_cast<TTestControl*>(parent_))
            std::erase(old->children_, this);
        parent_ = parent;
        if (auto* control = dynamic_cast<TTestControl*>(parent))
            control->children_.push_back(this);
    }
    void GetChildren(const std::function<void(TComponent&)>& proc, const TComponent&) const override {
        for (TComponent* child : children_)
            proc(*child);
    }
    void Loaded() override {
        TComponent::Loaded();
        ++loadedCalls;
        referenceSetWhileLoading = buddy_ != nullptr;
    }

  protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove)
            return;
        if (component == buddy_)
            buddy_ = nullptr;
        if (component == parent_)
            parent_ = nullptr;
        std::erase(children_, component);
    }

  private:
    int left_ = 0;
    std::uint8_t opacity_ = 255;
    std::int64_t big_ = 0;
    bool enabled_ = true;
    long double scale_ = 100;
    TTestKind kind_ = tkOne;
    std::string caption_;
    std::unique_ptr<TTestFont> font_ = std::make_unique<TTestFont>();
    mutable TCollection items_;
    TTestControl* buddy_ = nullptr;
    TComponent* parent_ = nullptr;
    std::vector<TComponent*> children_;
};

class TTestForm : public TComponent {
  public:
    TTestForm() : TComponent(nullptr) {
        methods_.Add<void(TPersistent*)>("ButtonClick", [this](TPersistent* sender) { clickedBy = sender; });
        methods_.Add<void(int)>("CountChanged", [](int) {});
    }
    std::string_view ClassName() const override { return "TTestForm"; }
    const TMethodTable* MethodTable() const override { return &methods_; }
    // The form's children: what it owns that has no parent but the form.
    void GetChildren(const std::function<void(TComponent&)>& proc, const TComponent&) const override {
        for (int i = 0; i < ComponentCount(); ++i) {
            TComponent* parent = Components(i)->GetParentComponent();
            if (parent == nullptr || parent == this)
                proc(*Components(i));
        }
    }
    TPersistent* clickedBy = nullptr;

  private:
    TMethodTable methods_;
};

inline TClassRegistry testClasses() {
    TClassRegistry registry;
    registry.Register<TTestControl>("TTestControl");
    return registry;
}

} // namespace formtest
