#include "platform/Window.h"

#include <algorithm>

namespace platform {

Rect Intersection(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
    return r.Empty() ? Rect{} : r;
}

Rect Union(const Rect& a, const Rect& b) {
    if (a.Empty())
        return b.Empty() ? Rect{} : b;
    if (b.Empty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

unsigned ButtonModifier(MouseButton button) {
    return button == MouseButton::Left    ? modLeftButton
           : button == MouseButton::Right ? modRightButton
                                          : modMiddleButton;
}

Rect Offset(const Rect& r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

} // namespace platform
