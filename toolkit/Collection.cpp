#include "toolkit/Collection.h"

#include <algorithm>
#include <stdexcept>

namespace toolkit {

TCollectionItem::TCollectionItem(TCollection& collection) : collection_(&collection) {}

TCollectionItem::~TCollectionItem() = default;

int TCollectionItem::Index() const {
    const auto& items = collection_->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

void TCollectionItem::SetIndex(int value) { collection_->Move(Index(), value); }

void TCollectionItem::Changed(bool allItems) { collection_->ItemChanged(allItems ? nullptr : this); }

TCollection::TCollection(TPersistent* owner, ItemFactory makeItem)
    : owner_(owner), makeItem_(std::move(makeItem)) {}

TCollection::~TCollection() {
    // Items go without notices: the owner is being destroyed too.
    items_.clear();
}

void TCollection::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (const auto& item : other->items_)
            Add().Assign(*item);
    } catch (...) {
        --updateCount_;
        throw;
    }
    EndUpdate();
}

TCollectionItem& TCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("Collection index " + std::to_string(index) + " out of range");
    return *items_[static_cast<std::size_t>(index)];
}

TCollectionItem& TCollection::Add() {
    items_.push_back(makeItem_(*this));
    TCollectionItem& item = *items_.back();
    item.id_ = nextId_++;
    Notify(item, TCollectionNotification::cnAdded);
    ItemChanged(&item);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem& item = Items(index);
    Notify(item, TCollectionNotification::cnDeleting);
    items_.erase(items_.begin() + index);
    if (updateCount_ > 0)
        changedInUpdate_ = true;
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        Delete(Count() - 1);
    EndUpdate();
}

void TCollection::Move(int from, int to) {
    if (from < 0 || from >= Count())
        throw std::out_of_range("Collection index " + std::to_string(from) + " out of range");
    to = std::clamp(to, 0, Count() - 1);
    if (from == to)
        return;
    auto moving = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(moving));
    ItemMoved(from, to);
    if (updateCount_ > 0)
        changedInUpdate_ = true;
}

void TCollection::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0 && changedInUpdate_) {
        changedInUpdate_ = false;
        Update(nullptr);
    }
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem&, TCollectionNotification) {}

void TCollection::ItemMoved(int, int) {}

void TCollection::ItemChanged(TCollectionItem* item) {
    if (updateCount_ > 0)
        changedInUpdate_ = true;
    else
        Update(item);
}

} // namespace toolkit
