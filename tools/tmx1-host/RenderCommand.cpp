#include "tools/tmx1-host/RenderCommand.h"

#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/LoudnessTarget.h"
#include "tools/tmx1-host/ParameterWords.h"
#include "platform/PendingFile.h"
#include "tools/tmx1-host/Renderer.h"

#include <sndfile.h>

#include <filesystem>
#include <system_error>

namespace host {

namespace {

constexpr int kDemoSampleRate = 44100;
const char* const kDemoProgram = "Warm Tollimation";

// The options that render and demo share; the files are left to each command.
RenderRequest requestFrom(Arguments& arguments, const std::string& defaultPlugin) {
    RenderRequest request;
    request.pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    request.program = arguments.option("--program");
    request.preset = arguments.option("--preset");
    request.parameters = takeParameterWords(arguments);
    request.blockFrames = arguments.integerOption("--block", 1).value_or(request.blockFrames);
    request.compensateLatency = !arguments.flag("--no-latency-comp");
    return request;
}

void writeDemoInput(const std::string& path) {
    const DemoSignal demo(kDemoSampleRate);
    const StereoSignal& signal = demo.signal();
    platform::PendingFile file(path);
    SoundWriter writer(file.temporaryPath().string(), {SF_FORMAT_WAV | SF_FORMAT_FLOAT}, signal.sampleRate);
    writer.write(signal.left.data(), signal.right.data(), static_cast<int>(signal.frames()));
    writer.close();
    file.commit();
}

void report(const RenderRequest& request, const RenderSummary& summary, std::ostream& out) {
    out << "Rendered " << request.inputPath << " -> " << request.outputPath << "\n";
    if (request.plotPath)
        out << "Plotted levels and gain -> " << *request.plotPath << "\n";
    printSummary(summary, out);
}

int renderAndReport(const RenderRequest& request, std::ostream& out) {
    ProgressBar progress = ProgressBar::onStandardError("Rendering");
    report(request, render(request, progress), out);
    return 0;
}

} // namespace

int runRender(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    RenderRequest request = requestFrom(arguments, defaultPlugin);
    request.plotPath = arguments.option("--plot");
    const std::optional<LoudnessTarget> target = takeLoudnessTarget(arguments);
    if (target)
        refuseTargetParameters(request.parameters);
    const auto files = arguments.positionals(2, 2);
    request.inputPath = files[0];
    request.outputPath = files[1];
    const auto same = [](const std::string& a, const std::string& b) {
        return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
    };
    if (request.plotPath &&
        (same(*request.plotPath, request.outputPath) || same(*request.plotPath, request.inputPath)))
        throw UsageError("--plot needs a file of its own, not the input or the output");
    if (!target)
        return renderAndReport(request, out);
    const TargetedRender result = renderToLoudness(request, *target);
    report(request, result.summary, out);
    printTargetChoice(result, *target, out);
    return 0;
}

int runDemo(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    RenderRequest request = requestFrom(arguments, defaultPlugin);
    if (!request.program)
        request.program = kDemoProgram;
    const auto folder = arguments.positionals(0, 1);
    const std::filesystem::path directory = folder.empty() ? "out" : folder[0];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error)
        throw SoundFileError(directory.string() + ": cannot create the folder (" + error.message() + ")");
    request.inputPath = (directory / "demo-in.wav").string();
    request.outputPath = (directory / "demo-out.wav").string();
    writeDemoInput(request.inputPath);
    out << "Demo signal: " << DemoSignal::kBars << " bars of drums and bass at " << kDemoSampleRate
        << " Hz, through \"" << *request.program << "\""
        << (request.preset ? " and " + *request.preset : std::string()) << "\n";
    return renderAndReport(request, out);
}

} // namespace host
