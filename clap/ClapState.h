// What a CLAP host saves with its project for one instance: the ten normalised parameter values and
// the current program, in a versioned byte layout of our own:
//
//   offset  size  content
//        0     4  "TMX1"
//        4     4  layout version, 1 (a later layout gets a new number and older builds refuse it)
//        8     4  the current program, 0..9
//       12     4  the count of values, 10
//       16    40  the values in parameter order, IEEE 754 single precision
//
// every number little-endian. A state of any other length, another mark or layout, or a value that is
// not a number in 0..1 is not ours or is damaged, and is refused as a whole.
#pragma once

#include "dsp/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tmx1 {

struct ClapState {
    int program = 0;
    std::array<float, kNumParams> values{};

    static constexpr std::size_t kSize = 16 + 4 * kNumParams;
    using Bytes = std::array<std::uint8_t, kSize>;

    Bytes encode() const;
    // Nothing for bytes that are not a whole state of this layout.
    static std::optional<ClapState> decode(std::span<const std::uint8_t> bytes);
};

} // namespace tmx1
