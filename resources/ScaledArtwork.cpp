#include "resources/ScaledArtwork.h"

namespace tmx1 {

std::span<const std::uint8_t> ScaledArtworkPng(std::string_view file, int percent) {
    for (const ScaledArtworkFile& entry : ScaledArtworkFiles())
        if (entry.file == file && entry.percent == percent)
            return entry.png;
    return {};
}

} // namespace tmx1
