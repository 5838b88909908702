#include "toolkit/ClassRegistry.h"

#include "toolkit/Identifier.h"

namespace toolkit {

void TClassRegistry::Register(std::string className, Factory create) {
    for (auto& [name, factory] : classes_)
        if (SameText(name, className)) {
            factory = std::move(create);
            return;
        }
    classes_.emplace_back(std::move(className), std::move(create));
}

const TClassRegistry::Factory* TClassRegistry::Find(std::string_view className) const {
    for (const auto& [name, factory] : classes_)
        if (SameText(name, className))
            return &factory;
    return nullptr;
}

} // namespace toolkit
