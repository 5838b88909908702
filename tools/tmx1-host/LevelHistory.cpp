#include "tools/tmx1-host/LevelHistory.h"

#include <algorithm>
#include <cmath>

namespace host {

double levelDb(double amplitude) {
    const double silence = std::pow(10.0, LevelHistory::kSilenceDb / 20.0);
    return amplitude > silence ? 20.0 * std::log10(amplitude) : LevelHistory::kSilenceDb;
}

// --- one stream

void LevelEnvelope::add(const float* left, const float* right, int frames) {
    for (int at = 0; at < frames;) {
        // Up to the end of the slice being filled, so that the inner loop has no branch.
        const int run = static_cast<int>(std::min<std::int64_t>(frames - at, sliceLength - framesInCurrent));
        float peak = current;
        for (int i = at; i < at + run; ++i)
            peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
        current = peak;
        framesInCurrent += run;
        total += run;
        at += run;
        if (framesInCurrent == sliceLength)
            completeSlice();
    }
}

void LevelEnvelope::completeSlice() {
    completed.push_back(current);
    current = 0.0f;
    framesInCurrent = 0;
    if (completed.size() == kMaxSlices)
        mergeNeighbours();
}

// kMaxSlices is even, so the slice being filled starts where a merged slice does.
void LevelEnvelope::mergeNeighbours() {
    for (std::size_t pair = 0; pair < completed.size() / 2; ++pair)
        completed[pair] = std::max(completed[2 * pair], completed[2 * pair + 1]);
    completed.resize(completed.size() / 2);
    sliceLength *= 2;
}

float LevelEnvelope::slicePeak(std::size_t slice) const {
    if (slice < completed.size())
        return completed[slice];
    return slice == completed.size() ? current : 0.0f;
}

float LevelEnvelope::peakBetween(std::int64_t begin, std::int64_t end) const {
    end = std::min(end, total);
    if (begin < 0 || begin >= end)
        return 0.0f;
    float peak = 0.0f;
    const auto last = static_cast<std::size_t>((end - 1) / sliceLength);
    for (auto slice = static_cast<std::size_t>(begin / sliceLength); slice <= last; ++slice)
        peak = std::max(peak, slicePeak(slice));
    return peak;
}

// --- input against output

double LevelHistory::sliceSeconds() const {
    return rate > 0 ? static_cast<double>(input.sliceFrames()) / rate : 0.0;
}

void LevelHistory::setOutputLoudness(std::vector<float> shortTerm, double stepSeconds) {
    loudness = std::move(shortTerm);
    loudnessStepSeconds = stepSeconds;
}

std::vector<LevelColumn> LevelHistory::columns(int count) const {
    std::vector<LevelColumn> result;
    const std::int64_t length = frames();
    const auto window = static_cast<std::int64_t>(std::ceil(kLeastWindowSeconds * rate));
    for (std::int64_t c = 0; c < count; ++c) {
        std::int64_t begin = c * length / count;
        std::int64_t end = std::max(begin + 1, (c + 1) * length / count);
        if (end - begin < window) {
            const std::int64_t middle = (begin + end) / 2;
            begin = std::max<std::int64_t>(0, middle - window / 2);
            end = std::min(length, middle + (window + 1) / 2);
        }
        result.push_back(column(begin, end));
    }
    return result;
}

LevelColumn LevelHistory::column(std::int64_t begin, std::int64_t end) const {
    LevelColumn column;
    const double in = input.peakBetween(begin, end);
    const double out = output.peakBetween(begin, end);
    column.inputDb = levelDb(in);
    column.outputDb = levelDb(out);
    if (column.inputDb >= kGainFloorDb)
        column.gainDb = column.outputDb - column.inputDb;
    if (!loudness.empty() && loudnessStepSeconds > 0.0) {
        // Reading k is taken at the end of step k.
        const double middle = static_cast<double>(begin + end) / 2.0 / rate;
        const auto reading = std::clamp<std::int64_t>(std::llround(middle / loudnessStepSeconds) - 1, 0,
                                                      static_cast<std::int64_t>(loudness.size()) - 1);
        column.outputLoudnessLufs = std::max<double>(loudness[static_cast<std::size_t>(reading)], kSilenceDb);
    }
    return column;
}

} // namespace host
