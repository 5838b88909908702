// The blend routines over a panel-sized image (570 × 265). Targets: the plain copy within 1.5× of a
// memcpy of the same bytes; every per-pixel blend at most 1 ns per pixel. The blends run in the forms
// Draw picks for this processor (AVX2 where it has it), and again as ..._SSE2 in the forms every
// x86-64 has.
#include "DIB/cDIB.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int width = 570;
constexpr int height = 265;
constexpr std::int64_t pixels = std::int64_t{width} * height;

void fillPattern(dib::TAbstractSuperDIB& image, std::uint32_t seed) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(
                x, y,
                (static_cast<std::uint32_t>(x * 2654435761u) ^ static_cast<std::uint32_t>(y * 40503u)) +
                    seed);
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<std::uint32_t> source(pixels, 0x80402010u);
    std::vector<std::uint32_t> target(pixels);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), pixels * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}

// Settings per routine: opacity, masked, transparent; and whether AVX2 may be used.
void BM_Draw(benchmark::State& state, int opacity, bool masked, bool transparent, bool avx2 = true) {
    dib::SetAVX2BlendsAllowed(avx2);
    dib::TMemoryDIB source(width, height);
    dib::TWinDIB target(width, height);
    fillPattern(source, 1);
    fillPattern(target, 7);
    source.SetTransparentMode(dib::tmFixed);
    source.SetTransparentColor(0x102030);
    source.SetOpacity(static_cast<std::uint8_t>(opacity));
    source.SetMasked(masked);
    source.SetTransparent(transparent);
    for (auto _ : state) {
        source.Draw(0, 0, target);
        benchmark::DoNotOptimize(target.Pixels());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetLabel(dib::AVX2BlendsInUse() ? "AVX2" : "SSE2");
    dib::SetAVX2BlendsAllowed(true);
}

void BM_ClippedCopy(benchmark::State& state) {
    dib::TMemoryDIB source(width, height);
    dib::TWinDIB target(width, height);
    fillPattern(source, 1);
    target.SetClipRect({10, 10, width - 11, height - 11});
    for (auto _ : state) {
        source.Draw(-5, -5, target);
        benchmark::DoNotOptimize(target.Pixels());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (width - 20) * (height - 20));
}

} // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK_CAPTURE(BM_Draw, Copy, 255, false, false);
BENCHMARK_CAPTURE(BM_Draw, ConstantOpacity, 128, false, false);
BENCHMARK_CAPTURE(BM_Draw, AlphaBlend, 255, true, false);
BENCHMARK_CAPTURE(BM_Draw, AlphaBlendOpacity, 128, true, false);
BENCHMARK_CAPTURE(BM_Draw, ColourKey, 255, false, true);
BENCHMARK_CAPTURE(BM_Draw, ColourKeyOpacity, 128, false, true);
BENCHMARK_CAPTURE(BM_Draw, ConstantOpacity_SSE2, 128, false, false, false);
BENCHMARK_CAPTURE(BM_Draw, AlphaBlend_SSE2, 255, true, false, false);
BENCHMARK_CAPTURE(BM_Draw, AlphaBlendOpacity_SSE2, 128, true, false, false);
BENCHMARK_CAPTURE(BM_Draw, ColourKeyOpacity_SSE2, 128, false, true, false);
BENCHMARK(BM_ClippedCopy);

BENCHMARK_MAIN();
