// Fuzz target: any bytes as an image's "Data" value. Reading must end in an image or an exception,
// never a read past the value; an image that was read writes back the same bytes.
#include "DIB/cDIBImageList.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dib::TDIBDataStreamer streamer;
    dib::TMemoryDIB image(2, 2);
    const std::vector<std::uint8_t> value(data, data + size);
    try {
        streamer.ReadData(image, value);
    } catch (const std::exception&) {
        return 0;
    }
    if (!value.empty() && streamer.WriteData(image) != value)
        std::abort();
    return 0;
}
