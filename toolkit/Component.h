// A component: an object with an owner, a name unique among its owner's components, and the
// components it owns. An owner frees what it owns; a component that others refer to tells them when
// it goes (free-notification), so no reference outlives its target.
#pragma once

#include "toolkit/Persistent.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TMethodTable;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    std::string_view ClassName() const override { return "TComponent"; }
    const TPropertyTable& PublishedProperties() const override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Throws EComponentError for a name that is not an identifier or is taken among the owner's components.
    void SetName(const std::string& value);
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t value) { tag_ = value; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    // An owned component by name (letter case ignored), or null.
    TComponent* FindComponent(std::string_view name) const;

    // Asks this component to tell other when it is freed (and the other way round).
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    bool Loading() const { return loading_; }
    bool Destroying() const { return destroying_; }
    // Called by the form reader around reading this component's record.
    void BeginLoading() { loading_ = true; }
    // After the whole stream is read and every reference resolved; leaves the loading state.
    virtual void Loaded();
    // Leaves the loading state without Loaded (a read that failed).
    void AbandonLoading() { loading_ = false; }

    // Parenting, for components whose records nest in the form stream.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);
    // The components whose records nest under this one's when root is written. The root's default
    // children are the components it owns that have no parent.
    virtual void GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const;

    // The event handlers a stream may bind by name; only a form's root has them.
    virtual const TMethodTable* MethodTable() const { return nullptr; }

  protected:
    // For a destructor that notifies others before the base destructor runs: from here on the
    // component counts as being destroyed.
    void MarkDestroying() { destroying_ = true; }
    // Told about a component inserted into or removed from this one's owned list, or freed after asking
    // for free-notification. The base passes removals on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);

  private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();
    void RemoveFreeNotifications();

    TComponent* owner_ = nullptr;
    std::string name_;
    std::int32_t tag_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool destroying_ = false;
};

class EComponentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace toolkit
