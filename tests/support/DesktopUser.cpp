#include "tests/support/DesktopUser.h"

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

} // namespace testing_support
