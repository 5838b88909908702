#include "platform/PixelMemory.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

namespace platform {

PixelMemory::PixelMemory(int width, int height) : width_(width), height_(height) {
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels_ = new (std::nothrow) std::uint32_t[count];
    if (pixels_ == nullptr)
        throw PixelMemoryError("Windows error (" + std::to_string(ENOMEM) + ") " + std::strerror(ENOMEM));
}

PixelMemory::~PixelMemory() { delete[] pixels_; }

} // namespace platform
