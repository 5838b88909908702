#include "toolkit/FormStream.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace toolkit {

std::string ValueTypeName(TValueType type) {
    static constexpr std::array<std::string_view, 21> names = {"end of list",    "list",
                                                               "8-bit integer",  "16-bit integer",
                                                               "32-bit integer", "extended float",
                                                               "string",         "identifier",
                                                               "False",          "True",
                                                               "binary",         "set",
                                                               "long string",    "nil",
                                                               "collection",     "single float",
                                                               "currency",       "date",
                                                               "wide string",    "64-bit integer",
                                                               "UTF-8 string"};
    const auto index = static_cast<std::size_t>(type);
    return index < names.size() ? std::string(names[index]) : "value type " + std::to_string(index);
}

bool IsIntegerType(TValueType type) {
    return type == TValueType::vaInt8 || type == TValueType::vaInt16 || type == TValueType::vaInt32 ||
           type == TValueType::vaInt64;
}

long double DecodeExtended(std::span<const std::uint8_t, 10> bytes) {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = mantissa << 8 | bytes[static_cast<std::size_t>(i)];
    const unsigned signAndExponent = bytes[8] | bytes[9] << 8;
    const bool negative = (signAndExponent & 0x8000) != 0;
    const int exponent = static_cast<int>(signAndExponent & 0x7FFF);
    long double value = 0;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                     : std::numeric_limits<long double>::quiet_NaN();
    else
        value = std::ldexp(static_cast<long double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return negative ? -value : value;
}

std::array<std::uint8_t, 10> EncodeExtended(long double value) {
    std::uint64_t mantissa = 0;
    unsigned exponent = 0;
    const bool negative = std::signbit(value);
    if (std::isnan(value)) {
        exponent = 0x7FFF;
        mantissa = 0xC000000000000000u;
    } else if (std::isinf(value)) {
        exponent = 0x7FFF;
        mantissa = 0x8000000000000000u;
    } else if (value != 0) {
        int e = 0;
        const long double fraction = std::frexp(std::fabs(value), &e); // 0.5 <= fraction < 1
        mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        int biased = e - 1 + 16383;
        if (biased >= 0x7FFF) {
            biased = 0x7FFF;
            mantissa = 0x8000000000000000u;
        } else if (biased <= 0) {
            const int shift = 1 - biased;
            mantissa = shift < 64 ? mantissa >> shift : 0;
            biased = 0;
        }
        exponent = static_cast<unsigned>(biased);
    }
    std::array<std::uint8_t, 10> bytes{};
    for (std::size_t i = 0; i < 8; ++i)
        bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    const unsigned top = exponent | (negative ? 0x8000u : 0u);
    bytes[8] = static_cast<std::uint8_t>(top);
    bytes[9] = static_cast<std::uint8_t>(top >> 8);
    return bytes;
}

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u < 0xE000; }

// The code point starting at text[i] (advancing i); a malformed sequence yields U+FFFD for one byte.
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead < 0x80)
        return lead;
    if (extra == 0 || i + static_cast<std::size_t>(extra) > text.size())
        return 0xFFFD;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        c = c << 6 | (next & 0x3F);
    }
    i += static_cast<std::size_t>(extra);
    return c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c;
}

} // namespace

std::string Utf16ToUtf8(std::span<const char16_t> units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (isHighSurrogate(c) && i + 1 < units.size() && isLowSurrogate(units[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (isHighSurrogate(c) || isLowSurrogate(c))
            c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = decodeUtf8(text, i);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

void TFormInput::Require(std::size_t count) const {
    if (count > Remaining())
        Fail("Stream ends after " + std::to_string(data_.size()) + " bytes; " + std::to_string(count) +
             " more needed");
}

void TFormInput::Fail(const std::string& message) const { FailAt(position_, message); }

void TFormInput::FailAt(std::size_t offset, const std::string& message) const {
    throw EReadError(message + " (at offset " + std::to_string(offset) + ")");
}

std::uint8_t TFormInput::PeekByte() const {
    Require(1);
    return data_[position_];
}

std::uint8_t TFormInput::ReadByte() {
    Require(1);
    return data_[position_++];
}

std::span<const std::uint8_t> TFormInput::ReadBytes(std::size_t count) {
    Require(count);
    const auto bytes = data_.subspan(position_, count);
    position_ += count;
    return bytes;
}

std::uint16_t TFormInput::ReadU16() {
    const auto b = ReadBytes(2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t TFormInput::ReadU32() {
    const auto b = ReadBytes(4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::uint64_t TFormInput::ReadU64() {
    const std::uint64_t low = ReadU32();
    return low | static_cast<std::uint64_t>(ReadU32()) << 32;
}

std::string TFormInput::ReadShortString() {
    const std::size_t length = ReadByte();
    const auto bytes = ReadBytes(length);
    return std::string(bytes.begin(), bytes.end());
}

TValueType TFormInput::PeekValueType() const {
    const std::uint8_t type = PeekByte();
    if (type > static_cast<std::uint8_t>(TValueType::vaUTF8String))
        Fail("Unknown value type " + std::to_string(type));
    return static_cast<TValueType>(type);
}

TValueType TFormInput::ReadValueType() {
    const TValueType type = PeekValueType();
    ++position_;
    return type;
}

std::int64_t TFormInput::ReadIntegerPayload(TValueType type) {
    switch (type) {
    case TValueType::vaInt8:
        return static_cast<std::int8_t>(ReadByte());
    case TValueType::vaInt16:
        return static_cast<std::int16_t>(ReadU16());
    case TValueType::vaInt32:
        return static_cast<std::int32_t>(ReadU32());
    case TValueType::vaInt64:
        return static_cast<std::int64_t>(ReadU64());
    default:
        Fail("Integer expected, found " + ValueTypeName(type));
    }
}

std::span<const std::uint8_t> TFormInput::ReadLengthPrefixed() {
    const std::uint32_t length = ReadU32();
    return ReadBytes(length);
}

std::u16string TFormInput::ReadWideStringPayload() {
    const std::uint32_t count = ReadU32();
    if (count > Remaining() / 2)
        Fail("Wide string of " + std::to_string(count) + " characters runs past the end of the stream");
    const auto bytes = ReadBytes(std::size_t{count} * 2);
    std::u16string units(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return units;
}

void TFormOutput::WriteU16(std::uint16_t value) {
    WriteByte(static_cast<std::uint8_t>(value));
    WriteByte(static_cast<std::uint8_t>(value >> 8));
}

void TFormOutput::WriteU32(std::uint32_t value) {
    WriteU16(static_cast<std::uint16_t>(value));
    WriteU16(static_cast<std::uint16_t>(value >> 16));
}

void TFormOutput::WriteU64(std::uint64_t value) {
    WriteU32(static_cast<std::uint32_t>(value));
    WriteU32(static_cast<std::uint32_t>(value >> 32));
}

void TFormOutput::WriteShortString(std::string_view text) {
    if (text.size() > 255)
        throw std::length_error("A short string holds at most 255 bytes: " + std::string(text.substr(0, 40)));
    WriteByte(static_cast<std::uint8_t>(text.size()));
    WriteBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void TFormOutput::WriteInteger(std::int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX)
        WriteIntegerAs(TValueType::vaInt8, value);
    else if (value >= INT16_MIN && value <= INT16_MAX)
        WriteIntegerAs(TValueType::vaInt16, value);
    else if (value >= INT32_MIN && value <= INT32_MAX)
        WriteIntegerAs(TValueType::vaInt32, value);
    else
        WriteIntegerAs(TValueType::vaInt64, value);
}

void TFormOutput::WriteIntegerAs(TValueType type, std::int64_t value) {
    WriteValueType(type);
    const auto bits = static_cast<std::uint64_t>(value);
    switch (type) {
    case TValueType::vaInt8:
        WriteByte(static_cast<std::uint8_t>(bits));
        break;
    case TValueType::vaInt16:
        WriteU16(static_cast<std::uint16_t>(bits));
        break;
    case TValueType::vaInt32:
        WriteU32(static_cast<std::uint32_t>(bits));
        break;
    default:
        WriteU64(bits);
        break;
    }
}

void TFormOutput::WriteExtended(long double value) {
    WriteValueType(TValueType::vaExtended);
    const auto bytes = EncodeExtended(value);
    WriteBytes(bytes);
}

void TFormOutput::WriteString(std::string_view text) {
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size()};
    if (ascii && text.size() <= 255) {
        WriteValueType(TValueType::vaString);
        WriteShortString(text);
    } else {
        WriteLengthPrefixed(ascii ? TValueType::vaLString : TValueType::vaUTF8String, bytes);
    }
}

void TFormOutput::WriteIdent(std::string_view name) {
    WriteValueType(TValueType::vaIdent);
    WriteShortString(name);
}

void TFormOutput::WriteBinary(std::span<const std::uint8_t> bytes) {
    WriteLengthPrefixed(TValueType::vaBinary, bytes);
}

void TFormOutput::WriteLengthPrefixed(TValueType type, std::span<const std::uint8_t> bytes) {
    if (bytes.size() > UINT32_MAX)
        throw std::length_error("A value of " + std::to_string(bytes.size()) +
                                " bytes does not fit a stream");
    WriteValueType(type);
    WriteU32(static_cast<std::uint32_t>(bytes.size()));
    WriteBytes(bytes);
}

} // namespace toolkit
