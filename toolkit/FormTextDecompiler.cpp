// Binary to text: writes every value with the notation that reads back as the same bytes, so that
// binary → text → binary keeps every byte and text → binary → text is a fixed point.
#include "toolkit/FormText.h"

#include "toolkit/FormStream.h"
#include "toolkit/FormTextLexer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace toolkit {

namespace {

using formtext::impliedFlagByte;
using formtext::isPlainName;
using formtext::maxNesting;

constexpr std::size_t hexBytesPerLine = 32;

// Printable ASCII inside quotes, everything else as #n.
std::string quoteUnits(const std::vector<std::uint32_t>& units) {
    std::string text;
    bool inQuotes = false;
    for (std::uint32_t unit : units) {
        const bool printable = unit >= 32 && unit < 127;
        if (printable != inQuotes) {
            text += '\'';
            inQuotes = printable;
        }
        if (!printable)
            text += '#' + std::to_string(unit);
        else if (unit == '\'')
            text += "''";
        else
            text += static_cast<char>(unit);
    }
    if (inQuotes || text.empty())
        text += text.empty() ? "''" : "'";
    return text;
}

std::string quoteBytes(std::span<const std::uint8_t> bytes) {
    return quoteUnits(std::vector<std::uint32_t>(bytes.begin(), bytes.end()));
}

std::string quoteText(std::string_view text) {
    return quoteBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string nameText(std::string_view name) {
    return isPlainName(name) ? std::string(name) : quoteText(name);
}

template <class F> std::string floatText(F value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

template <class F> bool subnormal(F value) { return std::fpclassify(value) == FP_SUBNORMAL; }

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex = "{";
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex + "}";
}

bool isMinimalWidth(TValueType type, std::int64_t value) {
    TFormOutput probe;
    probe.WriteInteger(value);
    return static_cast<TValueType>(probe.Bytes().front()) == type;
}

std::string integerText(TValueType type, std::int64_t value) {
    if (isMinimalWidth(type, value))
        return std::to_string(value);
    const char* marker = type == TValueType::vaInt16   ? "int16"
                         : type == TValueType::vaInt32 ? "int32"
                                                       : "int64";
    return std::string(marker) + "(" + std::to_string(value) + ")";
}

std::string currencyText(std::int64_t tenThousandths) {
    const bool negative = tenThousandths < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                             : static_cast<std::uint64_t>(tenThousandths);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (fraction.size() > 1 && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

std::string recordKeywords(std::uint8_t flags) {
    if ((flags & (ffInherited | ffInline)) == 0)
        return "object";
    std::string words = (flags & ffInherited) != 0 ? "inherited" : "";
    if ((flags & ffInline) != 0)
        words += words.empty() ? "inline" : " inline";
    return words;
}

class Decompiler {
  public:
    explicit Decompiler(std::span<const std::uint8_t> stream) : in_(stream) {}

    std::string Run() {
        const auto signature = in_.ReadBytes(formSignature.size());
        if (!std::equal(signature.begin(), signature.end(), formSignature.begin()))
            in_.FailAt(0, "Not a component stream: it does not begin with \"TPF0\"");
        Component(0);
        if (!in_.AtEnd())
            in_.Fail("Stray bytes after the root component");
        return std::move(out_);
    }

  private:
    void Line(int indent, const std::string& text) {
        out_ += std::string(static_cast<std::size_t>(indent) * 2, ' ') + text + '\n';
    }

    void Enter() {
        if (++nesting_ > maxNesting)
            in_.Fail("Nested deeper than " + std::to_string(maxNesting) + " levels");
    }

    void Component(int indent) {
        Enter();
        std::uint8_t flags = 0;
        std::optional<std::uint8_t> flagByte;
        std::string position;
        if ((in_.PeekByte() & 0xF0) == filerFlagMarker) {
            flagByte = in_.ReadByte();
            flags = *flagByte & 0x0F;
            if ((flags & ffChildPos) != 0) {
                const TValueType type = in_.ReadValueType();
                position = " [" + integerText(type, in_.ReadIntegerPayload(type)) + "]";
            }
        }
        const std::string className = in_.ReadShortString();
        const std::string name = in_.ReadShortString();
        Line(indent, recordKeywords(flags) + " " + nameText(name) + ": " + nameText(className) + position +
                         FlagByteText(flagByte, className, indent > 0));
        Properties(indent + 1);
        while (in_.PeekByte() != 0)
            Component(indent + 1);
        in_.ReadByte();
        Line(indent, "end");
        --nesting_;
    }

    // The flag byte is spelt out only when the keywords, the position and the class name do not imply
    // it exactly (a flag byte without flags before an ordinary class name, or bits no keyword names).
    static std::string FlagByteText(std::optional<std::uint8_t> flagByte, const std::string& className,
                                    bool child) {
        if (!flagByte || *flagByte == impliedFlagByte(*flagByte & 0x0F, className, child))
            return "";
        return " flags(" + std::to_string(*flagByte) + ")";
    }

    void Properties(int indent) {
        while (in_.PeekByte() != 0) {
            const std::string name = in_.ReadShortString();
            Value(std::string(static_cast<std::size_t>(indent) * 2, ' ') + nameText(name) + " = ", indent);
        }
        in_.ReadByte();
    }

    // Writes one value; prefix opens its first line.
    void Value(const std::string& prefix, int indent) {
        const std::size_t offset = in_.Position();
        const TValueType type = in_.ReadValueType();
        switch (type) {
        case TValueType::vaNull:
            in_.FailAt(offset, "A value cannot be the end of a list");
        case TValueType::vaList:
            List(prefix, indent);
            break;
        case TValueType::vaBinary:
            Binary(prefix, indent, in_.ReadLengthPrefixed());
            break;
        case TValueType::vaCollection:
            Collection(prefix, indent);
            break;
        default:
            out_ += prefix + ScalarText(type) + '\n';
            break;
        }
    }

    std::string ScalarText(TValueType type) {
        switch (type) {
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64:
            return integerText(type, in_.ReadIntegerPayload(type));
        case TValueType::vaExtended: {
            const auto bytes = in_.ReadBytes(10);
            return ExtendedText(DecodeExtended(bytes.first<10>()), bytes);
        }
        case TValueType::vaString:
            return quoteText(in_.ReadShortString());
        case TValueType::vaIdent: {
            const std::string name = in_.ReadShortString();
            return isPlainName(name) ? name : "ident(" + quoteText(name) + ")";
        }
        case TValueType::vaFalse:
            return "False";
        case TValueType::vaTrue:
            return "True";
        case TValueType::vaNil:
            return "nil";
        case TValueType::vaSet:
            return SetText();
        case TValueType::vaLString:
            return "long(" + quoteBytes(in_.ReadLengthPrefixed()) + ")";
        case TValueType::vaUTF8String:
            return "utf8(" + quoteBytes(in_.ReadLengthPrefixed()) + ")";
        case TValueType::vaWString: {
            const std::u16string units = in_.ReadWideStringPayload();
            return "wide(" + quoteUnits(std::vector<std::uint32_t>(units.begin(), units.end())) + ")";
        }
        case TValueType::vaSingle: {
            const auto bytes = in_.ReadBytes(4);
            float value = 0;
            std::memcpy(&value, bytes.data(), sizeof value);
            return "single(" + (subnormal(value) ? hexText(bytes) : floatText(value)) + ")";
        }
        case TValueType::vaDate: {
            const auto bytes = in_.ReadBytes(8);
            double value = 0;
            std::memcpy(&value, bytes.data(), sizeof value);
            return "date(" + (subnormal(value) ? hexText(bytes) : floatText(value)) + ")";
        }
        case TValueType::vaCurrency:
            return "currency(" + currencyText(static_cast<std::int64_t>(in_.ReadU64())) + ")";
        default:
            in_.Fail("Unexpected " + ValueTypeName(type));
        }
    }

    // Subnormal values have no decimal text that reads back exactly everywhere: their bytes stand instead.
    static std::string ExtendedText(long double value, std::span<const std::uint8_t> bytes) {
        if (subnormal(value))
            return "extended(" + hexText(bytes) + ")";
        return std::isfinite(value) ? floatText(value) : "extended(" + floatText(value) + ")";
    }

    std::string SetText() {
        std::string text = "[";
        for (std::string element = in_.ReadShortString(); !element.empty(); element = in_.ReadShortString())
            text += (text.size() > 1 ? ", " : "") + nameText(element);
        return text + "]";
    }

    void List(const std::string& prefix, int indent) {
        Enter();
        if (in_.PeekByte() == 0) {
            out_ += prefix + "()\n";
        } else {
            out_ += prefix + "(\n";
            while (in_.PeekByte() != 0)
                Value(std::string(static_cast<std::size_t>(indent + 1) * 2, ' '), indent + 1);
            Line(indent, ")");
        }
        in_.ReadByte();
        --nesting_;
    }

    void Binary(const std::string& prefix, int indent, std::span<const std::uint8_t> bytes) {
        if (bytes.empty()) {
            out_ += prefix + "{}\n";
            return;
        }
        static constexpr char digits[] = "0123456789ABCDEF";
        out_ += prefix + "{\n";
        for (std::size_t at = 0; at < bytes.size(); at += hexBytesPerLine) {
            std::string hex;
            for (std::uint8_t b : bytes.subspan(at, std::min(hexBytesPerLine, bytes.size() - at))) {
                hex += digits[b >> 4];
                hex += digits[b & 15];
            }
            Line(indent + 1, hex);
        }
        Line(indent, "}");
    }

    void Collection(const std::string& prefix, int indent) {
        Enter();
        if (in_.PeekByte() == 0) {
            out_ += prefix + "<>\n";
        } else {
            out_ += prefix + "<\n";
            while (in_.PeekByte() != 0) {
                std::string item = "item";
                TValueType type = in_.ReadValueType();
                if (IsIntegerType(type)) {
                    item += " [" + integerText(type, in_.ReadIntegerPayload(type)) + "]";
                    type = in_.ReadValueType();
                }
                if (type != TValueType::vaList)
                    in_.Fail("A collection item must begin with a list");
                Line(indent + 1, item);
                Properties(indent + 2);
                Line(indent + 1, "end");
            }
            out_.back() = '>';
            out_ += '\n';
        }
        in_.ReadByte();
        --nesting_;
    }

    TFormInput in_;
    std::string out_;
    int nesting_ = 0;
};

} // namespace

std::string DecompileForm(std::span<const std::uint8_t> stream) { return Decompiler(stream).Run(); }

} // namespace toolkit
