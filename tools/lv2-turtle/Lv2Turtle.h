// The LV2 bundle's description, written from the parameter table, the factory programs and the port
// map: the manifest, the plug-in with its ports and UI, and the factory programs as presets.
#pragma once

#include <string>

namespace tmx1::lv2 {

inline constexpr const char* kDspBinary = "TMX-1_dsp.so";
inline constexpr const char* kUiBinary = "TMX-1_ui.so";
inline constexpr const char* kPluginFile = "TMX-1.ttl";
inline constexpr const char* kPresetsFile = "presets.ttl";

// "1.10" gives minor version 10 and micro version 0 (LV2's major version is fixed by the URI).
struct Lv2Version {
    int minor = 0;
    int micro = 0;
};
// Throws std::invalid_argument for a text that is not MAJOR.MINOR[.MICRO].
Lv2Version lv2VersionOf(const std::string& productVersion);

// A port's number as the Turtle holds it: the shortest text that reads back as the same float, always
// a decimal or double literal.
std::string turtleNumber(float value);

std::string presetUri(int program);

std::string manifestTurtle();
std::string pluginTurtle(const Lv2Version& version);
std::string presetsTurtle();

} // namespace tmx1::lv2
