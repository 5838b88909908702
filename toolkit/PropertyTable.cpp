#include "toolkit/PropertyTable.h"

#include "toolkit/Identifier.h"

namespace toolkit {

namespace property_detail {

std::string stringValue(const TPropertyValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text != nullptr ? *text : std::string();
}

} // namespace property_detail

bool TPropertyInfo::IsStored(const TPersistent& instance) const {
    const TPropertyValue value = get(instance);
    if (defaultValue)
        return value != *defaultValue;
    if (type == TPropertyType::String || type == TPropertyType::Method)
        return !property_detail::stringValue(value).empty();
    if (type == TPropertyType::Component)
        return std::get<TPersistent*>(value) != nullptr;
    return true;
}

TPropertyTable::TPropertyTable(const TPropertyTable* ancestor, std::vector<TPropertyInfo> own)
    : ancestor_(ancestor), own_(std::move(own)) {}

const TPropertyInfo* TPropertyTable::Find(std::string_view name) const {
    for (const TPropertyInfo& info : own_)
        if (SameText(info.name, name))
            return &info;
    return ancestor_ != nullptr ? ancestor_->Find(name) : nullptr;
}

std::vector<const TPropertyInfo*> TPropertyTable::All() const {
    std::vector<const TPropertyInfo*> all;
    if (ancestor_ != nullptr)
        for (const TPropertyInfo* inherited : ancestor_->All())
            if (Find(inherited->name) == inherited)
                all.push_back(inherited);
    for (const TPropertyInfo& info : own_)
        all.push_back(&info);
    return all;
}

} // namespace toolkit
