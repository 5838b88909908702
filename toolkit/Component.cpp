#include "toolkit/Component.h"

#include "toolkit/Identifier.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>

namespace toolkit {

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    RemoveFreeNotifications();
    DestroyComponents();
    if (owner_ != nullptr)
        owner_->RemoveComponent(this);
}

const TPropertyTable& TComponent::PublishedProperties() const {
    static const TPropertyTable table(&TPersistent::PublishedProperties(),
                                      {IntegerProperty("Tag", &TComponent::Tag, &TComponent::SetTag, 0)});
    return table;
}

void TComponent::SetName(const std::string& value) {
    if (value == name_)
        return;
    if (!value.empty() && !IsValidIdent(value))
        throw EComponentError("\"" + value + "\" is not a valid component name");
    if (!value.empty() && owner_ != nullptr) {
        const TComponent* other = owner_->FindComponent(value);
        if (other != nullptr && other != this)
            throw EComponentError("A component named " + value + " already exists");
    }
    name_ = value;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* component : components_)
        if (SameText(component->name_, name))
            return component;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
    if (other == nullptr || other == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    const auto found = std::find(freeNotifies_.begin(), freeNotifies_.end(), other);
    if (found == freeNotifies_.end())
        return;
    freeNotifies_.erase(found);
    other->RemoveFreeNotification(this);
}

void TComponent::Loaded() { loading_ = false; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const {
    if (&root != this)
        return;
    for (TComponent* component : components_)
        if (!component->HasParent())
            proc(*component);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation != TOperation::opRemove || component == nullptr)
        return;
    RemoveFreeNotification(component);
    // A copy: a notified component may free one of its siblings.
    const std::vector<TComponent*> owned = components_;
    for (TComponent* child : owned)
        if (std::find(components_.begin(), components_.end(), child) != components_.end())
            child->Notification(component, operation);
}

void TComponent::InsertComponent(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    const auto found = std::find(components_.begin(), components_.end(), component);
    if (found == components_.end())
        return;
    components_.erase(found);
    component->owner_ = nullptr;
    Notification(component, TOperation::opRemove);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        last->destroying_ = true;
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::RemoveFreeNotifications() {
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveFreeNotification(this);
        other->Notification(this, TOperation::opRemove);
    }
}

} // namespace toolkit
