// The meters: level bars (covers over lit columns of the plate), gain-reduction bars growing downward,
// and above each pair a label with the held extremes of its two channels.
#include "editor/uEditor.h"

#include "DIB/cDIB.h"
#include "DIB/cDIBImage.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/NumberText.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

namespace tmx1 {

namespace {

constexpr float kEmptyHold = -100.0f;
constexpr std::size_t kHoldWidth = 5;

// The floor keeps a zero level finite: dB(0) = -400.
float decibels(float x) {
    return static_cast<float>(20.0L * std::log(static_cast<long double>(x) + 1e-20L) / std::log(10.0L));
}

std::string holdNumber(float hold, char decimalSeparator) {
    return toolkit::formatFixed(hold, 2, 1, decimalSeparator).substr(0, kHoldWidth);
}

// A hold as the label shows it: out-of-range values become "-oo" or "99+".
std::string holdText(float hold, char decimalSeparator) {
    if (std::isnan(hold) || hold < -99.0f)
        return "-oo";
    if (hold > 99.0f)
        return "99+";
    return holdNumber(hold, decimalSeparator);
}

} // namespace

std::string MeterHoldCaption(float left, float right, char decimalSeparator) {
    std::string a = holdText(left, decimalSeparator);
    if (std::isnan(left) || left < -99.0f || left > 99.0f)
        a = " " + a; // " -oo" and " 99+" stand in four characters
    if (a.front() != '-')
        a = (" " + a).substr(0, kHoldWidth);
    if (std::fabs(left) < 10.0f)
        a = (" " + a).substr(0, kHoldWidth);
    return a + " " + holdText(right, decimalSeparator);
}

void TPluginEditorWindow::UpdateLevelBar(int index, toolkit::TImage& cover) {
    const auto k = static_cast<std::size_t>(index);
    const float d = decibels(MeterLevels[k]);
    std::int64_t lit = kLevelPixelsPerDb * dib::Nearest(d) + kMeterColumnPixels;
    lit = std::clamp<std::int64_t>(lit, 0, kMeterColumnPixels);
    // Compared with the stored pixel count, not the widget: a steady level repaints nothing.
    if (lit != LevelHeights[k])
        cover.SetHeight(kMeterColumnPixels - static_cast<int>(lit));
    LevelHeights[k] = static_cast<std::int16_t>(lit);
    if (d > PeakHolds[k])
        PeakHolds[k] = d;
}

void TPluginEditorWindow::UpdateGainBar(int index, toolkit::TImage& bar) {
    const auto k = static_cast<std::size_t>(index);
    const float d = decibels(MeterGains[k]);
    std::int64_t pixels = 2 * dib::Nearest(d) * GainScale;
    // The upper bound is a gain of +6000 dB.
    pixels = std::clamp<std::int64_t>(pixels, -kMeterColumnPixels, kMeterColumnPixels * 100);
    if (pixels != GainHeights[k])
        bar.SetHeight(pixels > 0 ? 0 : static_cast<int>(-pixels)); // a gain above 1 shows nothing
    GainHeights[k] = static_cast<std::int16_t>(pixels);
    if (std::fabs(d) > std::fabs(GainHolds[k]))
        GainHolds[k] = d;
}

void TPluginEditorWindow::ShowHolds(toolkit::TLabel& label, float left, float right) const {
    label.SetCaption(MeterHoldCaption(left, right, decimalSeparator_));
}

void TPluginEditorWindow::UpdateMeter() {
    for (std::size_t g = 0; g < kMeterGroups.size(); ++g) {
        const MeterGroup& group = kMeterGroups[g];
        const bool level = group.kind == MeterKind::level;
        for (int side = 0; side < 2; ++side) {
            toolkit::TImage& bar = *meters_[g].bars[static_cast<std::size_t>(side)];
            if (level)
                UpdateLevelBar(group.firstChannel + side, bar);
            else
                UpdateGainBar(group.firstChannel + side, bar);
        }
        const std::span<const float> holds = level ? std::span<const float>(PeakHolds) : GainHolds;
        const auto left = static_cast<std::size_t>(group.firstChannel);
        ShowHolds(*meters_[g].label, holds[left], holds[left + 1]);
    }
}

void TPluginEditorWindow::ShowOverCompression(bool latched) {
    // Assigned only on a change, so a steady indicator is not repainted.
    if (latched) {
        if (OC_LED->Opacity() < 255)
            OC_LED->SetOpacity(255);
    } else if (OC_LED->Opacity() > 0) {
        OC_LED->SetOpacity(0);
    }
}

void TPluginEditorWindow::MeterLabelClick(toolkit::TPersistent*) {
    PeakHolds.fill(kEmptyHold);
    GainHolds.fill(0.0f);
}

} // namespace tmx1
