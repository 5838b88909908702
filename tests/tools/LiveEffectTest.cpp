// The effect between an audio server's blocks, as `live` runs it: the server's block size and rate
// may change while it plays, and the effect follows them. The delay fixture shows every frame: its
// output is its input one millisecond later, a latency it works out from the rate it was told.
#include "tools/tmx1-host/LiveEffect.h"
#include "tools/tmx1-host/EffectSetup.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace host;

// The server's side: a stream of distinct samples, handed over in blocks of any size and rate.
struct Server {
    explicit Server(LiveEffect& live) : live(live) {}

    LiveEffect& live;
    long sent = 0;
    std::vector<float> in, out;

    // Sends a block; answers what came out.
    std::vector<float> block(int frames, int rate) {
        std::vector<float> inputs(static_cast<std::size_t>(frames)), left(inputs.size()),
            right(inputs.size());
        for (float& sample : inputs)
            sample = static_cast<float>(++sent) / 65536.0f;
        live.Process({inputs.data(), inputs.data(), left.data(), right.data(), frames, rate});
        EXPECT_EQ(left, right);
        in.insert(in.end(), inputs.begin(), inputs.end());
        out.insert(out.end(), left.begin(), left.end());
        return left;
    }
};

TEST(LiveEffect, BlocksOfAnotherSizePassWholeAndAnotherRateIsSilentUntilTheEffectIsPreparedForIt) {
    Host host;
    const std::unique_ptr<HostedEffect> effect = openEffect(host, FIXTURE_DELAY);
    LiveEffect live(*effect, {48000, 256});
    EXPECT_EQ(live.latency(), 48);
    Server server{live};
    server.block(256, 48000);
    EXPECT_FALSE(live.follow()) << "nothing changed";

    // Twice the size: taken in two pieces at once, then the effect is prepared for it (and starts
    // afresh, as a resumed effect does).
    server.block(512, 48000);
    for (std::size_t i = 0; i < server.out.size(); ++i)
        ASSERT_EQ(server.out[i], i < 48 ? 0.0f : server.in[i - 48]) << "frame " << i;
    EXPECT_TRUE(live.follow());
    EXPECT_EQ(live.format().blockFrames, 512);
    EXPECT_EQ(live.format().sampleRate, 48000);

    // Another rate: silence rather than the effect at the wrong rate, until it is prepared for it.
    for (float sample : server.block(512, 44100))
        ASSERT_EQ(sample, 0.0f);
    EXPECT_TRUE(live.follow());
    EXPECT_EQ(live.format().sampleRate, 44100);
    EXPECT_EQ(live.latency(), 44);
    const std::vector<float> out = server.block(512, 44100);
    const std::size_t start = server.in.size() - 512;
    for (std::size_t i = 0; i < 512; ++i)
        ASSERT_EQ(out[i], i < 44 ? 0.0f : server.in[start + i - 44]) << "frame " << i;
    EXPECT_FALSE(live.follow());
}

} // namespace
