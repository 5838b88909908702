// A small LV2 host for the tests, as a Linux DAW is one: the plug-in found by lilv in the bundle the
// build made, its DSP run with control port buffers of ours, and its X11 UI instantiated through suil
// inside a window we pass as ui:parent, idled through ui:idleInterface, resized through ui:resize, sent
// every output port's value after each run as port events, and writing control ports back, touching them
// through ui:touch.
#pragma once

#include <lilv/lilv.h>
#include <suil/suil.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lv2test {

inline constexpr const char* kPluginUri = "https://brindlow-audio.example/plugins/tmx-1";

class Lv2UiHost {
  public:
    // Loads the system's bundles and the one at bundlePath (the build's), and instantiates the
    // plug-in's DSP.
    explicit Lv2UiHost(const std::string& bundlePath, double sampleRate = 44100.0);
    ~Lv2UiHost();
    Lv2UiHost(const Lv2UiHost&) = delete;
    Lv2UiHost& operator=(const Lv2UiHost&) = delete;

    std::uint32_t portCount() const { return ports_; }
    float& control(std::uint32_t port) { return controls_[port]; }
    // Runs the DSP on a block of a square wave at level, then tells an open UI every output's value.
    void run(int frames, float level);

    // Opens the UI in the X window parent (optionally with a ui:scaleFactor); false when it fails.
    bool openUi(unsigned long parent, float scaleFactor = 0.0f);
    void closeUi();
    bool uiOpen() const { return ui_ != nullptr; }
    // ui:idleInterface; false when the UI says it has closed.
    bool idleUi();
    // The UI's widget: its X window.
    unsigned long uiWindow() const;
    // Every port's current value as a port event, as a host sends them when the UI opens.
    void sendAllPorts();

    // What the UI asked for.
    std::vector<std::pair<int, int>> resizes;
    std::vector<std::pair<std::uint32_t, float>> writes;
    // ui:touch: the port, grabbed or let go, and how many writes had come before.
    struct Touch {
        std::uint32_t port;
        bool grabbed;
        std::size_t writesBefore;
    };
    std::vector<Touch> touches;

  private:
    static void write(SuilController controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                      const void* buffer);
    static std::uint32_t portIndex(SuilController controller, const char* symbol);
    static void touch(SuilController controller, std::uint32_t port, bool grabbed);
    static int resize(LV2UI_Feature_Handle handle, int width, int height);
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri);

    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    std::uint32_t ports_ = 0;
    std::vector<float> controls_;
    std::vector<bool> isAudio_;
    std::vector<bool> isOutput_;
    std::array<std::vector<float>, 4> audio_;
    std::map<std::string, LV2_URID> urids_;
    LV2_URID_Map map_{this, &Lv2UiHost::map};
    LV2UI_Resize resize_{this, &Lv2UiHost::resize};
    float scaleFactor_ = 0.0f;
    std::vector<LV2_Options_Option> options_;
    SuilHost* suilHost_ = nullptr;
    SuilInstance* ui_ = nullptr;
    const LV2UI_Idle_Interface* idle_ = nullptr;
};

} // namespace lv2test
