// Audio files through libsndfile: reading any format it knows as stereo blocks, and writing float
// samples into the container of the file that was read.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct sf_private_tag;

namespace host {

// An audio file that cannot be read or written; the message names the file and the reason.
class SoundFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The container and sample format in libsndfile's terms (SF_FORMAT_*), with text for people.
struct SoundFormat {
    int code = 0;
    std::string describe() const; // e.g. "WAV, 32-bit float"
};

// One open libsndfile handle, closed when this object goes.
class SoundFileHandle {
  public:
    SoundFileHandle() = default;
    explicit SoundFileHandle(sf_private_tag* file) : file(file) {}
    ~SoundFileHandle();
    SoundFileHandle(SoundFileHandle&& other) noexcept;
    SoundFileHandle& operator=(SoundFileHandle&& other) noexcept;
    SoundFileHandle(const SoundFileHandle&) = delete;
    SoundFileHandle& operator=(const SoundFileHandle&) = delete;

    sf_private_tag* get() const { return file; }
    // Closes now and throws when the last data could not be written.
    void close(const std::string& path);

  private:
    sf_private_tag* file = nullptr;
};

// A mono or stereo file read in blocks; mono is delivered on both channels.
class SoundReader {
  public:
    // Throws SoundFileError when the file is missing, not in a known format, or has more than two
    // channels.
    explicit SoundReader(const std::string& path);

    int sampleRate() const { return rate; }
    int channels() const { return channelCount; }
    std::int64_t frames() const { return frameCount; }
    SoundFormat format() const { return {formatCode}; }

    // Reads up to `frames` frames into `left` and `right`; answers how many were read (0 at the end).
    int read(float* left, float* right, int frames);

  private:
    std::string path;
    SoundFileHandle file;
    int rate = 0;
    int channelCount = 0;
    std::int64_t frameCount = 0;
    int formatCode = 0;
    std::vector<float> interleaved;
};

// A stereo file written in blocks.
class SoundWriter {
  public:
    // Throws SoundFileError when the file cannot be created.
    SoundWriter(const std::string& path, SoundFormat format, int sampleRate);

    void write(const float* left, const float* right, int frames);
    // Finishes the file (headers, last data); throws when that fails.
    void close();

    // The format written for audio read from `input`: the same container with 32-bit float samples,
    // or the container's finest sample format when it holds no float samples (FLAC, Ogg).
    static SoundFormat floatFormatFor(SoundFormat input, int sampleRate);

  private:
    std::string path;
    SoundFileHandle file;
    std::vector<float> interleaved;
};

} // namespace host
