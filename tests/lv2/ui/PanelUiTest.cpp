// The LV2 panel on the headless screen, fed and read only through its ports, against the VST editor
// of the same effect code in the same state: the same pixels, the same values for the same gestures.
#include "lv2/PortMap.h"
#include "lv2/ui/PanelUi.h"

#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "editor/PanelMenu.h"
#include "editor/uEditor.h"
#include "platform/headless/Screen.h"
#include "plugin/APlugin.h"
#include "plugin/APluginEditor.h"
#include "dsp/APluginProgram.h"
#include "tests/support/UserSettingsSandbox.h"
#include "tools/tmx1-host/EditorOnScreen.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace {

using namespace tmx1;
using namespace tmx1::lv2;

vst::IntPtr quietHost(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

class LV2Panel : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.emplace(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        ui.reset();
        settings.reset();
    }

    void openUi(double hostScale = 0.0) {
        PanelUiHost host;
        host.writePort = [this](int port, float value) {
            written.push_back({port, value});
            portRequests.push_back({'w', port});
        };
        if (hostTouches)
            host.touch = [this](int port, bool grabbed) { portRequests.push_back({grabbed ? 'g' : 'r', port}); };
        host.resize = [this](int width, int height) {
            resizes.push_back({width, height});
            return hostResizes;
        };
        host.parent = platform::ParentWindow::Headless(uiScreen);
        host.hostScale = hostScale;
        ui = std::make_unique<PanelUi>(host);
    }
    // The VST editor of an effect, on a screen of its own.
    void openVst() {
        effect = std::make_unique<APlugin>(quietHost);
        ASSERT_EQ(host::openEditorOnScreen(*effect->getAeffect(), vstScreen), 1);
        effect->dispatcher(vst::effEditIdle, 0, 0, nullptr, 0.0f);
    }
    // As a host does: every port's value, then the UI's idle.
    void sendAllParameters(const std::array<float, kNumParams>& values) {
        for (int p = 0; p < kNumParams; ++p)
            if (PortOfParameter(p) >= 0)
                ui->PortEvent(PortOfParameter(p), static_cast<float>(PortValueOf(p, values[static_cast<std::size_t>(p)])));
        ui->Idle();
    }
    // Pixels that differ between the two screens' newest windows.
    int differingPixels() const {
        const platform::headless::HeadlessWindow& a = uiScreen.LastWindow();
        const platform::headless::HeadlessWindow& b = vstScreen.LastWindow();
        EXPECT_EQ(a.Width(), b.Width());
        EXPECT_EQ(a.Height(), b.Height());
        int differing = 0;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                differing += a.ScreenPixel(x, y) != b.ScreenPixel(x, y) ? 1 : 0;
        return differing;
    }
    // The last value written to each port.
    std::map<int, float> lastWritten() const {
        std::map<int, float> last;
        for (const auto& [port, value] : written)
            last[port] = value;
        return last;
    }
    void drag(platform::headless::Screen& screen, const toolkit::TControl& knob, int pixels) {
        platform::headless::HeadlessWindow& window = screen.LastWindow();
        const int x = knob.Left() + knob.Width() / 2;
        const int y = knob.Top() + knob.Height() / 2;
        window.Press(x, y);
        window.Move(x, y - pixels);
        window.Release(x, y - pixels);
    }
    void click(platform::headless::Screen& screen, const toolkit::TControl& control) {
        platform::headless::HeadlessWindow& window = screen.LastWindow();
        window.Press(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        window.Release(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
    }

    std::optional<testing_support::UserSettingsSandbox> settings;
    platform::headless::Screen uiScreen;
    platform::headless::Screen vstScreen;
    std::unique_ptr<PanelUi> ui;
    std::unique_ptr<APlugin> effect;
    std::vector<std::pair<int, float>> written;
    std::vector<std::pair<int, int>> resizes;
    bool hostResizes = true;
    bool hostTouches = false; // ui:touch is optional: only the test of it offers it
    // What the panel asked of the ports in order: 'g' touched (grabbed), 'w' written, 'r' let go.
    std::vector<std::pair<char, int>> portRequests;
};

TEST_F(LV2Panel, EveryFactoryProgramSentThroughThePortsShowsAsTheVstEditorShowsIt) {
    openUi();
    openVst();
    for (int program = 0; program < kNumPrograms; ++program) {
        SCOPED_TRACE(kFactoryPrograms[static_cast<std::size_t>(program)].name);
        effect->dispatcher(vst::effSetProgram, 0, program, nullptr, 0.0f);
        effect->dispatcher(vst::effEditIdle, 0, 0, nullptr, 0.0f);
        sendAllParameters(kFactoryPrograms[static_cast<std::size_t>(program)].values);
        EXPECT_EQ(differingPixels(), 0);
    }
    EXPECT_TRUE(written.empty()) << "port events are not echoed back to the plug-in";
}

TEST_F(LV2Panel, GesturesWriteThePortsThatGiveTheVstEditorsValues) {
    openUi();
    openVst();
    sendAllParameters(kFactoryPrograms[0].values);
    TPluginEditorWindow& lv2Window = ui->Window();
    auto* bridge = static_cast<APluginEditor*>(effect->getEditor());
    TPluginEditorWindow& vstWindow = *bridge->editorWindow();
    drag(uiScreen, *lv2Window.ThresholdControl, -17);
    drag(vstScreen, *vstWindow.ThresholdControl, -17);
    drag(uiScreen, *lv2Window.ReleaseControl, 23);
    drag(vstScreen, *vstWindow.ReleaseControl, 23);
    click(uiScreen, *lv2Window.BrickWallSwitch);
    click(vstScreen, *vstWindow.BrickWallSwitch);
    click(uiScreen, *lv2Window.RelType2);
    click(vstScreen, *vstWindow.RelType2);
    ui->Idle();
    effect->dispatcher(vst::effEditIdle, 0, 0, nullptr, 0.0f);

    const std::map<int, float> ports = lastWritten();
    for (int parameter : {kThreshold, kRelease, kBrickWall, kReleaseType}) {
        SCOPED_TRACE(kParameters[static_cast<std::size_t>(parameter)].name);
        const auto port = ports.find(PortOfParameter(parameter));
        ASSERT_NE(port, ports.end()) << "the gesture wrote its port";
        EXPECT_EQ(NormalisedOf(parameter, port->second), effect->getParameter(parameter))
            << "the port's value is the one the VST parameter holds";
    }
    EXPECT_EQ(differingPixels(), 0) << "and the two panels show the same";

    // A/B switches to memory B, whose values go out through the ports as the VST editor's do.
    written.clear();
    click(uiScreen, *lv2Window.ABSwitch);
    click(vstScreen, *vstWindow.ABSwitch);
    ui->Idle();
    effect->dispatcher(vst::effEditIdle, 0, 0, nullptr, 0.0f);
    const std::map<int, float> compared = lastWritten();
    EXPECT_EQ(compared.size(), static_cast<std::size_t>(kNumParameterPorts));
    for (const auto& [port, value] : compared)
        EXPECT_EQ(NormalisedOf(ParameterOfPort(port), value), effect->getParameter(ParameterOfPort(port))) << port;
    EXPECT_EQ(differingPixels(), 0);
}

TEST_F(LV2Panel, EachGestureTouchesItsPortsAroundTheirWrites) {
    hostTouches = true;
    openUi();
    sendAllParameters(kFactoryPrograms[0].values);
    TPluginEditorWindow& window = ui->Window();
    portRequests.clear();
    const int x = window.ThresholdControl->Left() + window.ThresholdControl->Width() / 2;
    const int y = window.ThresholdControl->Top() + window.ThresholdControl->Height() / 2;
    uiScreen.LastWindow().Press(x, y);
    uiScreen.LastWindow().Move(x, y - 5);
    uiScreen.LastWindow().Move(x, y - 10);
    uiScreen.LastWindow().Release(x, y - 10);
    const int threshold = PortOfParameter(kThreshold);
    const std::vector<std::pair<char, int>> drag{{'g', threshold}, {'w', threshold}, {'w', threshold}, {'r', threshold}};
    EXPECT_EQ(portRequests, drag);

    // A/B sends every parameter that has a port, each touched on its own.
    portRequests.clear();
    click(uiScreen, *window.ABSwitch);
    std::vector<std::pair<char, int>> each;
    for (int parameter = 0; parameter < kNumParams; ++parameter)
        if (const int port = PortOfParameter(parameter); port >= 0)
            each.insert(each.end(), {{'g', port}, {'w', port}, {'r', port}});
    EXPECT_EQ(portRequests, each);
}

TEST_F(LV2Panel, MetersAndTheOverCompressionLampComeFromTheOutputPorts) {
    openUi();
    ui->Idle();
    const int paints = uiScreen.LastWindow().PaintCount();
    ui->Idle();
    EXPECT_EQ(uiScreen.LastWindow().PaintCount(), paints) << "nothing changed, nothing painted";
    EXPECT_TRUE(written.empty());

    ui->PortEvent(kPortLevelInL, 0.5f);
    ui->PortEvent(kPortGainR, 0.25f);
    ui->PortEvent(kPortOverCompression, 1.0f);
    ui->Idle();
    TPluginEditorWindow& window = ui->Window();
    EXPECT_GT(window.LevelHeights[0], 0);
    EXPECT_LT(window.GainHeights[1], 0);
    EXPECT_EQ(window.OC_LED->Opacity(), 255);
    ASSERT_FALSE(written.empty()) << "the shown latch is acknowledged through its port";
    EXPECT_EQ(written.back().first, kPortOcAck);
    const float firstAck = written.back().second;
    ui->Idle();
    EXPECT_NE(written.back().second, firstAck) << "each acknowledgement is a new value";

    ui->PortEvent(kPortOverCompression, 0.0f);
    written.clear();
    ui->Idle();
    EXPECT_EQ(window.OC_LED->Opacity(), 0);
    EXPECT_TRUE(written.empty()) << "nothing to acknowledge";
}

TEST_F(LV2Panel, TheHostsScaleFactorZoomsThePanelAndTheMenuAsksTheHostToResize) {
    openUi(2.0);
    EXPECT_EQ(ui->Zoom(), 200);
    EXPECT_EQ(uiScreen.LastWindow().Width(), 1140);
    ASSERT_EQ(resizes, (std::vector<std::pair<int, int>>{{1140, 530}}));

    ui.reset();
    resizes.clear();
    uiScreen.SetDesktopScale(1.5);
    openUi();
    EXPECT_EQ(ui->Zoom(), 150) << "without the host's scale, the desktop's";
    ui->Idle();
    // The menu: a right click, then "Zoom 100 %".
    platform::headless::HeadlessWindow& window = uiScreen.LastWindow();
    window.Press(300, 300, platform::MouseButton::Right);
    ASSERT_TRUE(ui->Window().PanelMenu().IsOpen());
    const platform::Rect entry = ui->Window().PanelMenu().EntryRect(0);
    const toolkit::TZoom zoom(150);
    window.Press(zoom.Device(entry.Left + 5), zoom.Device(entry.Top + 5));
    ui->Idle();
    EXPECT_EQ(ui->Zoom(), 100);
    EXPECT_EQ(uiScreen.LastWindow().Width(), 570);
    EXPECT_EQ(resizes.back(), std::make_pair(570, 265));
}

} // namespace
