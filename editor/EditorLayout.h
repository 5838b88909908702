// The editor's layout: the component stream that builds the window, compiled from
// resources/PluginEditorWindow.txt when the plug-in is built and carried read-only inside it.
#pragma once

#include <cstdint>
#include <span>

namespace tmx1 {

std::span<const std::uint8_t> EditorLayoutStream();

} // namespace tmx1
