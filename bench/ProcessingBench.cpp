// What processReplacing costs per stereo frame at 44.1 kHz, with the built plug-in loaded and
// driven through its record as a DAW does: every factory program, and the default program with
// Stereo Link off, with Brick-Wall on, during a running Threshold ramp, on digital silence and with
// the editor open (metering). Block sizes 64, 512 and 4096.
#include "bench/TargetReport.h"
#include "platform/headless/Screen.h"
#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/EffectSetup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kFramesPerIteration = 8192; // a whole number of blocks at every size measured
constexpr int kTargetBlock = 512;
const std::vector<int> kBlockSizes{64, 512, 4096};

enum class Input { music, silence };

// How a case differs from the default program on music.
struct Case {
    int program = 0;
    std::function<void(host::HostedEffect&)> setUp = [](host::HostedEffect&) {};
    Input input = Input::music;
    bool editorOpen = false;
    // Opened and closed again before processing: an effect meters from its creation until an
    // editor has been closed, so this is the case without metering.
    bool editorClosed = false;
    bool thresholdRamp = false;
};

const host::StereoSignal& music() {
    static const host::DemoSignal demo(static_cast<int>(kSampleRate));
    return demo.signal();
}

// The effect of one case, switched on; the input is a private copy because the interface hands
// the effect writable pointers.
class CaseRunner {
  public:
    CaseRunner(const Case& c, int block)
        : c(c), block(block), effect(host::openEffect(host, TMX1_PLUGIN_PATH)), signal(music()),
          out(2, std::vector<float>(static_cast<std::size_t>(block))) {
        effect->dispatch(vst::effSetProgram, 0, c.program);
        c.setUp(*effect);
        if (c.editorOpen || c.editorClosed)
            host::openEditorOnScreen(effect->record(), screen);
        if (c.editorClosed)
            effect->dispatch(vst::effEditClose);
        active = std::make_unique<host::ActiveEffect>(*effect, kSampleRate, block);
        if (c.thresholdRamp)
            threshold = host::findParameter(*effect, "Threshold");
        // A second of music first, so that silence finds the state decaying (the denormal case).
        for (int frames = 0; frames < static_cast<int>(kSampleRate); frames += block)
            processBlock(Input::music);
    }

    ~CaseRunner() {
        active.reset();
        if (c.editorOpen)
            effect->dispatch(vst::effEditClose);
    }

    void processIteration() {
        for (int frames = 0; frames < kFramesPerIteration; frames += block)
            processBlock(c.input);
    }

  private:
    void processBlock(Input input) {
        if (c.thresholdRamp)
            effect->setParameter(threshold, (rampToggle = !rampToggle) ? 0.45f : 0.55f);
        if (position + static_cast<std::size_t>(block) > signal.left.size())
            position = 0;
        float* inputs[2] = {signal.left.data() + position, signal.right.data() + position};
        if (input == Input::silence)
            inputs[0] = inputs[1] = silence();
        float* outputs[2] = {out[0].data(), out[1].data()};
        effect->processReplacing(inputs, outputs, block);
        position += static_cast<std::size_t>(block);
    }

    float* silence() {
        if (zeros.empty())
            zeros.assign(static_cast<std::size_t>(block), 0.0f);
        return zeros.data();
    }

    const Case& c;
    int block;
    platform::headless::Screen screen; // the editor opens off-screen; goes after the effect
    host::Host host;
    std::unique_ptr<host::HostedEffect> effect;
    std::unique_ptr<host::ActiveEffect> active;
    host::StereoSignal signal;
    std::vector<std::vector<float>> out;
    std::vector<float> zeros;
    std::size_t position = 0;
    int threshold = 0;
    bool rampToggle = false;
};

void measure(benchmark::State& state, const Case& c) {
    const int block = static_cast<int>(state.range(0));
    CaseRunner runner(c, block);
    // Timed here too: the library's own counters can give seconds per frame, but not as a plain
    // number of nanoseconds.
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        runner.processIteration();
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    const double frames = static_cast<double>(state.iterations()) * kFramesPerIteration;
    state.counters["ns_per_frame"] = frames > 0.0 ? elapsed.count() / frames : 0.0;
}

std::function<void(host::HostedEffect&)> setting(const std::string& parameter, float value) {
    return [parameter, value](host::HostedEffect& effect) {
        effect.setParameter(host::findParameter(effect, parameter), value);
    };
}

std::vector<std::string> factoryPrograms() {
    host::Host host;
    const auto effect = host::openEffect(host, TMX1_PLUGIN_PATH);
    std::vector<std::string> names;
    for (int p = 0; p < effect->record().numPrograms; ++p)
        names.push_back(host::programName(*effect, p));
    return names;
}

void registerCase(const std::string& family, Case c) {
    auto* registered =
        benchmark::RegisterBenchmark(family.c_str(), [c](benchmark::State& state) { measure(state, c); });
    registered->ArgName("block");
    for (const int block : kBlockSizes)
        registered->Arg(block);
}

void registerAll(const std::vector<std::string>& programs) {
    for (std::size_t p = 0; p < programs.size(); ++p)
        registerCase("Program/" + programs[p], {.program = static_cast<int>(p)});
    registerCase("StereoLinkOff", {.setUp = setting("Stereo Link", 0.0f)});
    registerCase("BrickWallOn", {.setUp = setting("Brick-Wall", 1.0f)});
    registerCase("ThresholdRamp", {.thresholdRamp = true});
    registerCase("Silence", {.input = Input::silence});
    registerCase("EditorOpen", {.editorOpen = true});
    registerCase("EditorClosed", {.editorClosed = true});
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const auto programs = factoryPrograms();
    registerAll(programs);
    bench::TargetReport report(programs, kTargetBlock);
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
