// The per-pixel rules of drawing, one row at a time.
//
// Each routine blends one row of n pixels. A rule that multiplies is a small class with two forms of
// the same arithmetic: pixel() on one whole 32-bit word, block() on a vector of pixels in 16-bit lanes.
// Their results are the same bits: every intermediate of a channel, w × s + (255 − w) × d + 255, is at
// most 255 × 255 + 255 = 65280 and so fits a 16-bit lane, and nothing is divided. The lanes are there
// because x86-64's baseline (SSE2) multiplies eight 16-bit lanes in one instruction but has no multiply
// of 32-bit lanes, which blocks of whole words would need. blendRow runs block() over a row and pixel()
// over what is left.
//
// The tests in tests/DIB/BlendExhaustiveTest.cpp hold both forms to the plain per-channel rule: every
// rule that multiplies meets every pair of source and destination bytes for every weight there
// (BlendEveryInput.*), and every routine meets rows of every length, starting column and self-overlap
// (BlendRows.*), each once with the AVX2 forms and once with the SSE2 ones.
#include "DIB/cDIBBlend.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

namespace dib {

namespace blend {

namespace {

// d := (w × s + (255 − w) × d + 255) >> 8 for blue, green and red; the two outer channels at once.
inline std::uint32_t mixColour(std::uint32_t s, std::uint32_t d, std::uint32_t w) {
    const std::uint32_t iw = 255 - w;
    const std::uint32_t rb = ((s & 0xFF00FFu) * w + (d & 0xFF00FFu) * iw + 0xFF00FFu) >> 8 & 0xFF00FFu;
    const std::uint32_t g = (((s >> 8) & 0xFFu) * w + ((d >> 8) & 0xFFu) * iw + 0xFFu) >> 8 & 0xFFu;
    return rb | g << 8;
}

inline std::uint32_t maxAlpha(std::uint32_t s, std::uint32_t d) { return std::max(s >> 24, d >> 24) << 24; }

// Every function that takes or returns a block is always inlined: a 32-byte vector is passed one way by
// code built for AVX2 and another way by code built without it, so an AVX2 routine calling such a
// helper (built for any x86-64) would read garbage; unoptimised builds would make those calls. GCC
// still warns about that difference for the helpers' own signatures (at the end of the file, where
// templates are instantiated, hence no pop).
#pragma GCC diagnostic ignored "-Wpsabi"

// N pixels in one vector register, seen as pixels, as 16-bit lanes (two per pixel: blue and green, red
// and alpha) or as bytes. The block forms are written for any N and so for any vector width.
template <int N> struct Block {
    static constexpr int size = N;
    typedef std::uint32_t Pixels __attribute__((vector_size(4 * N)));
    typedef std::uint16_t Lanes __attribute__((vector_size(4 * N)));
    typedef std::uint8_t Bytes __attribute__((vector_size(4 * N)));
};

template <class V> using LanesOf = typename Block<sizeof(V) / 4>::Lanes;
template <class V> using BytesOf = typename Block<sizeof(V) / 4>::Bytes;

// The same bits as another vector type of the same size: GCC's vector cast. (std::bit_cast is not
// always inlined; see above.)
template <class To, class From> [[gnu::always_inline]] inline To as(const From& v) {
    static_assert(sizeof(To) == sizeof(From));
    return (To)v;
}

// A per-row constant in every 16-bit lane.
template <class V> [[gnu::always_inline]] inline LanesOf<V> broadcast(std::uint32_t value) {
    return LanesOf<V>{} + static_cast<std::uint16_t>(value);
}

// mixColour on a block; w holds each pixel's weight in both of its 16-bit lanes. Blue and red sit in
// the low bytes of the lanes, green in the high byte of the lower lane; each is mixed where it is, with
// no shuffling, and its result (the high byte of its sum) is moved back to its own byte. Alpha comes
// out 0.
template <class V> [[gnu::always_inline]] inline V mixColours(const V& s, const V& d, const LanesOf<V>& w) {
    using Lanes = LanesOf<V>;
    const Lanes s16 = as<Lanes>(s);
    const Lanes d16 = as<Lanes>(d);
    const Lanes iw = 255 - w;
    const Lanes blueRed = (w * (s16 & 0xFF) + iw * (d16 & 0xFF) + 255) >> 8;
    const Lanes greenAlpha = w * (s16 >> 8) + iw * (d16 >> 8) + 255;
    return as<V>(blueRed) | (as<V>(greenAlpha) & 0xFF00u);
}

// maxAlpha on a block: a maximum of bytes (one instruction) over all four channels, alpha kept.
template <class V> [[gnu::always_inline]] inline V maxAlphas(const V& s, const V& d) {
    const BytesOf<V> sb = as<BytesOf<V>>(s);
    const BytesOf<V> db = as<BytesOf<V>>(d);
    return as<V>(sb > db ? sb : db) & 0xFF000000u;
}

// A weight per pixel (below 256) into both of the pixel's 16-bit lanes: by a shift, since a multiply by
// 0x10001 would be one of 32-bit lanes.
template <class V> [[gnu::always_inline]] inline LanesOf<V> inBothLanes(const V& w) {
    return as<LanesOf<V>>(w | w << 16);
}

// Each colour mixed by the opacity o; alpha the larger of the two. Checked against the plain rule for
// every opacity and every pair of bytes by BlendEveryInput.ConstantOpacity*.
struct ConstantOpacity {
    std::uint32_t o;
    explicit ConstantOpacity(const RowParams& params) : o(params.opacity) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, o) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        return mixColours(s, d, broadcast<V>(o)) | maxAlphas(s, d);
    }
};

// Each colour mixed by the source alpha; alpha the larger of the two. Checked against the plain rule
// for every source alpha and every pair of bytes by BlendEveryInput.AlphaBlendWeighs*.
struct AlphaBlend {
    explicit AlphaBlend(const RowParams&) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, s >> 24) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        return mixColours(s, d, inBothLanes(s >> 24)) | maxAlphas(s, d);
    }
};

// Each colour mixed by (source alpha × o) >> 8; alpha the larger of the two. Checked against the plain
// rule for every pair of alpha and opacity by BlendEveryInput.AlphaBlendWithOpacity*.
struct AlphaBlendOpacity {
    std::uint32_t o;
    explicit AlphaBlendOpacity(const RowParams& params) : o(params.opacity) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return mixColour(s, d, (s >> 24) * o >> 8) | maxAlpha(s, d);
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        // In the lower lane of each pixel alpha × o is at most 255 × 254; the upper lane is 0 × o.
        const LanesOf<V> w = as<LanesOf<V>>(s >> 24) * broadcast<V>(o) >> 8;
        return mixColours(s, d, inBothLanes(as<V>(w))) | maxAlphas(s, d);
    }
};

// Outside the key colour k: each colour mixed by o, the source alpha. On the key: d unchanged. Checked
// against the plain rule for every opacity and every pair of bytes by BlendEveryInput.ColourKey*.
struct ColourKeyOpacity {
    std::uint32_t o;
    std::uint32_t k;
    explicit ColourKeyOpacity(const RowParams& params) : o(params.opacity), k(params.key & 0xFFFFFFu) {}
    std::uint32_t pixel(std::uint32_t s, std::uint32_t d) const {
        return (s & 0xFFFFFFu) != k ? mixColour(s, d, o) | (s & 0xFF000000u) : d;
    }
    template <class V> [[gnu::always_inline]] V block(const V& s, const V& d) const {
        const V blended = mixColours(s, d, broadcast<V>(o)) | (s & 0xFF000000u);
        return (s & 0xFFFFFFu) != k ? blended : d;
    }
};

// A draw of an image onto itself can move a row a few pixels right over itself. The rule goes pixel by
// pixel from the left, so there each pixel must read the ones blended just before it, inside what
// would be one block; such a row is done one pixel at a time (BlendRows.AnImageDrawnOntoItself*).
inline bool overlapsWithinBlock(const std::uint32_t* s, const std::uint32_t* d, int blockSize) {
    const std::uintptr_t ahead = reinterpret_cast<std::uintptr_t>(d) - reinterpret_cast<std::uintptr_t>(s);
    return ahead != 0 && ahead < blockSize * sizeof *d;
}

template <int N, class Rule>
[[gnu::always_inline]] inline void blendRow(const std::uint32_t* s, std::uint32_t* d, int n,
                                            const Rule& rule) {
    using Pixels = typename Block<N>::Pixels;
    int i = 0;
    if (!overlapsWithinBlock(s, d, N))
        for (; i + N <= n; i += N) {
            Pixels sv, dv;
            std::memcpy(&sv, s + i, sizeof sv);
            std::memcpy(&dv, d + i, sizeof dv);
            dv = rule.block(sv, dv);
            std::memcpy(d + i, &dv, sizeof dv);
        }
    for (; i < n; ++i)
        d[i] = rule.pixel(s[i], d[i]);
}

// Four pixels to a block: one SSE2 register, which every x86-64 has. (Eight, as two registers, measured
// slower: GCC splits a vector wider than the machine's through the stack.)
template <class Rule> void ruleRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& p) {
    blendRow<4>(s, d, n, Rule(p));
}

#if defined(__x86_64__) || defined(__i386__)
#define TMX1_DIB_AVX2 1
// Eight pixels to a block in an AVX2 register, for processors that have it (Draw asks at run time).
template <class Rule>
[[gnu::target("avx2")]] void ruleRowAVX2(const std::uint32_t* s, std::uint32_t* d, int n,
                                         const RowParams& p) {
    blendRow<8>(s, d, n, Rule(p));
}
#endif

// Outside the key colour: the source colour with alpha 0. Without multiplies this vectorises as it is.
// Held to the rule on rows of every length and starting column by BlendRows.EveryRoutine*.
void colourKeyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams& p) {
    const std::uint32_t k = p.key & 0xFFFFFFu;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t colour = s[i] & 0xFFFFFFu;
        d[i] = colour != k ? colour : d[i];
    }
}

// Read by every draw, on whichever thread an editor paints.
std::atomic<bool> avx2BlendsAllowed{true};

} // namespace

void CopyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams&) {
    std::memmove(d, s, static_cast<std::size_t>(n) * sizeof *d);
}

void AlphaOnlyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams&) {
    for (int i = 0; i < n; ++i)
        d[i] = (d[i] & 0xFFFFFFu) | (s[i] & 0xFF000000u);
}

void AlphaAsGreyRow(const std::uint32_t* s, std::uint32_t* d, int n, const RowParams&) {
    for (int i = 0; i < n; ++i)
        d[i] = (s[i] >> 24) * 0x01010101u;
}

} // namespace blend

// ---- which form

void SetAVX2BlendsAllowed(bool allowed) { blend::avx2BlendsAllowed = allowed; }

bool AVX2BlendsInUse() {
#ifdef TMX1_DIB_AVX2
    static const bool supported = [] {
        __builtin_cpu_init(); // in case the first draw comes from a static constructor
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return supported && blend::avx2BlendsAllowed;
#else
    return false;
#endif
}

blend::RowRoutine blend::RowRoutineFor(TBlendRoutine routine) {
    // In the order of TBlendRoutine.
    static constexpr std::array<RowRoutine, 6> baseline = {
        CopyRow,      ruleRow<ConstantOpacity>, ruleRow<AlphaBlend>, ruleRow<AlphaBlendOpacity>,
        colourKeyRow, ruleRow<ColourKeyOpacity>};
#ifdef TMX1_DIB_AVX2
    static constexpr std::array<RowRoutine, 6> avx2 = {
        CopyRow,      ruleRowAVX2<ConstantOpacity>, ruleRowAVX2<AlphaBlend>, ruleRowAVX2<AlphaBlendOpacity>,
        colourKeyRow, ruleRowAVX2<ColourKeyOpacity>};
    const auto& routines = AVX2BlendsInUse() ? avx2 : baseline;
#else
    const auto& routines = baseline;
#endif
    return routines[static_cast<std::size_t>(routine)];
}

} // namespace dib
