#include "platform/x11/InformationBoxPicture.h"

#include <algorithm>
#include <cmath>

namespace platform::x11 {

namespace {

// ---- layout, in pixels

constexpr int kWidth = 400;
constexpr int kMargin = 24;
constexpr int kAccentStrip = 2;
constexpr int kMarkSize = 36;
constexpr int kTextLeft = kMargin + kMarkSize + 16;
constexpr int kTextWidth = kWidth - kTextLeft - kMargin;
constexpr int kHeadingPixels = 17;
constexpr int kBodyPixels = 13;
constexpr int kHeadingGap = 8;  // heading to the first line of text
constexpr int kLineSpacing = 5; // added to the body font's line height
// A box taller than a small screen would hide its own button; the rest of a longer text is cut.
constexpr int kMostLines = 20;
constexpr int kFooterHeight = 58;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 30;
constexpr double kButtonRadius = 5.0;
constexpr int kFocusGap = 2;
constexpr double kFocusThickness = 1.5;

// ---- the panel's palette, 0xRRGGBB

constexpr std::uint32_t kBackground = 0x2a2c30;
constexpr std::uint32_t kFooter = 0x202225;
constexpr std::uint32_t kSeparator = 0x3b3e43;
constexpr std::uint32_t kAccent = 0xe8a23a;
constexpr std::uint32_t kHeadingInk = 0xf3f3f3;
constexpr std::uint32_t kBodyInk = 0xc2c6cc;
constexpr std::uint32_t kMarkInk = 0x1d1f22;
constexpr std::uint32_t kFocusRing = 0xdfe2e6;

// The OK button's face from top to bottom, its edge and its caption in one state.
struct ButtonFace {
    std::uint32_t top;
    std::uint32_t bottom;
    std::uint32_t edge;
    std::uint32_t caption;
};
constexpr ButtonFace kButtonAtRest{0xeeab45, 0xd9922c, 0xb87a22, 0x1d1f22};
constexpr ButtonFace kButtonHovered{0xf7bd5e, 0xe6a23c, 0xc98a2c, 0x1d1f22};
constexpr ButtonFace kButtonPressed{0xbf8228, 0xcf8f30, 0x9c6a1c, 0x1d1f22};

std::uint32_t mix(std::uint32_t under, std::uint32_t over, double amount) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double a = static_cast<double>((under >> shift) & 0xff);
        const double b = static_cast<double>((over >> shift) & 0xff);
        result |= static_cast<std::uint32_t>(std::lround(a + (b - a) * amount)) << shift;
    }
    return result;
}

// How much of pixel (x, y) lies inside a rectangle with rounded corners, 0..1, from the signed distance
// of the pixel's centre to the edge: this anti-aliases the corners and any edge off the pixel grid.
double roundedCoverage(double left, double top, double right, double bottom, double radius, int x, int y) {
    const double qx = std::abs(x + 0.5 - (left + right) / 2.0) - ((right - left) / 2.0 - radius);
    const double qy = std::abs(y + 0.5 - (top + bottom) / 2.0) - ((bottom - top) / 2.0 - radius);
    const double distance =
        std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
    return std::clamp(0.5 - distance, 0.0, 1.0);
}

// Drawing into a top-down 0x00RRGGBB buffer; everything is clipped to it.
class Canvas {
  public:
    Canvas(std::vector<std::uint32_t>& pixels, int width, int height)
        : pixels_(pixels), width_(width), height_(height) {}

    void Fill(const Rect& rect, std::uint32_t colour) {
        const Rect visible = Intersection(rect, {0, 0, width_, height_});
        for (int y = visible.Top; y < visible.Bottom; ++y)
            std::fill_n(&At(visible.Left, y), visible.Width(), colour);
    }

    // A vertical gradient from top to bottom, inside rounded corners.
    void FillRounded(const Rect& rect, double radius, std::uint32_t top, std::uint32_t bottom) {
        for (int y = rect.Top; y < rect.Bottom; ++y) {
            const double along = rect.Height() > 1 ? double(y - rect.Top) / (rect.Height() - 1) : 0.0;
            const std::uint32_t colour = mix(top, bottom, along);
            for (int x = rect.Left; x < rect.Right; ++x)
                Blend(x, y, colour,
                      roundedCoverage(rect.Left, rect.Top, rect.Right, rect.Bottom, radius, x, y));
        }
    }

    // A line of the given thickness just inside the rounded rectangle's edge.
    void StrokeRounded(const Rect& rect, double radius, double thickness, std::uint32_t colour) {
        const double innerRadius = std::max(radius - thickness, 0.0);
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x) {
                const double outer =
                    roundedCoverage(rect.Left, rect.Top, rect.Right, rect.Bottom, radius, x, y);
                const double inner =
                    roundedCoverage(rect.Left + thickness, rect.Top + thickness, rect.Right - thickness,
                                    rect.Bottom - thickness, innerRadius, x, y);
                Blend(x, y, colour, outer - inner);
            }
    }

    // Text coverage from the font, its top-left corner at (x, y).
    void Text(const TextCoverage& text, int x, int y, std::uint32_t colour) {
        for (int row = 0; row < text.height; ++row)
            for (int column = 0; column < text.width; ++column) {
                const std::uint8_t ink = text.alpha[static_cast<std::size_t>(row) * text.width + column];
                if (ink != 0)
                    Blend(x + column, y + row, colour, ink / 255.0);
            }
    }

  private:
    std::uint32_t& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    void Blend(int x, int y, std::uint32_t colour, double amount) {
        if (amount > 0.0 && x >= 0 && y >= 0 && x < width_ && y < height_)
            At(x, y) = mix(At(x, y), colour, amount);
    }

    std::vector<std::uint32_t>& pixels_;
    int width_;
    int height_;
};

bool startsCodePoint(char byte) { return (static_cast<unsigned char>(byte) & 0xc0) != 0x80; }

// The bytes of the longest start of word (whole characters, at least one) no wider than width.
std::size_t fittingPrefix(const Font& font, std::string_view word, int width) {
    std::size_t fits = 0;
    for (std::size_t end = 1; end <= word.size(); ++end) {
        if (end < word.size() && !startsCodePoint(word[end]))
            continue;
        if (fits != 0 && font.Measure(word.substr(0, end)).width > width)
            break;
        fits = end;
    }
    return fits;
}

void wrapParagraph(const Font& font, std::string_view paragraph, int width, std::vector<std::string>& lines) {
    std::string line;
    std::size_t start = 0;
    while (start <= paragraph.size()) {
        const std::size_t space = std::min(paragraph.find(' ', start), paragraph.size());
        std::string_view word = paragraph.substr(start, space - start);
        start = space + 1;
        if (word.empty())
            continue;
        const std::string joined = line.empty() ? std::string(word) : line + " " + std::string(word);
        if (font.Measure(joined).width <= width) {
            line = joined;
            continue;
        }
        if (!line.empty())
            lines.push_back(line);
        while (font.Measure(word).width > width) {
            const std::size_t cut = fittingPrefix(font, word, width);
            if (cut == word.size())
                break; // one character wider than the line
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
        }
        line = std::string(word);
    }
    lines.push_back(line);
}

// The line with an ellipsis at its end, shortened by whole characters until it fits.
std::string withEllipsis(const Font& font, std::string line, int width) {
    const std::string ellipsis = "\xe2\x80\xa6";
    while (!line.empty() && font.Measure(line + ellipsis).width > width) {
        line.pop_back();
        while (!line.empty() && !startsCodePoint(line.back()))
            line.pop_back();
    }
    return line + ellipsis;
}

} // namespace

std::vector<std::string> WrapText(const Font& font, std::string_view text, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        wrapParagraph(font, text.substr(start, end == std::string_view::npos ? end : end - start), width,
                      lines);
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

InformationBoxPicture::InformationBoxPicture(const std::string& title, const std::string& text)
    : headingFont_(Font::Open("Arial", kHeadingPixels, true, false)),
      bodyFont_(Font::Open("Arial", kBodyPixels, false, false)),
      buttonFont_(Font::Open("Arial", kBodyPixels, true, false)) {
    Lay(title, text);
    base_.assign(static_cast<std::size_t>(width_) * height_, kBackground);
    PaintBase();
    pixels_ = base_;
}

void InformationBoxPicture::Lay(const std::string& title, const std::string& text) {
    if (!title.empty())
        heading_ = headingFont_->Render(title);
    std::vector<std::string> lines = WrapText(*bodyFont_, text, kTextWidth);
    if (lines.size() > kMostLines) {
        lines.resize(kMostLines);
        lines.back() = withEllipsis(*bodyFont_, lines.back(), kTextWidth);
    }
    for (const std::string& line : lines)
        lines_.push_back(bodyFont_->Render(line));

    textTop_ = kMargin + (heading_.height > 0 ? heading_.height + kHeadingGap : 0);
    const int lineHeight = bodyFont_->Measure("").height + kLineSpacing;
    const int textBottom = textTop_ + static_cast<int>(lines_.size()) * lineHeight - kLineSpacing;
    const int contentBottom = std::max(kMargin + kMarkSize, textBottom) + kMargin;
    width_ = kWidth;
    height_ = contentBottom + kFooterHeight;
    const int buttonTop = contentBottom + (kFooterHeight - kButtonHeight) / 2;
    button_ = {width_ - kMargin - kButtonWidth, buttonTop, width_ - kMargin, buttonTop + kButtonHeight};
}

void InformationBoxPicture::PaintBase() {
    Canvas canvas(base_, width_, height_);
    canvas.Fill({0, 0, width_, kAccentStrip}, kAccent);
    canvas.Fill({0, height_ - kFooterHeight, width_, height_}, kFooter);
    canvas.Fill({0, height_ - kFooterHeight, width_, height_ - kFooterHeight + 1}, kSeparator);
    // A hairline frame keeps the box's edge visible on a dark desktop.
    canvas.Fill({0, 0, 1, height_}, kSeparator);
    canvas.Fill({width_ - 1, 0, width_, height_}, kSeparator);
    canvas.Fill({0, height_ - 1, width_, height_}, kSeparator);

    // The information mark: a dot over a stem, cut out of an accent disc.
    const Rect mark{kMargin, kMargin, kMargin + kMarkSize, kMargin + kMarkSize};
    canvas.FillRounded(mark, kMarkSize / 2.0, kAccent, kAccent);
    const int middle = mark.Left + kMarkSize / 2;
    canvas.FillRounded({middle - 2, mark.Top + 8, middle + 2, mark.Top + 12}, 2.0, kMarkInk, kMarkInk);
    canvas.FillRounded({middle - 2, mark.Top + 15, middle + 2, mark.Top + 28}, 1.5, kMarkInk, kMarkInk);

    canvas.Text(heading_, kTextLeft, kMargin, kHeadingInk);
    const int lineHeight = bodyFont_->Measure("").height + kLineSpacing;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        canvas.Text(lines_[i], kTextLeft, textTop_ + static_cast<int>(i) * lineHeight, kBodyInk);
}

void InformationBoxPicture::PaintButton(const ButtonLook& look) {
    Canvas canvas(pixels_, width_, height_);
    if (look.focused) {
        const int outset = kFocusGap + static_cast<int>(std::ceil(kFocusThickness));
        canvas.StrokeRounded(
            {button_.Left - outset, button_.Top - outset, button_.Right + outset, button_.Bottom + outset},
            kButtonRadius + outset, kFocusThickness, kFocusRing);
    }
    const ButtonFace& face = look.pressed ? kButtonPressed : look.hover ? kButtonHovered : kButtonAtRest;
    canvas.FillRounded(button_, kButtonRadius, face.top, face.bottom);
    canvas.StrokeRounded(button_, kButtonRadius, 1.0, face.edge);
    const TextCoverage caption = buttonFont_->Render("OK");
    const int sink = look.pressed ? 1 : 0; // the caption goes down with the face
    canvas.Text(caption, button_.Left + (button_.Width() - caption.width) / 2,
                button_.Top + (button_.Height() - caption.height) / 2 + sink, face.caption);
}

const std::vector<std::uint32_t>& InformationBoxPicture::Paint(const ButtonLook& look) {
    std::copy(base_.begin(), base_.end(), pixels_.begin());
    PaintButton(look);
    return pixels_;
}

} // namespace platform::x11
