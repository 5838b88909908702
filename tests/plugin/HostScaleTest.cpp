// The editor scale a host announces to every plug-in, kept for the editor.
#include "plugin/APlugin.h"
#include "plugin/VendorRequests.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

vst::IntPtr quietHost(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

class HostScale : public ::testing::Test {
  protected:
    vst::IntPtr announce(vst::Int32 index, vst::IntPtr value, float scale, void* ptr = nullptr) {
        vst::AEffect* record = plugin.getAeffect();
        return record->dispatcher(record, vst::effVendorSpecific, index, value, ptr, scale);
    }

    tmx1::APlugin plugin{quietHost};
};

TEST_F(HostScale, NothingIsKeptBeforeTheHostAnnouncesAScale) { EXPECT_EQ(plugin.hostWindowScale(), 0.0f); }

TEST_F(HostScale, TheAnnouncedFactorIsKeptAndTheLatestWins) {
    EXPECT_EQ(announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue, 1.5f), 1);
    EXPECT_EQ(plugin.hostWindowScale(), 1.5f);
    EXPECT_EQ(announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue, 2.0f, &plugin), 1)
        << "whatever the host passes in ptr, the factor is in opt";
    EXPECT_EQ(plugin.hostWindowScale(), 2.0f);
}

// The editor judges what a factor is worth; the effect keeps even a broken one, so that it does not
// stay with an older, sensible-looking one the host has taken back.
TEST_F(HostScale, ABrokenFactorIsKeptAsItCame) {
    announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue, 1.5f);
    EXPECT_EQ(announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue, NAN), 1);
    EXPECT_TRUE(std::isnan(plugin.hostWindowScale()));
}

TEST_F(HostScale, OtherRequestsWithAFactorInOptLeaveTheScaleAlone) {
    announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue, 1.5f);
    EXPECT_EQ(announce(tmx1::kHostScaleIndex, tmx1::kHostScaleValue + 1, 3.0f), 0);
    EXPECT_EQ(announce(tmx1::kHostScaleIndex + 1, tmx1::kHostScaleValue, 3.0f), 0);
    EXPECT_EQ(announce(tmx1::kMakerCode, tmx1::kHostScaleValue, 3.0f), 0);
    EXPECT_EQ(announce(static_cast<vst::Int32>(tmx1::kHostScaleValue), tmx1::kHostScaleIndex, 3.0f), 0)
        << "index and value swapped";
    EXPECT_EQ(plugin.hostWindowScale(), 1.5f);
}

} // namespace
