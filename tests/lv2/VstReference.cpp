#include "tests/lv2/VstReference.h"

#include "tools/tmx1-host/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace lv2test {

Stereo readSound(const std::string& path) {
    host::SoundReader reader(path);
    Stereo sound;
    sound.left.resize(static_cast<std::size_t>(reader.frames()));
    sound.right.resize(sound.left.size());
    const int got = reader.read(sound.left.data(), sound.right.data(), static_cast<int>(reader.frames()));
    sound.left.resize(static_cast<std::size_t>(got));
    sound.right.resize(static_cast<std::size_t>(got));
    return sound;
}

void writeTestTones(const std::string& path, int rate, double silenceBefore, double toneSeconds,
                    double silenceAfter) {
    const auto frames = [rate](double seconds) { return static_cast<std::size_t>(seconds * rate); };
    const std::size_t first = frames(silenceBefore), tones = frames(toneSeconds);
    std::vector<float> left(first + tones + frames(silenceAfter)), right(left.size());
    for (std::size_t n = 0; n < tones; ++n) {
        const double t = static_cast<double>(n) / rate;
        left[first + n] = static_cast<float>(1.5 * std::sin(2 * std::numbers::pi * 220 * t));
        right[first + n] = static_cast<float>(0.8 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    host::SoundWriter writer(path, host::SoundFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT}, rate);
    writer.write(left.data(), right.data(), static_cast<int>(left.size()));
    writer.close();
}

void renderThroughVst(const std::string& input, const std::string& output, int program, int blockFrames,
                      const std::vector<host::ParameterSetting>& parameters) {
    host::RenderRequest request;
    request.parameters = parameters;
    request.pluginPath = TMX1_PLUGIN_PATH;
    request.inputPath = input;
    request.outputPath = output;
    request.program = std::to_string(program);
    request.compensateLatency = false;
    request.blockFrames = blockFrames;
    std::ostringstream noProgress;
    host::ProgressBar progress(noProgress, "", 0);
    host::render(request, progress);
}

Difference largestDifference(const Stereo& a, std::size_t aFrom, const Stereo& b, std::size_t bFrom,
                             std::size_t frames) {
    Difference largest;
    for (std::size_t n = 0; n < frames; ++n) {
        const float here = std::max(std::fabs(a.left[aFrom + n] - b.left[bFrom + n]),
                                    std::fabs(a.right[aFrom + n] - b.right[bFrom + n]));
        if (here > largest.size)
            largest = {here, bFrom + n};
    }
    return largest;
}

} // namespace lv2test
