#include "tests/support/DesktopUser.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace testing_support {

std::vector<Window> childrenOf(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    XQueryTree(display, window, &root, &parent, &list, &count);
    std::vector<Window> result(list, list + count);
    if (list != nullptr)
        XFree(list);
    return result;
}

Window topLevelNamed(Display* display, const std::string& title) {
    Window found = 0;
    for (Window window : childrenOf(display, DefaultRootWindow(display))) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) != 0 && name == title)
            found = window;
        if (name != nullptr)
            XFree(name);
    }
    return found;
}

std::vector<Window> shownTopLevelsNamed(Display* display, const std::string& title) {
    std::vector<Window> found;
    for (Window window : childrenOf(display, DefaultRootWindow(display))) {
        char* name = nullptr;
        XWindowAttributes attributes{};
        if (XFetchName(display, window, &name) != 0 && name == title &&
            XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable)
            found.push_back(window);
        if (name != nullptr)
            XFree(name);
    }
    return found;
}

Window focusedWindow(Display* display) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus;
}

bool stackedAbove(Display* display, Window upper, Window lower) {
    const std::vector<Window> order = childrenOf(display, DefaultRootWindow(display)); // bottom to top
    const auto upperAt = std::find(order.begin(), order.end(), upper);
    const auto lowerAt = std::find(order.begin(), order.end(), lower);
    return upperAt != order.end() && lowerAt != order.end() && upperAt > lowerAt;
}

void closeByWindowManager(Display* display, Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XSync(display, False);
}

Window hostWindow(Display* display, int x, int y, int width, int height) {
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

Window windowWithoutConnection(int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 0;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, window);
    XSetCloseDownMode(display, RetainPermanent);
    XCloseDisplay(display);
    return window;
}

Shown shownBy(Display* display, Window window, int width, int height) {
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    Shown result{width, height, {}};
    result.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            result.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xffffff);
    XDestroyImage(image);
    return result;
}

void movePointer(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
}

void pressButton(Display* display, unsigned number, bool down) {
    XTestFakeButtonEvent(display, number, down ? True : False, CurrentTime);
    XSync(display, False);
}

} // namespace testing_support
