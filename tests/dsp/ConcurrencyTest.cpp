// A host that changes parameters, switches programs and idles the editor on its own thread while
// the audio thread processes. Run under ThreadSanitizer (scripts/test builds it that way too), this
// finds any field the two threads share without an atomic.
#include "platform/headless/Screen.h"
#include "tests/dsp/APluginProbe.h"
#include "tools/tmx1-host/EditorOnScreen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

TEST(Concurrency, EditsProgramsAndEditorIdleWhileAudioRuns) {
    tmx1::APlugin plugin(dsp_testing::silentHost);
    plugin.setSampleRate(48000.0f);
    plugin.resume();

    std::atomic<bool> stop{false};
    std::atomic<bool> allFinite{true};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float phase = 0.0f;
        while (!stop.load()) {
            for (std::size_t i = 0; i < left.size(); ++i, phase += 0.05f) {
                left[i] = 0.9f * std::sin(phase);
                right[i] = 0.6f * std::sin(1.3f * phase);
            }
            float* io[2] = {left.data(), right.data()};
            plugin.processReplacing(io, io, 256);
            for (float y : left)
                if (!std::isfinite(y))
                    allFinite = false;
            ++blocks;
        }
    });

    platform::headless::Screen screen;
    tmx1::AEffEditor& bridge = *plugin.getEditor();
    // Both sides keep going until each has done plenty while the other was running.
    for (int i = 0; i < 5000 || blocks.load() < 500; ++i) {
        plugin.setParameter(i % 10, static_cast<float>(i % 7) / 7.0f);
        if (i % 100 == 0)
            plugin.setProgram(i / 100 % 10);
        char text[64];
        plugin.getParameterDisplay(tmx1::kReleaseType, text);
        if (i % 500 == 0)
            host::openEditorOnScreen(*plugin.getAeffect(), screen);
        bridge.idle();
        if (i % 500 == 250)
            bridge.close();
        plugin.requestOcAcknowledge();
        (void)plugin.meterValue(i % tmx1::kNumMeters);
    }
    plugin.setParameter(tmx1::kGain, 0.25f);
    stop = true;
    audio.join();

    EXPECT_TRUE(allFinite.load());
    EXPECT_EQ(plugin.getParameter(tmx1::kGain), 0.25f) << "the last edit is the one that stays";
}

} // namespace
