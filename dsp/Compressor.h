// The compressor itself, free of any plug-in format: normalised parameter values in, stereo audio
// through, meters, the over-compression state and the latency out. Each plug-in format (VST 2, LV2,
// CLAP) owns one and translates its host's calls into these.
//
// Threads: setParameter, parameter, setSampleRate and the meter reads may come from any thread; the
// processing calls (resume, suspend, process) come from the host's audio thread, or while it does not
// process. Nothing here allocates, locks or calls the system after construction.
#pragma once

#include "dsp/AudioState.h"
#include "dsp/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace tmx1 {

struct BlockState; // a block's working copy of the signal state (dsp/BlockState.h)

// Frames True Peak adds to the delay: the estimate around a frame needs the frames after it.
constexpr int kTruePeakFrames = TruePeakEstimator::aroundLatencyFrames();
// True Peak works where its frames and the look-ahead fit the delay lines (up to about 470 kHz).
constexpr bool truePeakFits(int lookahead) { return lookahead + kTruePeakFrames < kDelayLength; }

enum MeterIndex : int { kMeterInL = 0, kMeterInR, kMeterOutL, kMeterOutR, kMeterCpL, kMeterCpR, kNumMeters };

// Masks floating-point exceptions on the thread that makes a compressor, before any member is made: a
// host that unmasks them would have the members' own arithmetic (the true-peak filter's design, the
// rate constants) trap, while the compressor counts on quiet infinities and NaNs.
struct MaskedFloatingPoint {
    MaskedFloatingPoint();
};

class Compressor : private MaskedFloatingPoint {
  public:
    // At 44.1 kHz, every parameter at its default; the first block takes every value without a ramp.
    Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // --- parameters, normalised 0..1; any thread
    // A value above 1 is taken as 1, below 0 or not a number as 0; an index out of range changes
    // nothing. The next block starts a 100 ms ramp to it.
    void setParameter(int index, float value);
    float parameter(int index) const {
        return paramValue[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
    }

    // --- processing
    // A rate that is not finite and positive is refused. The new rate's constants are taken at the
    // next resume; the parameters' coefficients at the next block.
    void setSampleRate(float rate);
    float currentSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
    void resume();
    void suspend();
    // Two channels in, two out; the outputs may be the inputs. Parameter changes take effect at the
    // block's start, also when there is nothing to process (no frames, a missing buffer).
    void process(const float* const* inputs, float* const* outputs, std::int32_t frames);
    // The same, adding to what the outputs hold.
    void processAccumulating(const float* const* inputs, float* const* outputs, std::int32_t frames);
    // Samples the output lags the input by from the next block on: the look-ahead at the rate of the
    // last resume, and with True Peak on the estimator's lag.
    int latency() const;

    // --- meters, written by the audio thread at every block end while metering is on
    // In L, In R, Out L, Out R as levels, Cp L, Cp R as gains (1 = no reduction).
    float meterValue(int which) const {
        return meters[static_cast<std::size_t>(which)].load(std::memory_order_relaxed);
    }
    bool isOcLatched() const { return ocLatched.load(std::memory_order_relaxed) != 0; }
    // The over-compression state was shown: the latch may clear once it has ended.
    void requestOcAcknowledge() { ocAckRequest.store(1, std::memory_order_relaxed); }
    // Metering costs time: it runs only while a panel shows it.
    void setMetering(bool on) { editorClosed.store(on ? 0 : 1, std::memory_order_relaxed); }
    bool isMetering() const { return editorClosed.load(std::memory_order_relaxed) == 0; }

  private:
    friend struct APluginProbe; // tests look at the signal state

    // --- control mapping (dsp/ControlMapping.cpp)
    void applyParameterChanges();
    void takeParameterChange(int index);
    void applyParameterWork(int index, float previousTarget);
    void startRamp(int index);
    void rebuildGainCurve();
    void estimatePeakLines();
    void computeRateConstants();

    // --- signal path (dsp/BlockDriver.cpp)
    template <bool accumulate>
    void processBlock(const float* const* inputs, float* const* outputs, std::int32_t frames);
    void loadBlockState(BlockState& s);
    void storeBlockState(const BlockState& s);
    float staticGain(float level) const;

    // --- metering (dsp/Metering.cpp)
    void resetMeters();

    // What the audio thread shares with the other threads: each field is written whole by one side
    // and read by the other, without locks. The audio thread's own state lies between the two
    // directions, so that the meters published at every block end do not share a cache line with the
    // parameters the editor writes.
    //
    // Written by the host's or the editor's thread, read by the audio thread:
    //   paramValue[10]     normalised values 0..1; setParameter (any thread), relaxed store
    //   paramChanged[10]   change flags; raised after the value (release), cleared before the
    //                      value is read (acquire) by applyParameterChanges; setSampleRate raises all
    //   sampleRate         Hz; setSampleRate; read by resume and by the release mapping
    //   rateChanged        sampleRate changed since the last resume
    //   ocAckRequest       raised by the panel's holder after each display; the metering clears it
    //   editorClosed       cleared while a panel shows the meters; metering runs while it is clear
    std::array<std::atomic<float>, kNumParams> paramValue{};
    std::array<std::atomic<std::uint8_t>, kNumParams> paramChanged{};
    std::atomic<float> sampleRate{44100.0f};
    std::atomic<std::uint8_t> rateChanged{1};
    std::atomic<std::uint8_t> ocAckRequest{0};
    std::atomic<std::uint8_t> editorClosed{0};

    // Everything else the signal path holds: the audio thread's own (dsp/AudioState.h). The dither
    // generator's state is process-wide (dsp/Dither.h).
    AudioState audio;

    // Written by the audio thread, read by the others:
    //   meters[6]          In L, In R, Out L, Out R, Cp L, Cp R, only while metering runs
    //   ocLatched          over-compression, latched by the metering
    //   latencySamples     the look-ahead, set with the rate constants; latency() adds True Peak's
    std::array<std::atomic<float>, kNumMeters> meters{};
    std::atomic<std::uint8_t> ocLatched{0};
    std::atomic<int> latencySamples{0};
};

} // namespace tmx1
