// The editor's zoom: the layout's own pixels (where controls sit, what they hit, how far a drag goes)
// against the device pixels the window, its back buffer and the zoomed pictures are made of. Every
// layout edge v lies on the device edge floor(v × percent / 100 + 1/2), so neighbouring rectangles
// still meet without a gap or an overlap at 150 %.
#pragma once

#include "platform/Window.h"

namespace toolkit {

class TZoom {
  public:
    constexpr TZoom() = default;
    constexpr explicit TZoom(int percent) : percent_(percent > 0 ? percent : 100) {}

    constexpr int Percent() const { return percent_; }
    constexpr bool IsUnit() const { return percent_ == 100; }

    // The device edge of a layout edge.
    constexpr int Device(int layout) const { return floorDiv(2 * layout * percent_ + 100, 200); }
    platform::Rect Device(const platform::Rect& layout) const {
        return {Device(layout.Left), Device(layout.Top), Device(layout.Right), Device(layout.Bottom)};
    }
    // The layout pixel whose device span holds device pixel d (a mouse position).
    constexpr int Layout(int device) const {
        int v = floorDiv(device * 100, percent_);
        while (Device(v + 1) <= device)
            ++v;
        while (Device(v) > device)
            --v;
        return v;
    }
    // The smallest layout rectangle whose device rectangle covers the device rectangle given.
    platform::Rect LayoutCover(const platform::Rect& device) const {
        if (device.Empty())
            return {};
        return {Layout(device.Left), Layout(device.Top), Layout(device.Right - 1) + 1,
                Layout(device.Bottom - 1) + 1};
    }

    constexpr bool operator==(const TZoom&) const = default;

  private:
    static constexpr int floorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

    int percent_ = 100;
};

} // namespace toolkit
