// The blend routines over a panel-sized image (570 × 265). Targets: the plain copy within 1.5× of a
// memcpy of the same bytes; every per-pixel blend at most 1 ns per pixel. The blends run in the forms
// Draw picks for this processor (AVX2 where it has it), and again as ..._SSE2 in the forms every
// x86-64 has. Turned and scaled draws: a knob's pointer turned onto the panel, and a glyph blown up to
// 5000 % onto a target of its own size (a damaged layout's scale), whose cost is that of what shows.
#include "DIB/cDIB.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
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

// A 64 × 64 masked glyph turned by 30° (AutoSize, as a knob's pointer) or scaled, drawn at (x, y).
void BM_Transformed(benchmark::State& state, int angle, long double scale, int targetSide, int x, int y) {
    constexpr int glyph = 64;
    dib::TMemoryDIB source(glyph, glyph);
    for (int row = 0; row < glyph; ++row)
        for (int col = 0; col < glyph; ++col)
            source.SetPixel(col, row, static_cast<std::uint32_t>(col * 2654435761u ^ row * 40503u));
    source.SetMasked(true);
    source.SetAutoSize(true);
    source.SetAngle(angle);
    source.SetScale(scale);
    dib::TWinDIB target(targetSide == 0 ? width : targetSide, targetSide == 0 ? height : targetSide);
    target.Fill(0x102030);
    for (auto _ : state) {
        source.Draw(x, y, target);
        benchmark::DoNotOptimize(target.Pixels());
        benchmark::ClobberMemory();
    }
    const dib::TDIBSize size = dib::RotatedSize(glyph, glyph, angle, scale, scale);
    state.SetLabel(std::to_string(size.Width) + " x " + std::to_string(size.Height) + " result");
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
BENCHMARK_CAPTURE(BM_Transformed, PointerTurnedOntoPanel, 30, 100.0L, 0, 200, 100);
BENCHMARK_CAPTURE(BM_Transformed, Scale5000IntoGlyphSizedTarget, 0, 5000.0L, 64, -1568, -1568);

BENCHMARK_MAIN();
