#include "editor/EditorLayout.h"

// The stream is assembled into the read-only data of the library as it is, byte for byte: no
// conversion to source text, nothing to copy at run time. TMX1_LAYOUT_STREAM names the compiled file.
// The symbols stay inside the library: a host may load other plug-ins that carry layouts too.
#if defined(_WIN32)
#define TMX1_READ_ONLY_SECTION ".section .rdata,\"dr\"\n"
#define TMX1_LOCAL_SYMBOLS ""
#define TMX1_BACK_TO_CODE ".text\n"
#else
#define TMX1_READ_ONLY_SECTION ".section .rodata\n"
#define TMX1_LOCAL_SYMBOLS ".hidden tmx1_layout_stream\n.hidden tmx1_layout_size\n"
#define TMX1_BACK_TO_CODE ".previous\n"
#endif

asm(TMX1_READ_ONLY_SECTION
    ".globl tmx1_layout_stream\n"
    ".globl tmx1_layout_size\n" TMX1_LOCAL_SYMBOLS
    ".balign 16\n"
    "tmx1_layout_stream:\n"
    ".incbin \"" TMX1_LAYOUT_STREAM "\"\n"
    "tmx1_layout_end:\n"
    ".balign 8\n"
    "tmx1_layout_size:\n"
    ".quad tmx1_layout_end - tmx1_layout_stream\n" TMX1_BACK_TO_CODE);

#if defined(_WIN32)
#define TMX1_LOCAL
#else
#define TMX1_LOCAL [[gnu::visibility("hidden")]]
#endif

extern "C" {
TMX1_LOCAL extern const std::uint8_t tmx1_layout_stream[];
TMX1_LOCAL extern const std::uint64_t tmx1_layout_size;
}

namespace tmx1 {

std::span<const std::uint8_t> EditorLayoutStream() {
    return {tmx1_layout_stream, static_cast<std::size_t>(tmx1_layout_size)};
}

} // namespace tmx1
