// 32-bit pixel memory for an image that the window system can also draw from (a back buffer).
// Pixels are blue, green, red, alpha, rows bottom-up without padding. The headless backend gives
// plain memory; a windowing backend gives memory the window system can copy to a window.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace platform {

// The window system could not provide the memory. The message reads
// "Windows error (" code ") " followed by the system's text for the code.
class PixelMemoryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PixelMemory {
  public:
    // Content undefined. Throws PixelMemoryError.
    PixelMemory(int width, int height);
    ~PixelMemory();
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    std::uint32_t* Pixels() const { return pixels_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The window system's own handle of the memory (a DIB section's HBITMAP on Windows); null where
    // the memory is plain.
    void* NativeHandle() const { return native_; }

  private:
    std::uint32_t* pixels_ = nullptr;
    void* native_ = nullptr;
    int width_;
    int height_;
};

} // namespace platform
