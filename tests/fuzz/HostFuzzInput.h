// What the plug-in host fuzzers share: the reader that turns the fuzzer's bytes into a host's choices
// (zeros once the bytes run out), the values a host may send, odd ones first, and the checks that end
// the run with a report when the plug-in breaks a rule.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <vector>

namespace hostfuzz {

// At most this many host operations per input, and frames per block: each run stays short.
inline constexpr int kMostOperations = 64;
inline constexpr std::uint32_t kMostFrames = 4096;

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "host fuzz: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what) {
    if (!holds)
        fail(what);
}

class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool empty() const { return at >= size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::uint32_t word16() { return byte() | static_cast<std::uint32_t>(byte()) << 8; }
    std::uint32_t word32() { return word16() | word16() << 16; }
    template <typename T> T raw() {
        std::uint8_t bytes[sizeof(T)]{};
        for (auto& b : bytes)
            b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    // A count up to `most`, small ones likelier.
    std::uint32_t count(std::uint32_t most) {
        const std::uint8_t kind = byte();
        if (kind < 128)
            return std::min<std::uint32_t>(kind & 15u, most);
        return word16() % (most + 1);
    }
    // Any value: an odd one from the table, an exact bit pattern, or a point between lo and hi.
    double value(double lo, double hi) {
        static constexpr double kOdd[] = {0.0,
                                          -0.0,
                                          1.0,
                                          -1.0,
                                          0.5,
                                          std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          1e30,
                                          -1e30,
                                          1e300,
                                          std::numeric_limits<float>::max(),
                                          std::numeric_limits<float>::denorm_min(),
                                          std::numeric_limits<double>::denorm_min(),
                                          4.0,
                                          1e-7};
        const std::uint8_t kind = byte();
        if (kind < std::size(kOdd))
            return kOdd[kind];
        if (kind < 48)
            return raw<double>();
        return lo + (hi - lo) * byte() / 255.0;
    }
    float sample() {
        static constexpr float kOdd[] = {
            std::numeric_limits<float>::quiet_NaN(),  std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(),  std::numeric_limits<float>::max(),
            -std::numeric_limits<float>::max(),       1e30f,
            std::numeric_limits<float>::denorm_min(), 1e4f};
        const std::uint8_t kind = byte();
        if (kind < std::size(kOdd))
            return kOdd[kind];
        return static_cast<float>(static_cast<std::int16_t>(word16())) / 8192.0f; // up to 4: +12 dBFS
    }

  private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

// A channel's block as a host fills it: silence, a loud square, or values from the input with odd
// ones among them.
inline void fill(Reader& in, float* samples, std::uint32_t frames) {
    const std::uint8_t kind = in.byte() % 3;
    if (kind == 0) {
        std::fill(samples, samples + frames, 0.0f);
    } else if (kind == 1) {
        const float height = in.sample();
        const std::uint32_t period = 1 + in.byte();
        for (std::uint32_t i = 0; i < frames; ++i)
            samples[i] = (i / period) % 2 == 0 ? height : -height;
    } else {
        const std::uint32_t given = std::min<std::uint32_t>(frames, in.byte());
        for (std::uint32_t i = 0; i < frames; ++i)
            samples[i] = i < given ? in.sample() : samples[i % std::max<std::uint32_t>(given, 1)] * 0.5f;
    }
}

inline bool allFinite(const float* samples, std::uint32_t frames) {
    return std::all_of(samples, samples + frames, [](float s) { return std::isfinite(s); });
}

// The output frames a plug-in owes finite: those whose inputs were finite as far back as the effect
// delays anything (a look-ahead of at most 255 frames and True Peak's lag). A sample that is not
// finite comes out that much later, as any delay gives it back.
class FiniteInputs {
  public:
    static constexpr std::uint64_t kLongestDelay = 512;

    // Call before the block runs (in place, the outputs overwrite the inputs).
    std::vector<bool> owed(const float* left, const float* right, std::uint32_t frames) {
        std::vector<bool> owed(frames);
        for (std::uint32_t i = 0; i < frames; ++i) {
            run = std::isfinite(left[i]) && std::isfinite(right[i]) ? run + 1 : 0;
            owed[i] = run > kLongestDelay;
        }
        return owed;
    }

    static void check(const std::vector<bool>& owed, const float* left, const float* right) {
        for (std::size_t i = 0; i < owed.size(); ++i)
            if (owed[i] && !(std::isfinite(left[i]) && std::isfinite(right[i])))
                fail("finite inputs gave outputs that are not");
    }

  private:
    std::uint64_t run = 0;
};

// Where a unit impulse went: the frame of the loudest output.
inline std::uint32_t loudestFrame(const float* samples, std::uint32_t frames) {
    return static_cast<std::uint32_t>(
        std::max_element(samples, samples + frames,
                         [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
        samples);
}

// Rates a host may ask for, the usual ones and odd ones a plug-in must refuse or survive.
inline double sampleRate(Reader& in) {
    static constexpr double kRates[] = {44100.0, 48000.0, 96000.0, 192000.0,
                                        22050.0, 8000.0,  88200.0, 384000.0};
    const std::uint8_t kind = in.byte();
    if (kind < 200)
        return kRates[kind % std::size(kRates)];
    return in.value(1.0, 1e6);
}

// Nothing a sequence opened stays open: the process holds no more descriptors after a sequence than a
// few more than it held after its first one (fonts and the display are opened once and kept), so one
// left open by a sequence shows within a few dozen runs.
inline void checkNoDescriptorLeftOpen() {
    const auto open = [] {
        std::error_code error;
        const std::filesystem::directory_iterator fds("/proc/self/fd", error);
        return error ? std::ptrdiff_t{0} : std::distance(fds, std::filesystem::directory_iterator{});
    };
    static const std::ptrdiff_t afterFirst = open();
    check(open() <= afterFirst + 16, "a sequence left descriptors open");
}

} // namespace hostfuzz
