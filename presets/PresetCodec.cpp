#include "presets/PresetCodec.h"

#include <bit>
#include <charconv>
#include <cmath>

namespace presets {

namespace {

constexpr std::uint32_t code(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint32_t kChunkMagic = code("CcnK");
constexpr std::uint32_t kProgramKind = code("FxCk");
constexpr std::uint32_t kBankKind = code("FxBk");
constexpr std::uint32_t kOpaqueProgramKind = code("FPCh");
constexpr std::uint32_t kOpaqueBankKind = code("FBCh");
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::uint32_t kNewestBankVersion = 2; // the current program in the reserved bytes
constexpr std::size_t kNameBytes = kProgramNameLength + 1;
constexpr std::size_t kReservedBytes = 128;
constexpr std::size_t kMagicAndSize = 8;
// Kind, format version, ID, plug-in version and count: the fields both layouts begin with.
constexpr std::size_t kCommonFields = 20;

std::size_t programBytes(int parameterCount) {
    return kMagicAndSize + kCommonFields + kNameBytes + 4 * static_cast<std::size_t>(parameterCount);
}

std::size_t bankBytes(int parameterCount, int programCount) {
    return kMagicAndSize + kCommonFields + kReservedBytes +
           static_cast<std::size_t>(programCount) * programBytes(parameterCount);
}

// Four printable characters as they are quoted ('q4y9'), anything else as its number.
std::string codeText(std::uint32_t value) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((value >> shift) & 0xff);
        if (c < ' ' || c > '~')
            return std::to_string(value);
        text += c;
    }
    return "'" + text + "'";
}

// The same in every locale.
std::string numberText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

void checkValues(const std::vector<float>& values, const PluginIdentity& plugin, const std::string& where) {
    if (values.size() != static_cast<std::size_t>(plugin.parameterCount))
        throw PresetError(where + "holds " + std::to_string(values.size()) + " parameters; " + plugin.name +
                          " has " + std::to_string(plugin.parameterCount));
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!(values[i] >= 0.0f && values[i] <= 1.0f)) // NaN fails both
            throw PresetError(where + "parameter " + std::to_string(i) + " is " + numberText(values[i]) +
                              ", not a value within 0..1");
}

// At most kProgramNameLength bytes, not ending inside a UTF-8 character.
std::string storedName(const std::string& name) {
    std::size_t length = std::min(name.size(), kProgramNameLength);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xc0) == 0x80)
        --length;
    return name.substr(0, length);
}

class ByteWriter {
  public:
    void word(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void number(std::size_t value) { word(static_cast<std::uint32_t>(value)); }
    void value(float value) { word(std::bit_cast<std::uint32_t>(value)); }
    void text(const std::string& text, std::size_t width) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        zeros(width - text.size());
    }
    void zeros(std::size_t count) { bytes.insert(bytes.end(), count, 0); }

    std::vector<std::uint8_t> bytes;
};

// Every read is checked against the end, so that a short file is reported as such wherever it ends.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::size_t remaining() const { return bytes.size() - at; }
    void need(std::size_t count) const {
        if (count > remaining())
            throw PresetError("truncated: it ends after " + std::to_string(bytes.size()) +
                              " bytes, before its contents do");
    }
    std::uint32_t word() {
        need(4);
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | bytes[at++];
        return value;
    }
    int count() { return static_cast<int>(std::min<std::uint32_t>(word(), 0x7fffffff)); }
    float value() { return std::bit_cast<float>(word()); }
    std::string text(std::size_t width) {
        need(width);
        const auto* begin = bytes.data() + at;
        at += width;
        std::size_t length = 0;
        while (length < width && begin[length] != 0)
            ++length;
        return std::string(begin, begin + length);
    }
    void skip(std::size_t count) {
        need(count);
        at += count;
    }

  private:
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void writeProgram(ByteWriter& out, const Program& program, const PluginIdentity& plugin) {
    out.word(kChunkMagic);
    out.number(programBytes(plugin.parameterCount) - kMagicAndSize);
    out.word(kProgramKind);
    out.word(kFormatVersion);
    out.word(static_cast<std::uint32_t>(plugin.uniqueId));
    out.word(static_cast<std::uint32_t>(plugin.version));
    out.number(program.values.size());
    out.text(storedName(program.name), kNameBytes);
    for (float value : program.values)
        out.value(value);
}

[[noreturn]] void refuseKind(std::uint32_t kind, const std::string& where) {
    if (kind == kOpaqueProgramKind || kind == kOpaqueBankKind)
        throw PresetError(where + "holds opaque plug-in data, not a list of parameter values");
    throw PresetError(where + "not a preset file: its kind " + codeText(kind) + " is none of 'FxCk', 'FxBk'");
}

void checkVersion(std::uint32_t version, std::uint32_t newest, const std::string& where) {
    if (version < kFormatVersion || version > newest)
        throw PresetError(where + "format version " + std::to_string(version) + ", which is not read here");
}

void checkPlugin(std::uint32_t id, const PluginIdentity& plugin, const std::string& where) {
    if (id != static_cast<std::uint32_t>(plugin.uniqueId))
        throw PresetError(where + "made for another plug-in (ID " + codeText(id) + "), not for " +
                          plugin.name + " (" + codeText(static_cast<std::uint32_t>(plugin.uniqueId)) + ")");
}

// A program's fields after its kind.
Program readProgramFields(ByteReader& in, const PluginIdentity& plugin, const std::string& where) {
    checkVersion(in.word(), kFormatVersion, where);
    checkPlugin(in.word(), plugin, where);
    in.word(); // the plug-in's version: its parameters keep their meaning across versions
    const int parameterCount = in.count();
    if (parameterCount != plugin.parameterCount)
        throw PresetError(where + "holds " + std::to_string(parameterCount) + " parameters; " + plugin.name +
                          " has " + std::to_string(plugin.parameterCount));
    in.need(kNameBytes + 4 * static_cast<std::size_t>(parameterCount));
    Program program;
    program.name = in.text(kNameBytes);
    for (int i = 0; i < parameterCount; ++i)
        program.values.push_back(in.value());
    checkValues(program.values, plugin, where);
    return program;
}

Bank readBankFields(ByteReader& in, const PluginIdentity& plugin) {
    checkVersion(in.word(), kNewestBankVersion, "");
    checkPlugin(in.word(), plugin, "");
    in.word();
    const int programCount = in.count();
    if (programCount != plugin.programCount)
        throw PresetError("the bank holds " + std::to_string(programCount) + " programs; " + plugin.name +
                          " has " + std::to_string(plugin.programCount));
    in.need(kReservedBytes + static_cast<std::size_t>(programCount) * programBytes(plugin.parameterCount));
    in.skip(kReservedBytes);
    Bank bank;
    for (int p = 0; p < programCount; ++p) {
        const std::string where = "program " + std::to_string(p) + " of the bank: ";
        if (in.word() != kChunkMagic)
            throw PresetError(where + "not a program: it does not begin with 'CcnK'");
        in.word(); // its size: the parameter count says it
        if (const std::uint32_t kind = in.word(); kind != kProgramKind)
            refuseKind(kind, where);
        bank.programs.push_back(readProgramFields(in, plugin, where));
    }
    return bank;
}

} // namespace

std::vector<std::uint8_t> encodeProgram(const Program& program, const PluginIdentity& plugin) {
    checkValues(program.values, plugin, "");
    ByteWriter out;
    writeProgram(out, program, plugin);
    return std::move(out.bytes);
}

std::vector<std::uint8_t> encodeBank(const Bank& bank, const PluginIdentity& plugin) {
    if (bank.programs.size() != static_cast<std::size_t>(plugin.programCount))
        throw PresetError("the bank holds " + std::to_string(bank.programs.size()) + " programs; " +
                          plugin.name + " has " + std::to_string(plugin.programCount));
    for (std::size_t p = 0; p < bank.programs.size(); ++p)
        checkValues(bank.programs[p].values, plugin, "program " + std::to_string(p) + " of the bank: ");
    ByteWriter out;
    out.word(kChunkMagic);
    out.number(bankBytes(plugin.parameterCount, plugin.programCount) - kMagicAndSize);
    out.word(kBankKind);
    out.word(kFormatVersion);
    out.word(static_cast<std::uint32_t>(plugin.uniqueId));
    out.word(static_cast<std::uint32_t>(plugin.version));
    out.number(bank.programs.size());
    out.zeros(kReservedBytes);
    for (const Program& program : bank.programs)
        writeProgram(out, program, plugin);
    return std::move(out.bytes);
}

Preset decodePreset(std::span<const std::uint8_t> bytes, const PluginIdentity& plugin) {
    ByteReader in(bytes);
    if (bytes.size() < 4 || in.word() != kChunkMagic)
        throw PresetError("not a preset file: it does not begin with 'CcnK'");
    const std::uint32_t declared = in.word();
    if (declared > in.remaining())
        throw PresetError("truncated: it says it holds " + std::to_string(declared) +
                          " bytes after its size, but " + std::to_string(in.remaining()) + " follow");
    const std::uint32_t kind = in.word();
    if (kind == kProgramKind)
        return readProgramFields(in, plugin, "");
    if (kind == kBankKind)
        return readBankFields(in, plugin);
    refuseKind(kind, "");
}

} // namespace presets
