#include "tests/dsp/ReferenceCompressor.h"

namespace reference {

namespace {

float expLaw(float v, float lo, float hi) {
    return static_cast<float>(
        static_cast<long double>(lo) *
        std::exp(static_cast<long double>(v) * std::log(hi / static_cast<long double>(lo))));
}
float linLaw(float v, float lo, float hi) {
    return static_cast<float>(static_cast<long double>(lo) + (static_cast<long double>(hi) - lo) * v);
}
// c(T) = 0.368^(1/(fs T)) and a(T) = 1 - c(T), evaluated as exp(ln(0.368) / (fs T))
float c(double T, double fs) { return static_cast<float>(std::exp(std::log(0.368) / (fs * T))); }
float a(double T, double fs) { return static_cast<float>(1.0 - std::exp(std::log(0.368) / (fs * T))); }
int roundEven(double x) { return static_cast<int>(std::nearbyint(x)); } // tests run in the default mode

float follow(float x, float s, float k) {
    if (x > s)
        return static_cast<float>(x + (double(s) - double(x)) * k);
    return x;
}

float curveGain(float lev, float T, float K) {
    if (lev > T)
        return static_cast<float>(1.0 - std::exp(double(K) * std::log((double(lev) - T) / lev)));
    return 1.0f;
}

} // namespace

ReferenceCompressor::ReferenceCompressor(const std::array<float, 10>& v, double rate, std::uint32_t ditherState)
    : rng(ditherState) {
    // as created: every parameter counts as changed, the rate is 44.1 kHz until the host sets one
    changed.fill(true);
    suspend();
    setSampleRate(rate);
    resume();
    for (int i = 0; i < 10; ++i)
        setParameter(i, v[static_cast<std::size_t>(i)]);
    blockStart();
}

void ReferenceCompressor::setParameter(int index, float v) {
    value[static_cast<std::size_t>(index)] = std::fmin(std::fmax(v, 0.0f), 1.0f);
    changed[static_cast<std::size_t>(index)] = true;
}

void ReferenceCompressor::setSampleRate(double rate) {
    fs = static_cast<float>(rate);
    rateChanged = true;
    changed.fill(true);
}

void ReferenceCompressor::resume() {
    if (!rateChanged)
        return;
    rateChanged = false;
    rampLength = roundEven(0.1 * fs);
    fastRel = c(0.002, fs);
    pdeC = a(0.1, fs);
    period = static_cast<std::uint32_t>(roundEven(0.1 * fs));
    smoothC = a(0.0001, fs);
    optoC = c(0.045, fs);
    look = roundEven(0.0005 * fs);
    brickC = c(0.001, fs);
    meterC = static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * fs)));
}

void ReferenceCompressor::suspend() {
    meter = {0, 0, 0, 0, 1, 1};
    meanL = meanR = peakL = peakR = 0;
    count = 0;
    latched = false;
    for (Channel* ch : {&left, &right})
        ch->sm[0] = ch->sm[1] = ch->sm[2] = 1.0f;
    std::fill(std::begin(dl), std::end(dl), 0.0f);
    std::fill(std::begin(dr), std::end(dr), 0.0f);
    w = 0;
}

float ReferenceCompressor::mapped(int index) const {
    const float v = value[static_cast<std::size_t>(index)];
    switch (index) {
    case 0:
        return expLaw(v, 0.01f, 3.16f);
    case 1:
        return expLaw(v, 0.005f, 5.0f);
    case 3:
        return linLaw(v, 0.0f, 4.0f);
    case 4:
        return expLaw(v, 1.0f, 10.0f);
    case 5:
        return expLaw(v, 0.316f, 3.16f);
    case 9:
        return 0.0f;
    default:
        return linLaw(v, 0.0f, 1.0f);
    }
}

void ReferenceCompressor::changeWork(int index, float previous) {
    const float now = target[static_cast<std::size_t>(index)];
    const bool switched = firstBlock || (previous > 0.5f) != (now > 0.5f);
    switch (index) {
    case 0:
    case 4:
        curveDirty = true;
        break;
    case 1: {
        const float T = roundEven(target[3]) == 1 ? static_cast<float>(0.154 * double(now)) : now;
        target[1] = c(T, fs);
        left.rel = right.rel = target[1];
        break;
    }
    case 2:
        if (switched)
            left.env = right.env = 1.0f;
        break;
    case 3: {
        const int newType = roundEven(now);
        const bool hasPre = newType == 0 || newType == 2 || newType == 3;
        const bool newKind = firstBlock || newType != roundEven(previous);
        if (newKind) {
            changed[1] = true;
            type = newType;
            if (hasPre) {
                preTime = newType == 2 ? 0.0037f : 0.0091f;
                preTimeFast = newType == 2 ? 0.00037f : 0.00091f;
            }
            for (Channel* ch : {&left, &right})
                std::fill(std::begin(ch->s), std::end(ch->s), 1.0f);
        }
        if (hasPre) { // at the present rate, also for the same type again
            pre = c(preTime, fs);
            preFast = c(preTimeFast, fs);
            if (newKind)
                left.pre = right.pre = pre;
        }
        break;
    }
    case 7:
        if (switched)
            left.brick = right.brick = 1.0f;
        break;
    default:
        break;
    }
}

void ReferenceCompressor::startRamp(int index) {
    const auto i = static_cast<std::size_t>(index);
    rampCount[i] = rampLength;
    rampRemaining = rampLength;
    rampStep[i] = static_cast<float>((double(target[i]) - current[i]) / rampLength);
}

void ReferenceCompressor::takeChange(int index) {
    const auto i = static_cast<std::size_t>(index);
    changed[i] = false;
    const float previous = target[i];
    target[i] = mapped(index);
    changeWork(index, previous);
    startRamp(index);
}

void ReferenceCompressor::blockStart() {
    for (int i = 0; i < 10; ++i)
        if (changed[static_cast<std::size_t>(i)])
            takeChange(i);
    if (firstBlock) {
        // The first block's release coefficient is that of the release type set in the same pass.
        if (changed[1])
            takeChange(1);
        firstBlock = false;
        rampRemaining = 0;
        rampCount.fill(0);
        current = target;
    }
    if (curveDirty && rampRemaining == 0) {
        curveDirty = false;
        const auto kneeStart = static_cast<float>(double(current[0]) / current[4]);
        for (int j = 0; j < 2002; ++j)
            curve[static_cast<std::size_t>(j)] = curveGain(static_cast<float>(j * 0.001), kneeStart, current[4]);
    }
}

void ReferenceCompressor::rampStepAll() {
    if (rampRemaining == 0)
        return;
    for (std::size_t i = 0; i < 10; ++i) {
        if (rampCount[i] == 0)
            continue;
        current[i] = rampCount[i] == 1 ? target[i] : static_cast<float>(double(current[i]) + rampStep[i]);
        --rampCount[i];
    }
    --rampRemaining;
}

float ReferenceCompressor::gainFor(Channel& ch, float lev, float bw) {
    // static curve, by table up to 2.0
    float g;
    if (curveDirty || lev > 2.0f) {
        g = curveGain(lev, static_cast<float>(double(current[0]) / current[4]), current[4]);
    } else {
        const auto p = static_cast<float>(lev / 0.001);
        const int i = static_cast<int>(p);
        const double f = double(p) - i;
        g = static_cast<float>((1 - f) * curve[static_cast<std::size_t>(i)] +
                               f * curve[static_cast<std::size_t>(i + 1)]);
    }
    // release cascade
    float* s = ch.s;
    switch (type) {
    case 0:
        s[0] = follow(g, s[0], ch.pre);
        s[1] = follow(s[0], s[1], ch.pre);
        s[2] = follow(s[1], s[2], ch.rel);
        s[3] = follow(s[1], s[3], optoC);
        g = static_cast<float>(0.5 * s[2] + 0.5 * s[3]);
        break;
    case 1:
        s[0] = follow(g, s[0], ch.rel);
        for (int k = 1; k < 6; ++k)
            s[k] = follow(s[k - 1], s[k], ch.rel);
        g = s[5];
        break;
    case 2:
        s[0] = follow(g, s[0], ch.pre);
        for (int k = 1; k < 5; ++k)
            s[k] = follow(s[k - 1], s[k], ch.pre);
        s[5] = follow(s[4], s[5], ch.rel);
        g = s[5];
        break;
    case 3:
        s[0] = follow(g, s[0], ch.pre);
        s[1] = follow(s[0], s[1], ch.pre);
        s[2] = follow(s[1], s[2], ch.rel);
        g = s[2];
        break;
    default:
        s[0] = follow(g, s[0], ch.rel);
        g = s[0];
    }
    // coefficients for the next sample
    if (value[2] > 0.5f) {
        ch.env = static_cast<float>(ch.env + (double(g) - ch.env) * pdeC);
        float t = static_cast<float>(1.0 - double(g) / ch.env);
        t = std::fmin(std::fmax(t, 0.0f), 1.0f);
        t = static_cast<float>(double(t) * t * t);
        ch.rel = static_cast<float>(t * double(fastRel) + (1.0 - t) * current[1]);
        ch.pre = static_cast<float>(t * double(preFast) + (1.0 - t) * pre);
    } else {
        ch.rel = current[1];
        ch.pre = pre;
    }
    // smoother
    for (int k = 0; k < 3; ++k) {
        const float input = k == 0 ? g : ch.sm[k - 1];
        ch.sm[k] = static_cast<float>(ch.sm[k] + (double(input) - ch.sm[k]) * smoothC);
    }
    g = ch.sm[2];
    if (current[7] > 0.5f) {
        float t = static_cast<float>(current[0] / std::fabs(double(bw) * g));
        if (t > 1.0f)
            t = 1.0f;
        ch.brick = follow(t, ch.brick, brickC);
        g = static_cast<float>(double(g) * ch.brick);
    }
    return g;
}

void ReferenceCompressor::meterStep(float ldL, float ldR, float gL, float gR, float m) {
    const auto rise = [this](float x, float v) {
        return x > v ? x : static_cast<float>(v + (double(x) - v) * meterC);
    };
    const auto fall = [this](float x, float v) {
        return x < v ? x : static_cast<float>(v + (double(x) - v) * meterC);
    };
    meter[0] = rise(ldL, meter[0]);
    meter[1] = rise(ldR, meter[1]);
    meter[4] = fall(gL, meter[4]);
    meter[5] = fall(gR, meter[5]);
    const auto oL = static_cast<float>(double(ldL) * gL);
    const auto oR = static_cast<float>(double(ldR) * gR);
    meter[2] = rise(static_cast<float>(double(oL) * m * current[5]), meter[2]);
    meter[3] = rise(static_cast<float>(double(oR) * m * current[5]), meter[3]);
    const double n = count;
    meanL = static_cast<float>(meanL * n);
    meanR = static_cast<float>(meanR * n);
    ++count;
    meanL = static_cast<float>((double(ldL) * ldL + meanL) / count);
    meanR = static_cast<float>((double(ldR) * ldR + meanR) / count);
    peakL = std::fmax(peakL, static_cast<float>(double(oL) * oL));
    peakR = std::fmax(peakR, static_cast<float>(double(oR) * oR));
    if (count == period) {
        count = 0;
        if (meanL > peakL || meanR > peakR)
            latched = true;
        peakL = peakR = 0;
    }
}

std::pair<float, float> ReferenceCompressor::step(float inL, float inR) {
    rampStepAll();
    rng = rng * 134775813u + 1u;
    const auto noise = static_cast<float>((rng / 4294967296.0 - 0.5) * 6e-8);
    const auto xL = static_cast<float>(double(inL) + noise);
    const auto xR = static_cast<float>(double(inR) + noise);
    auto levL = static_cast<float>(std::fabs(double(xL)) + 1e-20);
    const auto levR = static_cast<float>(std::fabs(double(xR)) + 1e-20);

    w = (w + 1) % 256;
    const int r = ((w - look) % 256 + 256) % 256;
    dl[w] = xL;
    dr[w] = xR;
    const float dL = dl[r], dR = dr[r];
    auto bwL = static_cast<float>(std::fabs(double(dL)) + 1e-20);
    const auto bwR = static_cast<float>(std::fabs(double(dR)) + 1e-20);
    const bool link = value[8] > 0.5f;
    if (link) {
        levL = std::fmax(levL, levR);
        bwL = std::fmax(bwL, bwR);
    }
    const float gL = gainFor(left, levL, bwL);
    const float gR = link ? gL : gainFor(right, levR, bwR);
    const float m = value[6] > 0.5f ? static_cast<float>(1.0 / current[0]) : 1.0f;
    const auto yL = static_cast<float>(double(dL) * gL);
    const auto yR = static_cast<float>(double(dR) * gR);
    meterStep(static_cast<float>(std::fabs(double(dL)) + 1e-20),
              static_cast<float>(std::fabs(double(dR)) + 1e-20), gL, gR, m);
    return {static_cast<float>(double(yL) * m * current[5]), static_cast<float>(double(yR) * m * current[5])};
}

} // namespace reference
