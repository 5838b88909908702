// The editor of the built plug-in on the headless screen, opened through its dispatcher as a host
// does. Targets: opening it (reading the layout stream, building the panel, the first full paint) at
// most 30 ms, at 200 % (the zoomed pictures decoded as well) at most 40 ms; an idle with no parameter
// change and steady meters paints nothing (the paints counter stays 0) and costs little, at any zoom.
#include "bench/LimitReport.h"
#include "platform/headless/Screen.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/Host.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr double openLimitUs = 30000;
constexpr double zoomedOpenLimitUs = 40000;
constexpr double steadyIdleLimitUs = 50;

struct LoadedEffect {
    host::Host host;
    std::shared_ptr<const host::PluginLibrary> library = std::make_shared<host::PluginLibrary>(TMX1_PLUGIN_PATH);
    host::HostedEffect effect{host, library};
};

void BM_OpenEditor(benchmark::State& state) {
    LoadedEffect loaded;
    platform::headless::Screen screen;
    if (state.range(0) != 100)
        host::requestEditorZoom(loaded.effect.record(), static_cast<int>(state.range(0)));
    for (auto _ : state) {
        host::openEditorOnScreen(loaded.effect.record(), screen);
        loaded.effect.dispatch(vst::effEditIdle);
        state.PauseTiming();
        loaded.effect.dispatch(vst::effEditClose);
        state.ResumeTiming();
    }
}

void BM_SteadyIdle(benchmark::State& state) {
    LoadedEffect loaded;
    platform::headless::Screen screen;
    if (state.range(0) != 100)
        host::requestEditorZoom(loaded.effect.record(), static_cast<int>(state.range(0)));
    host::openEditorOnScreen(loaded.effect.record(), screen);
    loaded.effect.dispatch(vst::effEditIdle);
    loaded.effect.dispatch(vst::effEditIdle);
    const int paintsBefore = screen.LastWindow().PaintCount();
    for (auto _ : state)
        loaded.effect.dispatch(vst::effEditIdle);
    state.counters["paints"] = screen.LastWindow().PaintCount() - paintsBefore;
    loaded.effect.dispatch(vst::effEditClose);
}

} // namespace

BENCHMARK(BM_OpenEditor)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SteadyIdle)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::LimitReport report("Targets (mean real time per iteration)",
                              {{"BM_OpenEditor/100", "open the editor and paint it once", openLimitUs},
                               {"BM_OpenEditor/200", "the same at 200 %", zoomedOpenLimitUs},
                               {"BM_SteadyIdle/100", "an idle with nothing changed", steadyIdleLimitUs},
                               {"BM_SteadyIdle/200", "the same at 200 %", steadyIdleLimitUs}});
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
