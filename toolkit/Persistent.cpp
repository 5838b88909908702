#include "toolkit/Persistent.h"

#include "toolkit/PropertyTable.h"

namespace toolkit {

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
    throw EConvertError("Cannot assign a " + std::string(ClassName()) + " to a " +
                        std::string(dest.ClassName()));
}

const TPropertyTable& TPersistent::PublishedProperties() const {
    static const TPropertyTable none(nullptr, {});
    return none;
}

void TPersistent::DefineProperties(TFiler&) {}

} // namespace toolkit
