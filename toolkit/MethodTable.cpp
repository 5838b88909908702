#include "toolkit/MethodTable.h"

#include "toolkit/Identifier.h"

namespace toolkit {

const std::any* TMethodTable::Find(std::string_view name) const {
    for (const auto& [entryName, handler] : entries_)
        if (SameText(entryName, name))
            return &handler;
    return nullptr;
}

} // namespace toolkit
