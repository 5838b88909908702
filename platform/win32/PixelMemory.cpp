// The back buffer on Windows is a DIB section: memory that we write directly and that GDI copies to a
// window with BitBlt.
#include "platform/PixelMemory.h"

#include "platform/win32/SystemError.h"
#include "platform/win32/Win32Api.h"

namespace platform {

PixelMemory::PixelMemory(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // positive: the rows lie bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    SetLastError(ERROR_SUCCESS);
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        // GDI does not always say why; what it then ran out of is memory.
        const DWORD code = GetLastError();
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        throw PixelMemoryError(
            win32::WindowsErrorMessage(code != ERROR_SUCCESS ? code : ERROR_NOT_ENOUGH_MEMORY));
    }
    native_ = bitmap;
    pixels_ = static_cast<std::uint32_t*>(bits);
}

PixelMemory::~PixelMemory() { DeleteObject(static_cast<HBITMAP>(native_)); }

} // namespace platform
