// One program: a full set of the ten parameter values and a name. The effect keeps ten of them,
// filled from the factory table, as editable buffers for its whole life.
#pragma once

#include "dsp/ParameterTable.h"

#include <array>
#include <atomic>

namespace tmx1 {

constexpr int kNumPrograms = 10;
constexpr int kProgramNameSize = 52; // 51 characters and the terminator

struct FactoryProgram {
    const char* name;
    std::array<float, kNumParams> values;
};

extern const std::array<FactoryProgram, kNumPrograms> kFactoryPrograms;

class APluginProgram {
  public:
    explicit APluginProgram(const FactoryProgram& factory);

    // Values may be written by setParameter on whichever thread the host calls it from.
    float value(int index) const { return values[index].load(std::memory_order_relaxed); }
    void setValue(int index, float value) { values[index].store(value, std::memory_order_relaxed); }

    const char* getName() const { return name.data(); }
    // Copies at most 51 characters of text; a longer name is cut.
    void setName(const char* text);

  private:
    std::array<std::atomic<float>, kNumParams> values;
    std::array<char, kProgramNameSize> name{};
};

} // namespace tmx1
