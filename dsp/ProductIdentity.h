// The product's names as every plug-in format reports them to its host. The version is the build's
// (generated/ProductVersion.h).
#pragma once

#include <cstdint>

namespace tmx1 {

inline constexpr const char* kEffectName = "TMX-1";
inline constexpr const char* kVendorName = "Brindlow Audio";
inline constexpr const char* kProductName = "TMX-1";

// What VST 2 hosts and their preset files know the effect by: its four-character ID 'q4y9' and the
// version number of its record (kept at 1: presets of every release hold the same parameters).
inline constexpr std::int32_t kVstUniqueId = 'q' << 24 | '4' << 16 | 'y' << 8 | '9';
inline constexpr std::int32_t kVstVersion = 1;

} // namespace tmx1
