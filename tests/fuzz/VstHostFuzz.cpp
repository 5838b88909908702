// Fuzz target: any bytes as a sequence of host calls on one effect, each call one a VST 2 host may
// make (valid buffers, any index, value and float, any order), with the editor on the headless screen
// between them. After the sequence: finite outputs for every block of finite, moderate input at a
// rate the effect took; the delay it reports after a resume is the one an impulse shows; a chunk it
// gives, and the programs a host keeps of it, load into a fresh effect with the same parameters; the
// editor closes and the effect goes.
#include "dsp/ParameterTable.h"
#include "platform/headless/Screen.h"
#include "plugin/APlugin.h"
#include "plugin/VendorRequests.h"
#include "plugin/VstInterface.h"
#include "tests/fuzz/HeadlessUser.h"
#include "tests/fuzz/HostFuzzInput.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int kMaxOperations = 64;
constexpr int kMaxBlock = 8192;
constexpr int kMaxTotalFrames = 32768; // per input, so that an execution stays within milliseconds
constexpr std::size_t kTextSize = 256;
constexpr std::size_t kStructSize = 1024; // larger than any structure a request of this interface fills

vst::IntPtr hostCallback(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void* ptr, float) {
    switch (opcode) {
    case vst::audioMasterVersion:
        return 2400;
    case vst::audioMasterGetVendorString:
    case vst::audioMasterGetProductString:
        std::strcpy(static_cast<char*>(ptr), "Fuzz");
        return 1;
    case vst::audioMasterIOChanged:
    case vst::audioMasterSizeWindow:
        return 1;
    default:
        return 0;
    }
}

// The input, read front to back; zeros once it is used up.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }
    // Mostly the values that break arithmetic, sometimes any bit pattern.
    float number() {
        static constexpr std::array<float, 16> kSpecial{
            0.0f, 1.0f, 0.5f, -1.0f, 2.0f, -0.0f, 1e-40f, -1e-45f, 1e9f, -1e9f, 44100.0f, 3e38f,
            std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(), 1.0000001f};
        const std::uint8_t pick = byte();
        if (pick < 0x80)
            return kSpecial[pick % kSpecial.size()];
        if (pick < 0xC0)
            return static_cast<float>(byte()) / 255.0f;
        return std::bit_cast<float>(u32());
    }
    std::int32_t integer() {
        const std::uint8_t pick = byte();
        if (pick < 0xE0)
            return static_cast<std::int8_t>(pick) / 4; // small, negative ones too
        return static_cast<std::int32_t>(u32());
    }
    // A null-terminated text of at most limit characters.
    void text(char* out, std::size_t limit) {
        const std::size_t n = std::min<std::size_t>(byte(), limit);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<char>(byte());
        out[n] = '\0';
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

using hostfuzz::check;

vst::IntPtr dispatch(vst::AEffect* e, vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

vst::AEffect* makeEffect() { return (new tmx1::APlugin(hostCallback))->getAeffect(); }

std::array<float, tmx1::kNumParams> parameters(vst::AEffect* e) {
    std::array<float, tmx1::kNumParams> values{};
    for (int i = 0; i < tmx1::kNumParams; ++i)
        values[static_cast<std::size_t>(i)] = e->getParameter(e, i);
    return values;
}

// What a host keeps of an effect that gives no chunks: every program's name and parameters, and which
// program is current (read as hosts read it, by selecting each program in turn).
struct Bank {
    vst::IntPtr current = 0;
    std::vector<std::string> names;
    std::vector<std::array<float, tmx1::kNumParams>> values;
    bool operator==(const Bank&) const = default;
};

Bank bankOf(vst::AEffect* e) {
    Bank bank;
    bank.current = dispatch(e, vst::effGetProgram);
    for (vst::Int32 k = 0; k < e->numPrograms; ++k) {
        dispatch(e, vst::effSetProgram, 0, k);
        std::array<char, kTextSize> name{};
        dispatch(e, vst::effGetProgramName, 0, 0, name.data());
        bank.names.emplace_back(name.data());
        bank.values.push_back(parameters(e));
    }
    dispatch(e, vst::effSetProgram, 0, bank.current);
    return bank;
}

// Gives a bank back as a host restores a session: each program's name and parameters, then the
// current program.
void restore(vst::AEffect* e, const Bank& bank) {
    for (vst::Int32 k = 0; k < static_cast<vst::Int32>(bank.names.size()); ++k) {
        dispatch(e, vst::effSetProgram, 0, k);
        std::string name = bank.names[static_cast<std::size_t>(k)];
        dispatch(e, vst::effSetProgramName, 0, 0, name.data());
        for (int i = 0; i < tmx1::kNumParams; ++i)
            e->setParameter(e, i, bank.values[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)]);
    }
    dispatch(e, vst::effSetProgram, 0, bank.current);
}

class Session {
  public:
    explicit Session(vst::AEffect* effect) : e(effect) {}

    void run(ByteReader& in) {
        for (int n = 0; n < kMaxOperations && !in.empty(); ++n)
            step(in);
    }

    void finish() {
        checkChunkRoundTrip();
        checkBankRoundTrip();
        checkLatency();
        dispatch(e, vst::effEditClose);
        open = false;
        check(screen.WindowCount() == 0, "a window stays after effEditClose");
    }

    platform::headless::Screen screen;

  private:
    void step(ByteReader& in) {
        switch (in.byte() % 12) {
        case 0: request(in); break;
        case 1: e->setParameter(e, in.integer() % 12, in.number()); break;
        case 2: (void)e->getParameter(e, in.integer()); break;
        case 3: case 4: processBlock(in); break;
        case 5: dispatch(e, vst::effSetSampleRate, 0, 0, nullptr, rate(in.number())); break;
        case 6: dispatch(e, vst::effMainsChanged, 0, in.byte() & 1); break;
        case 7: programs(in); break;
        case 8: openEditor(); break;
        case 9: dispatch(e, vst::effEditClose); open = false; break;
        case 10: idle(in); break;
        default: user(in); break;
        }
    }

    // The effect takes a finite positive rate and keeps the one before otherwise.
    float rate(float r) {
        if (std::isfinite(r) && r > 0.0f)
            sampleRate = r;
        return r;
    }

    void request(ByteReader& in) {
        const auto opcode = static_cast<vst::Int32>(in.byte() % (vst::effBeginLoadProgram + 1));
        const vst::Int32 index = in.integer();
        vst::IntPtr value = in.integer();
        const float opt = in.number();
        std::array<char, kStructSize> buffer{};
        switch (opcode) {
        case vst::effClose: // the host's last call; the sequence's end makes it
            return;
        case vst::effEditOpen:
            openEditor();
            return;
        case vst::effEditClose:
            open = false;
            break;
        case vst::effSetSampleRate:
            rate(opt);
            break;
        case vst::effSetProgramName:
        case vst::effCanDo:
            in.text(buffer.data(), vst::effSetProgramName == opcode ? 24 : kTextSize - 1);
            break;
        case vst::effEditGetRect: {
            vst::ERect* rect = nullptr;
            if (dispatch(e, opcode, index, value, &rect, opt) != 0)
                check(rect != nullptr && rect->right > rect->left && rect->bottom > rect->top, "an empty editor rectangle");
            return;
        }
        case vst::effGetChunk: {
            void* chunk = nullptr;
            (void)dispatch(e, opcode, index, value, &chunk, opt);
            return;
        }
        case vst::effSetChunk: {
            std::vector<char> chunk(in.byte());
            for (char& c : chunk)
                c = static_cast<char>(in.byte());
            (void)dispatch(e, opcode, index, static_cast<vst::IntPtr>(chunk.size()), chunk.data(), opt);
            return;
        }
        case vst::effVendorSpecific:
            if (index == tmx1::kMakerCode && value == tmx1::kHeadlessScreenRequest) {
                (void)dispatch(e, opcode, index, value, &screen, opt);
                return;
            }
            break;
        case vst::effMainsChanged:
            value &= 1;
            break;
        default:
            break;
        }
        (void)dispatch(e, opcode, index, value, buffer.data(), opt);
    }

    void programs(ByteReader& in) {
        const std::uint8_t what = in.byte();
        if ((what & 1) == 0) {
            dispatch(e, vst::effSetProgram, 0, in.integer());
            return;
        }
        std::array<char, kTextSize> name{};
        in.text(name.data(), 24);
        dispatch(e, vst::effSetProgramName, 0, 0, name.data());
        std::array<char, kTextSize> back{};
        dispatch(e, vst::effGetProgramName, 0, 0, back.data());
        check(std::memchr(back.data(), 0, 25) != nullptr, "a program name longer than 24 characters"); // a name the host's buffer holds
    }

    void openEditor() {
        if (open)
            return; // a host opens an editor once until it closes it
        if (dispatch(e, vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kHeadlessScreenRequest, &screen) == 1)
            open = dispatch(e, vst::effEditOpen) != 0;
    }

    void idle(ByteReader& in) {
        const std::uint8_t what = in.byte();
        if (open && screen.WindowCount() > 0)
            screen.LastWindow().AdvanceClock(what & 0x7F);
        if (what & 0x80)
            dispatch(e, vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kEditorZoomRequest, nullptr, in.number());
        else if (what & 0x40)
            dispatch(e, vst::effVendorSpecific, tmx1::kHostScaleIndex, tmx1::kHostScaleValue, nullptr, in.number());
        dispatch(e, vst::effEditIdle);
    }

    // Mouse and keys into the open panel, wherever they land.
    void user(ByteReader& in) {
        if (open && screen.WindowCount() > 0)
            hostfuzz::actAsUser(in, screen.LastWindow(), [&in] { return in.integer(); });
    }

    void processBlock(ByteReader& in) {
        const std::uint8_t how = in.byte();
        const int frames = std::min<int>(static_cast<int>(in.byte()) * static_cast<int>(in.byte()) % (kMaxBlock + 1),
                                         kMaxTotalFrames - framesRun);
        framesRun += frames;
        const auto size = static_cast<std::size_t>(std::max(frames, 1));
        std::vector<float> left(size), right(size), outLeft(size), outRight(size);
        const float special = in.number();
        const float level = in.number();
        bool moderate = true;
        for (std::size_t i = 0; i < size; ++i) {
            const float phase = static_cast<float>(i % 64) / 64.0f - 0.5f;
            left[i] = (how & 4) != 0 && i % 97 == 0 ? special : level * phase;
            right[i] = (how & 8) != 0 ? -left[i] : level * 0.5f;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(frames); ++i)
            moderate = moderate && std::fabs(left[i]) <= 1e3f && std::fabs(right[i]) <= 1e3f;
        const bool inPlace = (how & 1) != 0;
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {inPlace ? left.data() : outLeft.data(), inPlace ? right.data() : outRight.data()};
        if ((how & 2) != 0)
            e->processReplacing(e, inputs, outputs, frames);
        else
            e->process(e, inputs, outputs, frames);
        // An output frame carries the input of up to a delay line's length before (256 frames, the
        // true-peak frames on top): huge input owes its overflow to the frames that follow.
        const int owed = owedFrames;
        owedFrames = moderate ? std::max(0, owedFrames - frames) : 512;
        if (!moderate || !(sampleRate >= 8000.0f && sampleRate <= 768000.0f))
            return;
        for (auto i = static_cast<std::size_t>(std::min(owed, frames)); i < static_cast<std::size_t>(frames); ++i)
            check(std::isfinite(outputs[0][i]) && std::isfinite(outputs[1][i]), "a non-finite output");
    }

    // A chunk the effect gives loads into a fresh one with the same parameters.
    void checkChunkRoundTrip() {
        for (vst::Int32 isPreset = 0; isPreset < 2; ++isPreset) {
            void* chunk = nullptr;
            const vst::IntPtr size = dispatch(e, vst::effGetChunk, isPreset, 0, &chunk);
            if (size <= 0)
                continue;
            check(chunk != nullptr, "a chunk size without a chunk");
            const std::vector<char> saved(static_cast<char*>(chunk), static_cast<char*>(chunk) + size);
            vst::AEffect* fresh = makeEffect();
            std::vector<char> copy = saved;
            dispatch(fresh, vst::effSetChunk, isPreset, size, copy.data());
            check(parameters(fresh) == parameters(e), "a chunk loads other parameters");
            dispatch(fresh, vst::effClose);
        }
    }

    // Whatever the sequence did, every parameter reads within 0..1, and the programs a host saves load
    // into a fresh effect as they were.
    void checkBankRoundTrip() {
        const Bank saved = bankOf(e);
        for (const auto& values : saved.values)
            for (const float v : values)
                check(v >= 0.0f && v <= 1.0f, "a parameter reads outside 0..1");
        vst::AEffect* fresh = makeEffect();
        restore(fresh, saved);
        check(bankOf(fresh) == saved, "a saved bank loads other names or parameters");
        dispatch(fresh, vst::effClose);
    }

    // With no compression and no gain, an impulse comes out after the delay the effect reports, once
    // the parameters have glided to their new values (a tenth of a second; longer ramps clamp). The
    // release stages keep what the sequence left across a suspend and may still hold the impulse
    // down: only an impulse that stands clear of the dither is placed.
    void checkLatency() {
        dispatch(e, vst::effMainsChanged, 0, 0);
        dispatch(e, vst::effSetProgram, 0, 0);
        e->setParameter(e, tmx1::kThreshold, 1.0f);
        e->setParameter(e, tmx1::kGain, 0.5f);
        e->setParameter(e, tmx1::kAutoGain, 0.0f);
        e->setParameter(e, tmx1::kBrickWall, 0.0f);
        if (!(sampleRate >= 8000.0f && sampleRate <= 192000.0f))
            dispatch(e, vst::effSetSampleRate, 0, 0, nullptr, sampleRate = 44100.0f);
        dispatch(e, vst::effMainsChanged, 0, 1);
        const int delay = e->initialDelay;
        check(delay >= 0 && delay < kMaxBlock, "a reported delay out of range");
        std::vector<float> left(kMaxBlock), right(kMaxBlock);
        float* channels[2] = {left.data(), right.data()};
        for (int glide = static_cast<int>(0.1f * sampleRate) + 2; glide > 0; glide -= kMaxBlock)
            e->processReplacing(e, channels, channels, std::min(glide, kMaxBlock));
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        left[0] = right[0] = 0.1f;
        e->processReplacing(e, channels, channels, delay + 64);
        const auto peak = std::max_element(left.begin(), left.begin() + delay + 64,
                                           [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        check(std::fabs(*peak) < 1e-4f || peak - left.begin() == delay, "an impulse not at the reported delay");
    }

    vst::AEffect* e;
    bool open = false;
    float sampleRate = 44100.0f;
    int framesRun = 0;
    int owedFrames = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    vst::AEffect* effect = makeEffect();
    {
        Session session(effect);
        session.run(in);
        session.finish();
        dispatch(effect, vst::effClose);
    }
    hostfuzz::checkNoDescriptorLeftOpen();
    return 0;
}
