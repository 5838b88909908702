// Names as the form stream uses them: property, class, component and method names compare without
// regard to letter case, and a component name must be an identifier.
#pragma once

#include <string_view>

namespace toolkit {

bool SameText(std::string_view a, std::string_view b);

// A letter or underscore, then letters, digits or underscores (ASCII only).
bool IsValidIdent(std::string_view name);

} // namespace toolkit
