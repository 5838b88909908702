// The blend kernels behind TAbstractSuperDIB's drawing: one routine per row of pixels for each blend
// rule, and the choice between the AVX2 and SSE2 forms. Internal to the image unit; what the rest of
// the library sees of them is the TBlendRoutine an image's settings select.
#pragma once

#include "DIB/cDIB.h"

#include <cstdint>

namespace dib::blend {

// What a row routine reads of the drawing image's settings, taken once per draw.
struct RowParams {
    std::uint32_t opacity;
    std::uint32_t key; // low 24 bits: the effective transparent colour
};

// Blends n source pixels s over n destination pixels d, from the left.
using RowRoutine = void (*)(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& params);

// The routine of a blend rule, in the widest form this processor may use.
RowRoutine RowRoutineFor(TBlendRoutine routine);

// d := s; the rows may overlap.
void CopyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& params);
// d keeps its colours and takes the alpha of s.
void AlphaOnlyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& params);
// The alpha of s into all four channels of d.
void AlphaAsGreyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& params);

} // namespace dib::blend
