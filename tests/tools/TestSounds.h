// Small audio files written and read back with libsndfile, in a folder of their own per test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct Sound {
    int sampleRate = 44100;
    int channels = 2;
    std::vector<float> samples; // interleaved
    int format = 0;             // SF_FORMAT_* as read; when writing, the format to write

    long frames() const { return static_cast<long>(samples.size()) / channels; }
    float at(long frame, int channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
};

// `frames` frames of `channels` channels, each channel a different shape so that swaps show.
Sound testSignal(int channels, long frames, int sampleRate = 44100);

void writeSound(const std::filesystem::path& path, const Sound& sound);
// Fails the current test (and answers an empty sound) when the file cannot be read.
Sound readSound(const std::filesystem::path& path);

// The largest difference between two renders' samples (TMX-1's dither differs from run to run);
// fails the current test when their lengths differ.
float largestDifference(const std::vector<float>& a, const std::vector<float>& b);

// A fresh empty folder, removed with everything in it when the object goes.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // The names of everything in the folder.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path;
};

} // namespace testing_support
