#include "tools/tmx1-host/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace host {

namespace {

std::string formatName(int code) {
    SF_FORMAT_INFO info{};
    info.format = code;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr
               ? info.name
               : "unknown";
}

bool writable(int code, int sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = code;
    return sf_format_check(&info) != 0;
}

SoundFileHandle openForReading(const std::string& path, SF_INFO& info) {
    if (!std::filesystem::exists(path))
        throw SoundFileError(path + ": no such file");
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        throw SoundFileError(path + ": not a readable audio file (" + sf_strerror(nullptr) + ")");
    return SoundFileHandle(file);
}

} // namespace

std::string SoundFormat::describe() const {
    return formatName(code & SF_FORMAT_TYPEMASK) + ", " + formatName(code & SF_FORMAT_SUBMASK);
}

SoundFileHandle::~SoundFileHandle() {
    if (file != nullptr)
        sf_close(file);
}

SoundFileHandle::SoundFileHandle(SoundFileHandle&& other) noexcept
    : file(std::exchange(other.file, nullptr)) {}

SoundFileHandle& SoundFileHandle::operator=(SoundFileHandle&& other) noexcept {
    if (this != &other) {
        if (file != nullptr)
            sf_close(file);
        file = std::exchange(other.file, nullptr);
    }
    return *this;
}

void SoundFileHandle::close(const std::string& path) {
    SNDFILE* closing = std::exchange(file, nullptr);
    if (closing != nullptr && sf_close(closing) != 0)
        throw SoundFileError(path + ": could not finish writing");
}

SoundReader::SoundReader(const std::string& path) : path(path) {
    SF_INFO info{};
    file = openForReading(path, info);
    if (info.channels > 2)
        throw SoundFileError(path + ": has " + std::to_string(info.channels) +
                             " channels; only mono and stereo files can be rendered");
    rate = info.samplerate;
    channelCount = info.channels;
    frameCount = info.frames;
    formatCode = info.format;
}

int SoundReader::read(float* left, float* right, int frames) {
    interleaved.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount));
    const auto got = static_cast<int>(sf_readf_float(file.get(), interleaved.data(), frames));
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw SoundFileError(path + ": read failed (" + sf_strerror(file.get()) + ")");
    for (int i = 0; i < got; ++i) {
        const auto at = static_cast<std::size_t>(i * channelCount);
        left[i] = interleaved[at];
        right[i] = interleaved[at + static_cast<std::size_t>(channelCount - 1)];
    }
    return got;
}

SoundWriter::SoundWriter(const std::string& path, SoundFormat format, int sampleRate) : path(path) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format.code;
    SNDFILE* opened = sf_open(path.c_str(), SFM_WRITE, &info);
    if (opened == nullptr)
        throw SoundFileError(path + ": cannot be written (" + sf_strerror(nullptr) + ")");
    file = SoundFileHandle(opened);
    // Integer formats would otherwise wrap round on samples beyond full scale.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

void SoundWriter::write(const float* left, const float* right, int frames) {
    interleaved.resize(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        interleaved[static_cast<std::size_t>(2 * i)] = left[i];
        interleaved[static_cast<std::size_t>(2 * i + 1)] = right[i];
    }
    if (sf_writef_float(file.get(), interleaved.data(), frames) != frames)
        throw SoundFileError(path + ": write failed (" + sf_strerror(file.get()) + ")");
}

void SoundWriter::close() { file.close(path); }

SoundFormat SoundWriter::floatFormatFor(SoundFormat input, int sampleRate) {
    const int container = input.code & SF_FORMAT_TYPEMASK;
    for (const int samples : {int{SF_FORMAT_FLOAT}, int{SF_FORMAT_PCM_24}, input.code & SF_FORMAT_SUBMASK})
        if (writable(container | samples, sampleRate))
            return {container | samples};
    throw SoundFileError(formatName(container) + " files cannot be written");
}

} // namespace host
