#include "dsp/APluginProgram.h"

#include <cstring>

namespace tmx1 {

// clang-format off
const std::array<FactoryProgram, kNumPrograms> kFactoryPrograms{{
    //                          Thr   Rel    PDE   RelType Knee  Gain  AutoG Brick Link  Res
    {"Warm Tollimation",      {0.8f, 0.44f, 1.0f, 1.0f,  0.5f,  0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Smooth Tollimation",    {0.8f, 0.44f, 1.0f, 0.75f, 0.5f,  0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Fast Tollimation",      {0.8f, 0.0f,  1.0f, 0.5f,  0.5f,  0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Drums and Bass",        {0.8f, 0.3f,  1.0f, 1.0f,  0.15f, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Opto Mixdown",          {0.8f, 0.87f, 1.0f, 0.0f,  1.0f,  0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Soft Mastering",        {0.8f, 0.67f, 1.0f, 0.0f,  0.03f, 0.5f, 1.0f, 1.0f, 1.0f, 0.0f}},
    {"Hot Mastering",         {0.8f, 0.3f,  1.0f, 0.75f, 0.0f,  0.5f, 1.0f, 1.0f, 1.0f, 0.0f}},
    {"Maximum Loudness",      {0.8f, 0.1f,  1.0f, 1.0f,  0.0f,  0.5f, 1.0f, 1.0f, 1.0f, 0.0f}},
    {"Drum Mix",              {0.8f, 0.0f,  0.0f, 1.0f,  0.15f, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
    {"Pumper",                {0.8f, 0.54f, 0.0f, 0.25f, 0.0f,  0.5f, 1.0f, 0.0f, 1.0f, 0.0f}},
}};
// clang-format on

APluginProgram::APluginProgram(const FactoryProgram& factory) {
    for (int i = 0; i < kNumParams; ++i)
        setValue(i, factory.values[i]);
    setName(factory.name);
}

void APluginProgram::setName(const char* text) {
    const std::size_t length = strnlen(text, kProgramNameSize - 1);
    std::memcpy(name.data(), text, length);
    name[length] = '\0';
}

} // namespace tmx1
