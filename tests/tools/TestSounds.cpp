#include "tests/tools/TestSounds.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace testing_support {

Sound testSignal(int channels, long frames, int sampleRate) {
    Sound sound;
    sound.sampleRate = sampleRate;
    sound.channels = channels;
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            sound.samples.push_back(c == 0
                                        ? 0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>(i)))
                                        : 0.25f * static_cast<float>((i * (c + 3)) % 97) / 97.0f - 0.1f * c);
    return sound;
}

void writeSound(const std::filesystem::path& path, const Sound& sound) {
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = sound.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    EXPECT_EQ(sf_writef_float(file, sound.samples.data(), sound.frames()), sound.frames());
    sf_close(file);
}

Sound readSound(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
        return {};
    }
    Sound sound{info.samplerate, info.channels,
                std::vector<float>(static_cast<std::size_t>(info.frames * info.channels)), info.format};
    EXPECT_EQ(sf_readf_float(file, sound.samples.data(), info.frames), info.frames);
    sf_close(file);
    return sound;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    float largest = 0.0f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        largest = std::max(largest, std::fabs(a[i] - b[i]));
    return largest;
}

ScratchFolder::ScratchFolder() {
    std::random_device entropy;
    path = std::filesystem::path(testing::TempDir()) / ("tmx1-host-test-" + std::to_string(entropy()));
    std::filesystem::create_directories(path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testing_support
