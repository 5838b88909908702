#include "editor/PanelMenu.h"

#include "editor/ZoomChoice.h"
#include "platform/Font.h"
#include "toolkit/Canvas.h"
#include "toolkit/WinControl.h"

#include <algorithm>
#include <cmath>

namespace tmx1 {

namespace {

// Layout pixels.
constexpr int kRowHeight = 17;
constexpr int kCheckColumn = 20;
constexpr int kRightPadding = 12;
constexpr int kBorder = 1;

// Colours as 0x00BBGGRR.
constexpr toolkit::TColor kBackground = 0x1E1C1B;
constexpr toolkit::TColor kFrame = 0x8C8884;
constexpr toolkit::TColor kHighlight = 0x6A5236;
constexpr toolkit::TColor kText = 0xDCD8D6;
constexpr toolkit::TColor kDimText = 0xA09A96;

std::string entryCaption(int percent) { return "Zoom " + std::to_string(percent) + " %"; }

// A check mark as coverage of side device pixels: two strokes, anti-aliased by their distance.
platform::TextCoverage checkMark(int side) {
    platform::TextCoverage mark;
    mark.width = side;
    mark.height = side;
    mark.alpha.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    const double s = side;
    const double points[3][2] = {{0.12 * s, 0.55 * s}, {0.40 * s, 0.82 * s}, {0.90 * s, 0.18 * s}};
    const double halfWidth = std::max(0.75, s / 9.0);
    const auto distance = [](double px, double py, const double* a, const double* b) {
        const double dx = b[0] - a[0];
        const double dy = b[1] - a[1];
        const double t = std::clamp(((px - a[0]) * dx + (py - a[1]) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(px - a[0] - t * dx, py - a[1] - t * dy);
    };
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double d = std::min(distance(px, py, points[0], points[1]), distance(px, py, points[1], points[2]));
            const double ink = std::clamp(halfWidth + 0.5 - d, 0.0, 1.0);
            mark.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(std::lround(ink * 255.0));
        }
    return mark;
}

} // namespace

TPanelMenu::TPanelMenu(toolkit::TComponent* owner) : TControl(owner), font_(std::make_unique<toolkit::TFont>()) {
    font_->SetName("Arial");
    font_->SetHeight(-11);
    SetVisible(false);
}

TPanelMenu::~TPanelMenu() = default;

void TPanelMenu::Open(int x, int y, int currentPercent, int pendingPercent,
                     const std::vector<std::string>& presetNames) {
    entries_.clear();
    for (int percent : kZoomSteps)
        entries_.push_back({Action::zoom, percent, entryCaption(percent), percent == currentPercent});
    entries_.push_back({Action::savePreset, 0, "Save Preset", false});
    for (std::size_t i = 0; i < std::min(presetNames.size(), kListedPresets); ++i)
        entries_.push_back({Action::loadPreset, static_cast<int>(i), "Load " + presetNames[i], false});
    note_ = pendingPercent != 0 && pendingPercent != currentPercent
                ? std::to_string(pendingPercent) + " % from the next opening of the panel"
                : std::string();
    hover_ = -1;

    int textWidth = 0;
    if (const platform::Font* face = font_->Face()) {
        for (const Entry& entry : entries_)
            textWidth = std::max(textWidth, face->Measure(entry.caption).width);
        if (!note_.empty())
            textWidth = std::max(textWidth, face->Measure(note_).width);
    }
    const int rows = EntryCount() + (note_.empty() ? 0 : 1);
    const int width = 2 * kBorder + kCheckColumn + textWidth + kRightPadding;
    const int height = 2 * kBorder + rows * kRowHeight;
    // All of the menu shows on the panel: it opens up or to the left of the click where it must.
    const int parentWidth = Parent() != nullptr ? Parent()->Width() : width;
    const int parentHeight = Parent() != nullptr ? Parent()->Height() : height;
    const int left = std::max(0, std::min(x, parentWidth - width));
    const int top = std::max(0, std::min(y, parentHeight - height));
    SetBounds(left, top, width, height);
    SetVisible(true);
    Invalidate();
}

void TPanelMenu::Close() {
    if (!Visible())
        return;
    hover_ = -1;
    SetVisible(false);
}

platform::Rect TPanelMenu::EntryRect(int index) const {
    const int top = Top() + kBorder + index * kRowHeight;
    return {Left() + kBorder, top, Left() + Width() - kBorder, top + kRowHeight};
}

int TPanelMenu::EntryAt(int x, int y) const {
    for (int i = 0; i < EntryCount(); ++i)
        if (EntryRect(i).Contains(x, y))
            return i;
    return -1;
}

void TPanelMenu::SetHover(int index) {
    if (index == hover_)
        return;
    hover_ = index;
    Invalidate();
}

void TPanelMenu::Mouse(const platform::MouseEvent& event) {
    if (!IsOpen())
        return;
    switch (event.kind) {
    case platform::MouseEventKind::Move:
        SetHover(EntryAt(event.x, event.y));
        break;
    case platform::MouseEventKind::Leave:
        SetHover(-1);
        break;
    case platform::MouseEventKind::Press: {
        const int index = event.button == platform::MouseButton::Left ? EntryAt(event.x, event.y) : -1;
        Close();
        if (index >= 0)
            Choose(entries_[static_cast<std::size_t>(index)]);
        break;
    }
    case platform::MouseEventKind::Release:
        break;
    }
}

void TPanelMenu::Choose(const Entry& entry) const {
    if (entry.action == Action::zoom && OnChoose)
        OnChoose(entry.value);
    if (entry.action == Action::savePreset && OnSavePreset)
        OnSavePreset();
    if (entry.action == Action::loadPreset && OnLoadPreset)
        OnLoadPreset(entry.value);
}

void TPanelMenu::PaintText(toolkit::TCanvas& canvas, const std::string& text, int x, int rowTop,
                          toolkit::TColor color) const {
    const platform::Font* unit = font_->Face();
    const platform::Font* face = font_->Face(canvas.Zoom());
    if (unit == nullptr || face == nullptr)
        return;
    const int y = rowTop + (kRowHeight - unit->Measure(text).height) / 2;
    canvas.DrawCoverage(x, y, face->Render(text), color);
}

void TPanelMenu::Paint(toolkit::TCanvas& canvas) {
    const platform::Rect all = ClientRect();
    canvas.FillRect(all, kFrame);
    canvas.FillRect({kBorder, kBorder, all.Right - kBorder, all.Bottom - kBorder}, kBackground);
    const int markSide = canvas.Zoom().Device(9);
    for (int i = 0; i < EntryCount(); ++i) {
        const Entry& entry = entries_[static_cast<std::size_t>(i)];
        const int rowTop = kBorder + i * kRowHeight;
        if (i == hover_)
            canvas.FillRect({kBorder, rowTop, all.Right - kBorder, rowTop + kRowHeight}, kHighlight);
        // A line between the zoom steps and the presets.
        if (entry.action == Action::savePreset)
            canvas.FillRect({kBorder + 4, rowTop, all.Right - kBorder - 4, rowTop + 1}, kFrame);
        if (entry.checked)
            canvas.DrawCoverage(kBorder + 6, rowTop + 4, checkMark(markSide), kText);
        PaintText(canvas, entry.caption, kBorder + kCheckColumn, rowTop, kText);
    }
    if (!note_.empty())
        PaintText(canvas, note_, kBorder + kCheckColumn, kBorder + EntryCount() * kRowHeight, kDimText);
}

} // namespace tmx1
