// Levels over the length of a render, kept small enough for files of any length: the sample peaks
// of the input and of the sample-aligned output per time slice, and the output's short-term loudness,
// read back as the columns of a plot.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace host {

// The sample peak of a stereo stream per slice of time. Slices start short and double in length
// (neighbours merged) whenever there are kMaxSlices of them, so that an hours-long file takes as
// little memory as a short one, yet never fewer than kMaxSlices / 2 slices once it has had more.
class LevelEnvelope {
  public:
    static constexpr int kFirstSliceFrames = 64;
    static constexpr std::size_t kMaxSlices = 4096;

    void add(const float* left, const float* right, int frames);

    std::int64_t frames() const { return total; }
    std::int64_t sliceFrames() const { return sliceLength; }
    std::size_t slices() const { return completed.size() + (framesInCurrent > 0 ? 1 : 0); }
    // The highest absolute sample of the slices that overlap frames [begin, end); 0 when none do.
    float peakBetween(std::int64_t begin, std::int64_t end) const;

  private:
    float slicePeak(std::size_t slice) const;
    void completeSlice();
    void mergeNeighbours();

    std::vector<float> completed; // peaks of the whole slices so far, in order
    float current = 0.0f;         // peak of the slice being filled
    std::int64_t framesInCurrent = 0;
    std::int64_t sliceLength = kFirstSliceFrames;
    std::int64_t total = 0;
};

// What one plot column shows: the sample peaks over its stretch of time and the gain the effect
// applied there, in dB.
struct LevelColumn {
    double inputDb = 0.0; // dBFS, kSilenceDb at most below
    double outputDb = 0.0;
    // Output peak over input peak of the same frames (the output is aligned with the input), so a
    // make-up gain shows as a positive gain. Nothing where the input is below the gain floor and
    // noise or dither would decide the ratio.
    std::optional<double> gainDb;
    // The output's short-term loudness (over the 3 s before) at the column's middle, in LUFS,
    // kSilenceDb at most below; nothing when it was not measured.
    std::optional<double> outputLoudnessLufs;
};

// The input and the output of one render, fed block by block as they become available.
class LevelHistory {
  public:
    static constexpr double kSilenceDb = -120.0;
    static constexpr double kGainFloorDb = -50.0; // as GainReductionMeter's input floor
    // The shortest stretch a column's peak is taken over, whatever the column's own length: one
    // much shorter than a bass note's period would catch it near its zero crossings in some
    // columns and draw a steady tone as a comb.
    static constexpr double kLeastWindowSeconds = 0.020;

    explicit LevelHistory(int sampleRate) : rate(sampleRate) {}

    void addInput(const float* left, const float* right, int frames) { input.add(left, right, frames); }
    // Output frame k must be the effect's answer to input frame k.
    void addOutput(const float* left, const float* right, int frames) { output.add(left, right, frames); }
    // The output's short-term loudness in LUFS, one reading at the end of each `stepSeconds`.
    void setOutputLoudness(std::vector<float> shortTerm, double stepSeconds);

    int sampleRate() const { return rate; }
    std::int64_t frames() const { return input.frames(); }
    double seconds() const { return rate > 0 ? static_cast<double>(frames()) / rate : 0.0; }
    // The shortest stretch of time one column can stand for.
    double sliceSeconds() const;

    // The whole length split into `count` equal stretches, each measured over at least
    // kLeastWindowSeconds around its middle (within the file).
    std::vector<LevelColumn> columns(int count) const;

  private:
    LevelColumn column(std::int64_t begin, std::int64_t end) const;

    int rate;
    LevelEnvelope input, output;
    std::vector<float> loudness;
    double loudnessStepSeconds = 0.0;
};

// A linear amplitude in dB, kSilenceDb for silence and anything quieter.
double levelDb(double amplitude);

} // namespace host
