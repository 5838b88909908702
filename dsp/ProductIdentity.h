// The product's names as every plug-in format reports them to its host. The version is the build's
// (generated/ProductVersion.h).
#pragma once

namespace tmx1 {

inline constexpr const char* kEffectName = "TMX-1";
inline constexpr const char* kVendorName = "Brindlow Audio";
inline constexpr const char* kProductName = "TMX-1";

} // namespace tmx1
