#include "clap/ClapState.h"

#include "dsp/APluginProgram.h"

#include <bit>
#include <cstring>

namespace tmx1 {

namespace {

constexpr std::array<std::uint8_t, 4> kMark{'T', 'M', 'X', '1'};
constexpr std::uint32_t kLayoutVersion = 1;

void putWord(std::uint8_t* at, std::uint32_t word) {
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<std::uint8_t>(word >> (8 * k));
}

std::uint32_t wordAt(const std::uint8_t* at) {
    std::uint32_t word = 0;
    for (int k = 0; k < 4; ++k)
        word |= static_cast<std::uint32_t>(at[k]) << (8 * k);
    return word;
}

} // namespace

ClapState::Bytes ClapState::encode() const {
    Bytes bytes{};
    std::memcpy(bytes.data(), kMark.data(), kMark.size());
    putWord(&bytes[4], kLayoutVersion);
    putWord(&bytes[8], static_cast<std::uint32_t>(program));
    putWord(&bytes[12], static_cast<std::uint32_t>(kNumParams));
    for (std::size_t i = 0; i < values.size(); ++i)
        putWord(&bytes[16 + 4 * i], std::bit_cast<std::uint32_t>(values[i]));
    return bytes;
}

std::optional<ClapState> ClapState::decode(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSize || std::memcmp(bytes.data(), kMark.data(), kMark.size()) != 0 ||
        wordAt(&bytes[4]) != kLayoutVersion || wordAt(&bytes[12]) != static_cast<std::uint32_t>(kNumParams))
        return std::nullopt;
    ClapState state;
    const std::uint32_t program = wordAt(&bytes[8]);
    if (program >= static_cast<std::uint32_t>(kNumPrograms))
        return std::nullopt;
    state.program = static_cast<int>(program);
    for (std::size_t i = 0; i < state.values.size(); ++i) {
        const float value = std::bit_cast<float>(wordAt(&bytes[16 + 4 * i]));
        if (!(value >= 0.0f && value <= 1.0f)) // not a number fails too
            return std::nullopt;
        state.values[i] = value;
    }
    return state;
}

} // namespace tmx1
