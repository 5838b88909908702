#include "toolkit/Identifier.h"

#include <algorithm>

namespace toolkit {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool isIdentChar(char c) { return isIdentStart(c) || (c >= '0' && c <= '9'); }

} // namespace

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool IsValidIdent(std::string_view name) {
    return !name.empty() && isIdentStart(name.front()) && std::all_of(name.begin(), name.end(), isIdentChar);
}

} // namespace toolkit
