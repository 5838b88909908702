// A host whose X server goes away while the built plug-in's editor is open in the host's window: the
// editor ends, the host process and its audio do not. Xlib's own answer to a lost server is to end
// the process, so the fault this catches ends the whole test program rather than failing one case.
#include "tests/support/LoadedPlugin.h"

#include "tests/support/DesktopUser.h"
#include "tests/support/XvfbServer.h"
#include "tools/tmx1-host/ActiveEffect.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr float kSampleRate = 44100.0f;
constexpr int kBlockFrames = 256;
constexpr int kBlocks = 240;
constexpr std::size_t kFrames = static_cast<std::size_t>(kBlocks) * kBlockFrames;
// Two instances differ only in their dither, seeded from the clock: noise some 150 dB down.
constexpr float kDitherTolerance = 1e-6f;

struct Stereo {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);
};

// A tone with loud bursts every 50 ms, so that the effect compresses and releases throughout.
Stereo testSignal() {
    Stereo signal;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double burst = std::fmod(t, 0.05) < 0.01 ? 0.9 : 0.2;
        signal.left[i] = static_cast<float>(burst * std::sin(2.0 * M_PI * 220.0 * t));
        signal.right[i] = static_cast<float>(burst * std::sin(2.0 * M_PI * 330.0 * t));
    }
    return signal;
}

void processBlock(host::ActiveEffect& active, const Stereo& in, Stereo& out, int block) {
    const std::size_t at = static_cast<std::size_t>(block) * kBlockFrames;
    active.process(in.left.data() + at, in.right.data() + at, out.left.data() + at, out.right.data() + at,
                   kBlockFrames);
}

float largestDifference(const Stereo& a, const Stereo& b) {
    float largest = 0.0f;
    for (std::size_t i = 0; i < kFrames; ++i)
        largest = std::max({largest, std::fabs(a.left[i] - b.left[i]), std::fabs(a.right[i] - b.right[i])});
    return largest;
}

class ServerLoss : public testing_support::LoadedPlugin {
  protected:
    void idleFor(std::chrono::milliseconds duration) {
        for (auto elapsed = 0ms; elapsed < duration; elapsed += 10ms) {
            plugin->dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(10ms);
        }
    }
};

TEST_F(ServerLoss, TheEditorEndsWhileTheHostAndItsAudioGoOnUnchanged) {
    // The host keeps Xlib's own handler, as most do: on its own it would end the process.
    const XIOErrorHandler hosts = XSetIOErrorHandler(nullptr);
    XSetIOErrorHandler(hosts);
    testing_support::XvfbServer server;
    const testing_support::DisplayVariable pointed(server.display());
    const Window parent = testing_support::windowWithoutConnection(570, 265);
    ASSERT_NE(parent, 0u);
    void* handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));

    const Stereo input = testSignal();
    Stereo withEditor;
    {
        host::ActiveEffect active(*plugin, kSampleRate, kBlockFrames);
        ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, handle), 1);
        std::atomic<int> processed{0};
        std::atomic<bool> serverGone{false};
        std::thread audio([&] {
            for (int block = 0; block < kBlocks; ++block) {
                // The second half plays after the server has gone, however slowly the machine runs.
                while (block == kBlocks / 2 && !serverGone.load())
                    std::this_thread::sleep_for(1ms);
                processBlock(active, input, withEditor, block);
                processed.store(block + 1);
                std::this_thread::sleep_for(1ms);
            }
        });
        while (processed.load() < kBlocks / 4)
            idleFor(10ms);
        server.kill();
        serverGone.store(true);
        idleFor(100ms);
        EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
        EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, handle), 0) << "no server, no editor";
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditClose);
        audio.join();
    }
    EXPECT_EQ(plugin->close(), 1);
    EXPECT_EQ(XSetIOErrorHandler(hosts), hosts) << "the host's handler is in place again";

    host::HostedEffect reference(host, testing_support::tmx1Library());
    Stereo withoutEditor;
    {
        host::ActiveEffect active(reference, kSampleRate, kBlockFrames);
        for (int block = 0; block < kBlocks; ++block)
            processBlock(active, input, withoutEditor, block);
    }
    EXPECT_LT(largestDifference(withEditor, withoutEditor), kDitherTolerance);
    EXPECT_GT(largestDifference(withEditor, Stereo{}), 0.1f) << "music came out, not silence";
}

} // namespace
