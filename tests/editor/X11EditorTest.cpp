// The built plug-in's editor in a real X server, opened by a host through the loaded library's
// dispatcher inside a window of the host's: what it shows against the headless composition of the
// same state, a knob dragged with synthesised input, hosts that destroy their window first, and
// handles that name no window. The information box has tests of its own.
#include "tests/editor/X11EditorFixture.h"

#include "tests/support/DesktopUser.h"
#include "tests/support/HeadlessComposition.h"

#include <sys/mman.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

namespace {

using testing_support::X11Editor;
using testing_support::openDescriptors;

TEST_F(X11Editor, ShowsExactlyWhatTheHeadlessCompositionShows) {
    plugin->setParameter(0, 0.3f);
    plugin->dispatch(vst::effSetProgram, 0, 4);
    open();
    // The same effect state composed off-screen by a second editor instance.
    const testing_support::Shown composed = testing_support::headlessComposition(host, 4, 100);
    int differing = 0;
    idleUntil([&] {
        differing =
            testing_support::differingPixels(testing_support::shownBy(display, parent, 570, 265), composed);
        return differing == 0;
    });
    EXPECT_EQ(differing, 0);
}

TEST_F(X11Editor, ADragReachesTheEffectAndTheHost) {
    open();
    idleFor(100);
    host.clearRequests();
    pointer(168, 103); // the threshold knob's centre, at 0 dB
    button(true);
    idleFor(30);
    pointer(168, 98);
    idleFor(30);
    pointer(168, -20); // above the editor, outside it: the drag goes on
    idleFor(30);
    button(false);
    EXPECT_TRUE(idleUntil([&] { return plugin->getParameter(0) == 1.0f; }))
        << "dragged past the top of the range";
    bool automated = false;
    for (const host::HostRequest& request : host.requests())
        automated = automated || (request.opcode == vst::audioMasterAutomate && request.index == 0);
    EXPECT_TRUE(automated);
}

TEST_F(X11Editor, TheHostDestroysItsWindowBeforeClosingTheEditor) {
    open();
    idleFor(50);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = 0;
    plugin->dispatch(vst::effEditIdle);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    // A later opening in a new window works as before.
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 570, 265, 0, 0, 0);
    XSync(display, False);
    open();
    idleFor(30);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
}

TEST_F(X11Editor, AnInvalidParentIsRefusedAndRepeatedOpeningLeavesNothing) {
    EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x7654321})), 0);
    for (int i = 0; i < 20; ++i) {
        open();
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditClose);
    }
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    if (children != nullptr)
        XFree(children);
    EXPECT_EQ(count, 0u);
}

// A host that passes a handle naming no window: a destroyed window, memory it freed or unmapped, or
// any value at all, within the range of X ids or beyond it. The plug-in must ask the server rather
// than read through the handle, and an id must not be cut to the 32 bits Xlib sends.
TEST_F(X11Editor, HandlesThatNameNoWindowAreRefusedUnreadAndLeaveNothing) {
    std::vector<void*> handles{nullptr};
    const Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, gone);
    XSync(display, False);
    handles.push_back(reinterpret_cast<void*>(static_cast<std::uintptr_t>(gone)));
    handles.push_back(
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent) | (std::uintptr_t{1} << 32)));
    auto* freed = new std::uint64_t[4]{};
    handles.push_back(freed);
    delete[] freed;
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    munmap(page, 4096);
    handles.push_back(page);
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 100; ++i) {
        handles.push_back(reinterpret_cast<void*>(static_cast<std::uintptr_t>(random())));
        handles.push_back(reinterpret_cast<void*>(static_cast<std::uintptr_t>(random() & 0x1FFFFFFF)));
    }

    const std::size_t descriptors = openDescriptors();
    const std::size_t topLevels = testing_support::childrenOf(display, DefaultRootWindow(display)).size();
    for (void* handle : handles)
        EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, handle), 0) << handle;
    EXPECT_EQ(openDescriptors(), descriptors) << "a connection was left open";
    EXPECT_EQ(testing_support::childrenOf(display, DefaultRootWindow(display)).size(), topLevels);
    EXPECT_TRUE(testing_support::childrenOf(display, parent).empty()) << "the id was cut to 32 bits";
    EXPECT_EQ(plugin->dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);

    open(); // the effect goes on as before
    idleFor(30);
    EXPECT_EQ(testing_support::childrenOf(display, parent).size(), 1u);
}

} // namespace
