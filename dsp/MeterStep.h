// The metering step at the end of every sample, while the editor is open: input, gain-reduction
// and output levels with a 200 ms decay, and the over-compression indicator, latched until the
// editor has shown it. Both channels run side by side.
#pragma once

#include "dsp/BlockState.h"

#include <cstdint>

namespace tmx1 {

namespace metering {

// Peak follower: jumps up, decays towards lower values.
TMX1_SAMPLE_STEP StereoPair peak(StereoPair x, StereoPair v, StereoPair coef) {
    return select(greater(x, v), x, stored(v + (x - v) * coef));
}

// Minimum follower: jumps down, recovers towards higher values.
TMX1_SAMPLE_STEP StereoPair floorFollow(StereoPair g, StereoPair v, StereoPair coef) {
    return select(less(g, v), g, stored(v + (g - v) * coef));
}

// True in a lane where x, about to be rounded to float, lies within a few double units of a float
// rounding boundary (halfway between two floats), or in the float's subnormal range, where the
// boundaries are elsewhere. Outside those, any double within three units of x rounds to the same float.
TMX1_SAMPLE_STEP bool nearFloatBoundary(StereoPair x) {
    constexpr std::int32_t kHalfway = 0x10000000; // the first dropped bit set, the rest clear
    constexpr std::int32_t kMargin = 16;
    constexpr std::int32_t kSmallestNormalHigh = (1023 - 126 + 1) << 20; // high word of 2^-125
    const __m128i bits = _mm_castpd_si128(x.v);
    const __m128i dropped = _mm_and_si128(bits, _mm_set1_epi64x(0x1FFFFFFF));
    const __m128i offset = _mm_sub_epi32(dropped, _mm_set1_epi32(kHalfway - kMargin));
    const __m128i near = _mm_and_si128(_mm_cmpgt_epi32(offset, _mm_set1_epi32(-1)),
                                       _mm_cmplt_epi32(offset, _mm_set1_epi32(2 * kMargin + 1)));
    const __m128i tiny = _mm_cmplt_epi32(_mm_srli_epi64(bits, 32), _mm_set1_epi32(kSmallestNormalHigh));
    // The low word of each lane holds the answer for that lane.
    return (_mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(near, tiny))) & 0b0101) != 0;
}

// sum / count rounded to float, through the count's reciprocal: a multiplication instead of a
// division on the running mean's sample-to-sample path. The product differs from the quotient by at
// most two units in the last place of a double, which changes the float only near a rounding
// boundary; there the division decides (proven equal to the division, boundaries and subnormals
// included, by ExactRewrites.RunningMeanThroughTheReciprocalRoundsLikeTheDivision). Answers both
// lanes as floats.
TMX1_SAMPLE_STEP __m128 dividedByCount(StereoPair sum, double count, double reciprocal) {
    const StereoPair q = sum * StereoPair::splat(reciprocal);
    if (nearFloatBoundary(q)) [[unlikely]]
        return _mm_cvtpd_ps((sum / StereoPair::splat(count)).v);
    return _mm_cvtpd_ps(q.v);
}

// x * n rounded to float, for floats x (in the low two lanes) and a whole number n below 2^24:
// their double product is exact, so one float multiplication rounds it the same way
// (ExactRewrites.OneOperationOnTwoFloatsInDoubleRoundsToTheFloatOperation).
TMX1_SAMPLE_STEP StereoPair scaledByCount(__m128 x, float n) { return {_mm_cvtps_pd(_mm_mul_ps(x, _mm_set1_ps(n)))}; }

} // namespace metering

// The meters and the over-compression period, as the block loop carries them.
struct MeterState {
    StereoPair in, out, cp;
    __m128 meanSq; // as floats, left and right in the low two lanes: the mean's chain skips a conversion
    StereoPair peakSq;
    std::uint32_t count;

    static MeterState of(const BlockState& s) {
        return {s.meterIn, s.meterOut, s.meterCp, _mm_cvtpd_ps(s.meanSq.v), s.peakSq, s.meterCount};
    }
    void storeTo(BlockState& s) const {
        s.meterIn = in;
        s.meterOut = out;
        s.meterCp = cp;
        s.meanSq = {_mm_cvtps_pd(meanSq)};
        s.peakSq = peakSq;
        s.meterCount = count;
    }
};

// What the meters read but do not change.
struct MeterSettings {
    StereoPair coef;
    std::uint32_t period;
    bool countsExactInFloat; // every count of a period is a float (periods up to 2^24 samples)
    std::atomic<std::uint8_t>* ocLatched;
    std::atomic<std::uint8_t>* ocAckRequest;

    static MeterSettings of(const BlockState& s) {
        return {s.meterCoef, s.meterPeriod, s.meterPeriod <= (1u << 24), s.ocLatched, s.ocAckRequest};
    }
};

// The end of a period: over-compressed when the compressed peak fell below the input's RMS level.
inline void endMeterPeriod(MeterState& m, const MeterSettings& k) {
    m.count = 0;
    if (anyLane(greater(StereoPair{_mm_cvtps_pd(m.meanSq)}, m.peakSq)))
        k.ocLatched->store(1, std::memory_order_relaxed);
    else if (k.ocAckRequest->load(std::memory_order_relaxed) != 0) {
        k.ocAckRequest->store(0, std::memory_order_relaxed);
        k.ocLatched->store(0, std::memory_order_relaxed);
    }
    m.peakSq = StereoPair::splat(0.0);
}

// What a frame gives the meters, both channels side by side: the delayed input levels, the final
// gains, the output levels (gain-reduced levels with make-up and output gain) and the squared
// gain-reduced levels. None of it depends on the meters, so it is made for a whole chunk first.
// The frame's place in the meter period comes with them: the count before it (as a float, exact for
// periods up to 2^24 samples), the count after it and its reciprocal.
struct MeterInputs {
    StereoPair level, gain, output, reducedSquare;
    float countBefore;
    double countAfter, reciprocal;
};

TMX1_SAMPLE_STEP void meterStep(MeterState& m, const MeterSettings& k, const MeterInputs& x) {
    using metering::floorFollow;
    using metering::peak;
    const StereoPair ld = x.level;
    m.in = peak(ld, m.in, k.coef);
    m.cp = floorFollow(x.gain, m.cp, k.coef);
    m.out = peak(x.output, m.out, k.coef);

    // running mean square of the input over the meter period
    m.count += 1;
    const StereoPair scaled =
        k.countsExactInFloat
            ? metering::scaledByCount(m.meanSq, x.countBefore)
            : stored(StereoPair{_mm_cvtps_pd(m.meanSq)} * StereoPair::splat(x.countAfter - 1.0));
    m.meanSq = metering::dividedByCount(ld * ld + scaled, x.countAfter, x.reciprocal);
    m.peakSq = max(x.reducedSquare, m.peakSq);

    if (m.count == k.period) [[unlikely]]
        endMeterPeriod(m, k);
}

} // namespace tmx1
