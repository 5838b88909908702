// The paint cycle of the editor's panel as its layout stream builds it, in a headless window: the
// full-size plate, the knobs, the lamps and release-type buttons, the value and meter labels, with the
// values of the first factory program and moving meters. Targets: a full paint at most 1 ms, at 200 %
// at most 3 ms; repainting one lamp's rectangle at most 20 µs. They are printed after the table, judged from the
// mean time per iteration, never asserted.
#include "DIB/cDIBImage.h"
#include "DIB/cDIBPanel.h"
#include "bench/LimitReport.h"
#include "editor/PanelControls.h"
#include "editor/uEditor.h"
#include "platform/headless/Screen.h"
#include "dsp/APluginProgram.h"

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

namespace {

constexpr double fullPaintLimitUs = 1000;
constexpr double zoomedFullPaintLimitUs = 3000;
constexpr double smallPaintLimitUs = 20;

// The editor's window without an effect: what it shows is set as the bridge would set it.
struct Panel {
    explicit Panel(int zoomPercent) {
        window.SetPanelZoom(zoomPercent);
        window.CreateWindow(platform::ParentWindow::Headless(screen));
        native = &screen.LastWindow();
        window.ParamValues = tmx1::kFactoryPrograms[0].values;
        window.UpdateControls();
        window.MeterLevels = {0.5f, 0.25f, 0.1f, 0.05f};
        window.MeterGains = {0.5f, 0.7f};
        window.UpdateMeter();
        native->Idle();
    }

    // The lamp of the first parameter switch.
    dib::TDIBImage& Lamp() const {
        for (const tmx1::ParameterControl& control : tmx1::kParameterControls)
            if (control.kind == tmx1::ControlKind::lamp)
                return dynamic_cast<dib::TDIBImage&>(*window.FindComponent(control.control));
        throw std::logic_error("the panel has no lamp");
    }

    platform::headless::Screen screen;
    tmx1::TPluginEditorWindow window{nullptr};
    platform::headless::HeadlessWindow* native = nullptr;
};

Panel& panel() {
    static Panel built(100);
    return built;
}

Panel& zoomedPanel() {
    static Panel built(200);
    return built;
}

void paintWhole(benchmark::State& state, Panel& p) {
    for (auto _ : state) {
        p.window.DIBContainer1->Invalidate();
        p.native->Idle();
    }
    benchmark::DoNotOptimize(p.native->ScreenPixel(0, 0));
}

void BM_FullPaint(benchmark::State& state) { paintWhole(state, panel()); }
void BM_FullPaint200(benchmark::State& state) { paintWhole(state, zoomedPanel()); }

void BM_LampPaint(benchmark::State& state) {
    Panel& p = panel();
    dib::TDIBImage& lamp = p.Lamp();
    for (auto _ : state) {
        lamp.Invalidate();
        p.native->Idle();
    }
    benchmark::DoNotOptimize(p.native->ScreenPixel(lamp.Left(), lamp.Top()));
}

} // namespace

BENCHMARK(BM_FullPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullPaint200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LampPaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const Panel& p = panel();
    const dib::TDIBImage& lamp = p.Lamp();
    const auto size = [](const toolkit::TControl& c) {
        return std::to_string(c.Width()) + " x " + std::to_string(c.Height());
    };
    bench::LimitReport report(
        "Targets (mean real time per paint)",
        {{"BM_FullPaint", "full paint of " + size(*p.window.DIBContainer1), fullPaintLimitUs},
         {"BM_FullPaint200", "full paint at 200 % (1140 x 530)", zoomedFullPaintLimitUs},
         {"BM_LampPaint", "one " + size(lamp) + " lamp's rectangle", smallPaintLimitUs}});
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
