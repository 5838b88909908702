#include "tools/tmx1-host/Renderer.h"

#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/LevelMeters.h"
#include "tools/tmx1-host/LevelPlot.h"
#include "tools/tmx1-host/NumberText.h"
#include "platform/PendingFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <memory>

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

struct StereoBlock {
    explicit StereoBlock(int frames)
        : left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames)) {}
    std::vector<float> left, right;
};

// The frames of one processed block that fall in [begin, end) of the output stream, given that
// the block starts at stream position `position`.
struct Span {
    int offset;
    int frames;
};

Span within(std::int64_t position, int frames, std::int64_t begin, std::int64_t end) {
    const std::int64_t first = std::clamp(begin - position, std::int64_t{0}, std::int64_t{frames});
    const std::int64_t last = std::clamp(end - position, first, std::int64_t{frames});
    return {static_cast<int>(first), static_cast<int>(last - first)};
}

// What a render does with the audio besides processing it. The effect's output arrives twice: lined
// up with the input it answers (whether or not the file keeps the latency), and as the file keeps it.
class BlockListener {
  public:
    virtual void input(const float* left, const float* right, int frames) = 0;
    virtual void alignedOutput(const float* left, const float* right, int frames) = 0;
    virtual void keptOutput(const float* left, const float* right, int frames) = 0;

  protected:
    ~BlockListener() = default;
};

// One pass of the input through the effect, block by block.
class RenderJob {
  public:
    RenderJob(const RenderRequest& request, SoundReader& input, ActiveEffect& effect, BlockListener& listener)
        : input(input), effect(effect), listener(listener), in(request.blockFrames), out(request.blockFrames),
          latency(effect.latency()), skipped(request.compensateLatency ? latency : 0), total(input.frames()) {
    }

    void run(ProgressBar& progress) {
        while (written < total) {
            processBlock(readBlock());
            progress.update(static_cast<double>(written) / static_cast<double>(total));
        }
    }

    std::int64_t frames() const { return total; }
    int reportedLatency() const { return latency; }
    double processingSeconds() const { return std::chrono::duration<double>(processing).count(); }

  private:
    // Input frames while there are any, then silence that flushes the effect's delayed tail.
    int readBlock() {
        const int capacity = effect.maxBlockFrames();
        if (consumed < total) {
            const int got = input.read(in.left.data(), in.right.data(), capacity);
            if (got > 0) {
                consumed += got;
                listener.input(in.left.data(), in.right.data(), got);
                return got;
            }
            total = consumed; // the file held fewer frames than its header announced
        }
        std::fill(in.left.begin(), in.left.end(), 0.0f);
        std::fill(in.right.begin(), in.right.end(), 0.0f);
        return capacity;
    }

    void processBlock(int frames) {
        const auto start = Clock::now();
        effect.process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), frames);
        processing += Clock::now() - start;

        const Span aligned = within(produced, frames, latency, latency + total);
        listener.alignedOutput(out.left.data() + aligned.offset, out.right.data() + aligned.offset,
                               aligned.frames);
        const Span kept = within(produced, frames, skipped, skipped + total);
        listener.keptOutput(out.left.data() + kept.offset, out.right.data() + kept.offset, kept.frames);
        written += kept.frames;
        produced += frames;
    }

    SoundReader& input;
    ActiveEffect& effect;
    BlockListener& listener;
    StereoBlock in, out;
    const int latency;
    const int skipped;
    std::int64_t total;
    std::int64_t consumed = 0;
    std::int64_t produced = 0;
    std::int64_t written = 0;
    Clock::duration processing{};
};

// Everything the summary reports, and the output file. `history`, when given, collects the levels
// for a plot.
class FullReport : public BlockListener {
  public:
    FullReport(const SoundReader& input, SoundWriter& output, LevelHistory* history)
        : output(output), history(history), reduction(input.sampleRate()),
          inputLoudness(input.channels(), input.sampleRate(), false),
          outputLoudness(2, input.sampleRate(), history != nullptr) {}

    void input(const float* left, const float* right, int frames) override {
        inputPeak.add(left, right, frames);
        inputLoudness.add(left, right, frames);
        reduction.addInput(left, right, frames);
        if (history != nullptr)
            history->addInput(left, right, frames);
    }

    // Measured against the input it answers, whether or not the file keeps the latency.
    void alignedOutput(const float* left, const float* right, int frames) override {
        reduction.addOutput(left, right, frames);
        if (history != nullptr)
            history->addOutput(left, right, frames);
    }

    void keptOutput(const float* left, const float* right, int frames) override {
        output.write(left, right, frames);
        outputPeak.add(left, right, frames);
        outputLoudness.add(left, right, frames);
    }

    // The output's short-term loudness over time, kept for the plot.
    const std::vector<float>& outputShortTerm() const { return outputLoudness.shortTermHistory(); }

    void fill(RenderSummary& summary, const RenderJob& job) const {
        summary.frames = job.frames();
        summary.latency = job.reportedLatency();
        summary.inputPeak = inputPeak.peak();
        summary.outputPeak = outputPeak.peak();
        summary.inputLoudness = inputLoudness.loudness();
        summary.outputLoudness = outputLoudness.loudness();
        summary.largestReductionDb = reduction.largestReductionDb();
        summary.processingSeconds = job.processingSeconds();
    }

  private:
    SoundWriter& output;
    LevelHistory* history;
    PeakMeter inputPeak, outputPeak;
    GainReductionMeter reduction;
    LoudnessMeter inputLoudness, outputLoudness;
};

// Only the integrated loudness of the output as a file would keep it.
class OutputLoudness : public BlockListener {
  public:
    explicit OutputLoudness(int sampleRate)
        : meter(2, sampleRate, false, LoudnessMeter::Scope::integratedOnly) {}

    void input(const float*, const float*, int) override {}
    void alignedOutput(const float*, const float*, int) override {}
    void keptOutput(const float* left, const float* right, int frames) override {
        meter.add(left, right, frames);
    }

    double integratedLufs() const { return meter.loudness().integratedLufs; }

  private:
    LoudnessMeter meter;
};

std::unique_ptr<HostedEffect> setUpEffect(Host& host, const RenderRequest& request) {
    auto effect = openEffect(host, request.pluginPath);
    applySettings(*effect, request.program, request.preset, request.parameters);
    return effect;
}

// What the plot names: the files, the effect and its program.
LevelPlotCaption captionFor(const RenderRequest& request, HostedEffect& effect) {
    const auto fileName = [](const std::string& path) {
        return std::filesystem::path(path).filename().string();
    };
    LevelPlotCaption caption;
    caption.title = fileName(request.inputPath) + " \u2192 " + fileName(request.outputPath);
    caption.subtitle = effect.text(vst::effGetEffectName);
    if (caption.subtitle.empty())
        caption.subtitle = std::filesystem::path(request.pluginPath).stem().string();
    if (effect.record().numPrograms > 0)
        caption.subtitle += ", program \"" +
                            programName(effect, static_cast<int>(effect.dispatch(vst::effGetProgram))) + "\"";
    if (!request.parameters.empty())
        caption.subtitle += " with parameters changed";
    return caption;
}

std::string loudnessText(const Loudness& loudness) {
    return lufsText(loudness.integratedLufs) + " LUFS integrated, " + fixedText(loudness.rangeLu, 1) +
           " LU range, " + lufsText(loudness.highestShortTermLufs) + " LUFS short-term max";
}

} // namespace

RenderSummary render(const RenderRequest& request, ProgressBar& progress) {
    SoundReader input(request.inputPath);
    std::optional<LevelPlotFile> plot;
    if (request.plotPath)
        plot.emplace(*request.plotPath);
    Host host;
    const auto effect = setUpEffect(host, request);
    const LevelPlotCaption caption = plot ? captionFor(request, *effect) : LevelPlotCaption{};
    ActiveEffect active(*effect, static_cast<float>(input.sampleRate()), request.blockFrames);

    RenderSummary summary;
    summary.sampleRate = input.sampleRate();
    summary.inputChannels = input.channels();
    summary.outputFormat = SoundWriter::floatFormatFor(input.format(), input.sampleRate());
    summary.latencyCompensated = request.compensateLatency;

    platform::PendingFile file(request.outputPath);
    SoundWriter output(file.temporaryPath().string(), summary.outputFormat, input.sampleRate());
    std::optional<LevelHistory> history;
    if (plot)
        history.emplace(input.sampleRate());
    FullReport report(input, output, history ? &*history : nullptr);
    RenderJob job(request, input, active, report);
    job.run(progress);
    progress.finish();
    output.close();
    if (plot) {
        history->setOutputLoudness(report.outputShortTerm(), LoudnessMeter::kStepSeconds);
        plot->write(LevelPlot(*history, caption).picture());
    }
    file.commit();
    if (plot)
        plot->commit();
    report.fill(summary, job);
    summary.levels = std::move(history);
    return summary;
}

double renderedLoudness(const RenderRequest& request, ProgressBar& progress) {
    SoundReader input(request.inputPath);
    Host host;
    const auto effect = setUpEffect(host, request);
    ActiveEffect active(*effect, static_cast<float>(input.sampleRate()), request.blockFrames);
    OutputLoudness measured(input.sampleRate());
    RenderJob job(request, input, active, measured);
    job.run(progress);
    progress.finish();
    return measured.integratedLufs();
}

void printSummary(const RenderSummary& summary, std::ostream& out) {
    const auto row = [&out](const char* key, const std::string& value) {
        out << std::left << std::setw(18) << key << value << std::right << "\n";
    };
    row("Audio", std::to_string(summary.frames) + " frames at " + std::to_string(summary.sampleRate) +
                     " Hz, " + (summary.inputChannels == 1 ? "mono in, stereo out" : "stereo"));
    row("Output format", summary.outputFormat.describe());
    row("Latency", std::to_string(summary.latency) + " samples, " +
                       (summary.latencyCompensated ? "compensated" : "kept (--no-latency-comp)"));
    row("Input peak", decibelText(summary.inputPeak) + " dBFS");
    row("Output peak", decibelText(summary.outputPeak) + " dBFS");
    row("Input true peak", decibelText(summary.inputLoudness.truePeak) + " dBTP");
    row("Output true peak", decibelText(summary.outputLoudness.truePeak) + " dBTP");
    row("Input loudness", loudnessText(summary.inputLoudness));
    row("Output loudness", loudnessText(summary.outputLoudness));
    row("Gain reduction",
        summary.largestReductionDb
            ? fixedText(*summary.largestReductionDb, 1) + " dB largest (10 ms windows, make-up excluded)"
            : "not measurable (no input above " + fixedText(GainReductionMeter::kInputFloorDb, 0) + " dBFS)");
    const double seconds = summary.processingSeconds;
    row("Processing time", fixedText(seconds, 3) + " s in the effect, " +
                               (seconds > 0.0 ? fixedText(summary.audioSeconds() / seconds, 1) + "x real time"
                                              : std::string("too fast to time")));
}

} // namespace host
