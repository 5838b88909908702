// An ordered, owned list of items of one class, stored in a form stream as a collection value. Items
// know their index; moving or removing one renumbers the others. Descendants hear of changes through
// the virtual hooks: Notify for every item added or deleted, ItemMoved for every move, Update for a
// changed or added item, and Update(null) once when an update bracket that saw changes closes.
#pragma once

#include "toolkit/Persistent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace toolkit {

class TCollection;

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  public:
    explicit TCollectionItem(TCollection& collection);
    ~TCollectionItem() override;

    std::string_view ClassName() const override { return "TCollectionItem"; }

    TCollection* Collection() const { return collection_; }
    int Index() const;
    // Moves the item to another position; the others shift to make room.
    void SetIndex(int value);
    int ID() const { return id_; }
    virtual std::string DisplayName() const { return std::string(ClassName()); }

  protected:
    // Reports a change of this item (or of every item) to the collection.
    void Changed(bool allItems);

  private:
    friend class TCollection;
    TCollection* collection_;
    int id_ = 0;
};

class TCollection : public TPersistent {
  public:
    using ItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection&)>;

    TCollection(TPersistent* owner, ItemFactory makeItem);
    ~TCollection() override;

    std::string_view ClassName() const override { return "TCollection"; }
    void Assign(const TPersistent& source) override;

    TPersistent* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem& Items(int index) const;
    TCollectionItem& Add();
    void Delete(int index);
    void Clear();
    // Moves item from to position to.
    void Move(int from, int to);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

  protected:
    // One item changed or was added, or (item null) possibly all of them. Called only outside an update.
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem& item, TCollectionNotification action);
    virtual void ItemMoved(int from, int to);

  private:
    friend class TCollectionItem;
    void ItemChanged(TCollectionItem* item);

    TPersistent* owner_;
    ItemFactory makeItem_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
    bool changedInUpdate_ = false;
    int nextId_ = 0;
};

} // namespace toolkit
