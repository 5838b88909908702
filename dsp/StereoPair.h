// Left and right values side by side in one register, so that a step both channels take costs one
// instruction instead of two. Each lane computes exactly what the scalar code would: double
// arithmetic, rounded to float by stored() wherever a value is stored.
#pragma once

#include <emmintrin.h>

namespace tmx1 {

struct StereoPair {
    __m128d v; // low lane left, high lane right

    static StereoPair of(float left, float right) { return {_mm_set_pd(right, left)}; }
    static StereoPair splat(double value) { return {_mm_set1_pd(value)}; }
    float left() const { return static_cast<float>(_mm_cvtsd_f64(v)); }
    float right() const { return static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(v, v))); }
};

inline StereoPair operator+(StereoPair a, StereoPair b) { return {_mm_add_pd(a.v, b.v)}; }
inline StereoPair operator-(StereoPair a, StereoPair b) { return {_mm_sub_pd(a.v, b.v)}; }
inline StereoPair operator*(StereoPair a, StereoPair b) { return {_mm_mul_pd(a.v, b.v)}; }
inline StereoPair operator/(StereoPair a, StereoPair b) { return {_mm_div_pd(a.v, b.v)}; }
inline StereoPair max(StereoPair a, StereoPair b) { return {_mm_max_pd(a.v, b.v)}; }

// Rounds both lanes to float, as storing them would.
inline StereoPair stored(StereoPair x) { return {_mm_cvtps_pd(_mm_cvtpd_ps(x.v))}; }

// Per lane: a > b (or a < b) as a mask for select().
inline __m128d greater(StereoPair a, StereoPair b) { return _mm_cmpgt_pd(a.v, b.v); }
inline __m128d less(StereoPair a, StereoPair b) { return _mm_cmplt_pd(a.v, b.v); }
inline bool anyLane(__m128d mask) { return _mm_movemask_pd(mask) != 0; }

// Per lane: `ifTrue` where the mask is set, `ifFalse` elsewhere.
inline StereoPair select(__m128d mask, StereoPair ifTrue, StereoPair ifFalse) {
    return {_mm_or_pd(_mm_and_pd(mask, ifTrue.v), _mm_andnot_pd(mask, ifFalse.v))};
}

} // namespace tmx1
