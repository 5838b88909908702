// Text for the editor's labels: a font family as a form names it ("Arial"), resolved to an installed
// face (a metric-compatible substitute where the named one is missing), measured and rendered as
// anti-aliased coverage that the caller blends in its own colour.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FontError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Pixels; height is the line height (ascent plus descent, each rounded up).
struct TextExtent {
    int width = 0;
    int height = 0;
    int ascent = 0;
};

// width × height bytes, rows top-down: 0 no ink, 255 full ink. The baseline lies at row ascent.
struct TextCoverage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> alpha;
};

// Fonts are independent of each other, but one font is used by one thread at a time: measuring and
// rendering go through the face's single glyph slot.
class Font {
  public:
    // family as a form names it ("Arial", "MS Sans Serif"); an unknown one falls back to the default
    // sans face. pixelHeight: the character (em) height in pixels, as a negative form font height gives
    // it. Throws FontError only when no usable face exists at all.
    static std::unique_ptr<Font> Open(std::string_view family, int pixelHeight, bool bold, bool italic);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Width: the rounded advances plus kerning; malformed UTF-8 counts as U+FFFD. An empty text is
    // zero wide and one line high.
    TextExtent Measure(std::string_view utf8) const;
    // The box Measure gives, with ink that would fall outside it cut off.
    TextCoverage Render(std::string_view utf8) const;
    // The face file in use, for tests and diagnostics.
    const std::string& FileName() const;

  private:
    struct Face;
    explicit Font(std::unique_ptr<Face> face);
    std::unique_ptr<Face> face_;
};

} // namespace platform
