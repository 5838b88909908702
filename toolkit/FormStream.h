// The bytes of a component stream ("TPF0"): value types and the bounds-checked cursor that reads
// them, and the sink that writes them. All integers are little-endian; a short string is a length byte
// and that many 8-bit characters. Every read checks the bytes left first, so a truncated or damaged
// stream ends in EReadError naming the offset, never in a read past the end.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class EReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
};

constexpr std::string_view formSignature = "TPF0";

// The flag byte before a component record: present when its high four bits are all set.
constexpr std::uint8_t filerFlagMarker = 0xF0;
constexpr std::uint8_t ffInherited = 1;
constexpr std::uint8_t ffChildPos = 2;
constexpr std::uint8_t ffInline = 4;

// Whether a component record must carry the flag byte although it has no flags: a class name whose
// length byte has its high four bits set would be taken for the flag byte itself, and the empty class
// name of a child for the end of its parent's children.
constexpr bool ClassNameNeedsFlagByte(std::string_view className, bool child) {
    return (className.size() & 0xF0) == filerFlagMarker || (child && className.empty());
}

// A readable name of a value type for messages ("integer", "binary", ...).
std::string ValueTypeName(TValueType type);
bool IsIntegerType(TValueType type);

// 80-bit extended floats, decoded and encoded without relying on the compiler's long double layout.
long double DecodeExtended(std::span<const std::uint8_t, 10> bytes);
std::array<std::uint8_t, 10> EncodeExtended(long double value);

// UTF-16 units to UTF-8 (an unpaired surrogate becomes U+FFFD) and back.
std::string Utf16ToUtf8(std::span<const char16_t> units);
std::u16string Utf8ToUtf16(std::string_view text);

class TFormInput {
  public:
    explicit TFormInput(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return data_.size() - position_; }
    bool AtEnd() const { return position_ >= data_.size(); }

    std::uint8_t PeekByte() const;
    std::uint8_t ReadByte();
    std::span<const std::uint8_t> ReadBytes(std::size_t count);
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::uint64_t ReadU64();
    std::string ReadShortString();
    TValueType ReadValueType();
    TValueType PeekValueType() const;

    // Reads the payload of an integer value of the given type.
    std::int64_t ReadIntegerPayload(TValueType type);
    // A 32-bit length followed by that many bytes (binary, long and UTF-8 strings).
    std::span<const std::uint8_t> ReadLengthPrefixed();
    std::u16string ReadWideStringPayload();

    // Throws EReadError with the message and the current offset.
    [[noreturn]] void Fail(const std::string& message) const;
    [[noreturn]] void FailAt(std::size_t offset, const std::string& message) const;

  private:
    void Require(std::size_t count) const;

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

class TFormOutput {
  public:
    void WriteByte(std::uint8_t value) { bytes_.push_back(value); }
    void WriteBytes(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteU64(std::uint64_t value);
    void WriteValueType(TValueType type) { WriteByte(static_cast<std::uint8_t>(type)); }
    // Throws std::length_error for a text longer than 255 bytes.
    void WriteShortString(std::string_view text);

    // An integer value in the narrowest of the 8-, 16-, 32- and 64-bit forms.
    void WriteInteger(std::int64_t value);
    // An integer value in exactly the given integer type (truncated to its width).
    void WriteIntegerAs(TValueType type, std::int64_t value);
    void WriteExtended(long double value);
    // A string value: short when ASCII and at most 255 bytes, long when longer, else UTF-8.
    void WriteString(std::string_view text);
    void WriteIdent(std::string_view name);
    void WriteBoolean(bool value) { WriteValueType(value ? TValueType::vaTrue : TValueType::vaFalse); }
    void WriteBinary(std::span<const std::uint8_t> bytes);
    void WriteLengthPrefixed(TValueType type, std::span<const std::uint8_t> bytes);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace toolkit
