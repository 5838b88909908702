#include "toolkit/FormText.h"

#include "toolkit/FormStream.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace toolkit {

namespace {

constexpr int maxNesting = 64;
constexpr std::size_t hexBytesPerLine = 32;

constexpr std::array<std::string_view, 8> keywords = {"object", "inherited", "inline", "end",
                                                      "item",   "True",      "False",  "nil"};

bool isKeyword(std::string_view word) {
    return std::find(keywords.begin(), keywords.end(), word) != keywords.end();
}

bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isIdentChar(char c) { return isIdentStart(c) || (c >= '0' && c <= '9'); }

// A dotted identifier that the text can hold bare ("Font.Height", "DIBImageList1").
bool isPlainName(std::string_view name) {
    if (name.empty() || isKeyword(name))
        return false;
    bool atStart = true;
    for (char c : name) {
        if (c == '.') {
            if (atStart)
                return false;
            atStart = true;
        } else if (atStart ? !isIdentStart(c) : !isIdentChar(c)) {
            return false;
        } else {
            atStart = false;
        }
    }
    return !atStart;
}

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

constexpr std::uint8_t keywordFlags = ffInherited | ffInline | ffChildPos;

std::string recordKeywords(std::uint8_t flags) {
    if ((flags & (ffInherited | ffInline)) == 0)
        return "object";
    std::string words = (flags & ffInherited) != 0 ? "inherited" : "";
    if ((flags & ffInline) != 0)
        words += words.empty() ? "inline" : " inline";
    return words;
}

// The flag byte the text compiler writes for a record with these flags, 0 for none.
std::uint8_t impliedFlagByte(std::uint8_t flags, std::string_view className, bool child) {
    flags &= keywordFlags;
    return flags != 0 || ClassNameNeedsFlagByte(className, child) ? filerFlagMarker | flags : 0;
}

// ---- binary to text

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

// ---- text to binary

enum class TokenKind { Name, Number, String, Punct, Hex, End };

struct StringPart {
    bool quoted; // raw bytes from inside quotes, else one #n unit
    std::string bytes;
    std::uint32_t unit;
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;              // Name, Number, Punct
    std::vector<StringPart> parts; // String
    std::vector<std::uint8_t> hex; // Hex
    bool parenFollows = false;     // a '(' right after a Name, with no space
    int line = 1;
    int column = 1;
};

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token Next() {
        SkipSpace();
        Token token;
        token.line = line_;
        token.column = static_cast<int>(at_ - lineStart_) + 1;
        if (at_ >= text_.size())
            return token;
        const char c = text_[at_];
        if (isIdentStart(c))
            ReadName(token);
        else if ((c >= '0' && c <= '9') || ((c == '-' || c == '+') && at_ + 1 < text_.size() &&
                                            std::isdigit(static_cast<unsigned char>(text_[at_ + 1]))))
            ReadNumber(token);
        else if (c == '\'' || c == '#')
            ReadString(token);
        else if (c == '{')
            ReadHex(token);
        else {
            token.kind = TokenKind::Punct;
            token.text = std::string(1, c);
            ++at_;
        }
        return token;
    }

    [[noreturn]] void Fail(int line, int column, const std::string& message) const {
        throw EFormTextError("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                             message);
    }

  private:
    void SkipSpace() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '\n') {
                ++line_;
                lineStart_ = ++at_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++at_;
            } else if (c == '/' && at_ + 1 < text_.size() && text_[at_ + 1] == '/') {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else {
                return;
            }
        }
    }

    void ReadName(Token& token) {
        const std::size_t start = at_;
        while (at_ < text_.size() && (isIdentChar(text_[at_]) || text_[at_] == '.'))
            ++at_;
        token.kind = TokenKind::Name;
        token.text = std::string(text_.substr(start, at_ - start));
        token.parenFollows = at_ < text_.size() && text_[at_] == '(';
    }

    void ReadNumber(Token& token) {
        const std::size_t start = at_++;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            const bool exponentSign =
                (c == '-' || c == '+') && (text_[at_ - 1] == 'e' || text_[at_ - 1] == 'E');
            if (!isIdentChar(c) && c != '.' && !exponentSign)
                break;
            ++at_;
        }
        token.kind = TokenKind::Number;
        token.text = std::string(text_.substr(start, at_ - start));
    }

    void ReadString(Token& token) {
        token.kind = TokenKind::String;
        while (at_ < text_.size() && (text_[at_] == '\'' || text_[at_] == '#')) {
            if (text_[at_] == '#')
                ReadCharCode(token);
            else
                ReadQuoted(token);
        }
    }

    void ReadCharCode(Token& token) {
        const std::size_t start = ++at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
            ++at_;
        std::uint32_t unit = 0;
        const auto result = std::from_chars(text_.data() + start, text_.data() + at_, unit);
        if (start == at_ || result.ec != std::errc() || unit > 0xFFFF)
            Fail(line_, static_cast<int>(start - lineStart_), "A character code is #0 to #65535");
        token.parts.push_back({false, {}, unit});
    }

    void ReadQuoted(Token& token) {
        std::string bytes;
        ++at_;
        while (true) {
            if (at_ >= text_.size() || text_[at_] == '\n')
                Fail(line_, static_cast<int>(at_ - lineStart_) + 1, "Unterminated string");
            if (text_[at_] == '\'') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
                    bytes += '\'';
                    at_ += 2;
                    continue;
                }
                ++at_;
                break;
            }
            bytes += text_[at_++];
        }
        token.parts.push_back({true, std::move(bytes), 0});
    }

    void ReadHex(Token& token) {
        token.kind = TokenKind::Hex;
        ++at_;
        int pending = -1;
        while (true) {
            SkipSpace();
            if (at_ >= text_.size())
                Fail(line_, static_cast<int>(at_ - lineStart_) + 1, "Unterminated binary value");
            const char c = text_[at_++];
            if (c == '}')
                break;
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                              : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                              : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                          : -1;
            if (digit < 0)
                Fail(line_, static_cast<int>(at_ - lineStart_), std::string("Not a hex digit: ") + c);
            if (pending < 0) {
                pending = digit;
            } else {
                token.hex.push_back(static_cast<std::uint8_t>(pending << 4 | digit));
                pending = -1;
            }
        }
        if (pending >= 0)
            Fail(line_, static_cast<int>(at_ - lineStart_),
                 "A binary value needs an even count of hex digits");
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
};

class Compiler {
  public:
    Compiler(std::string_view text, const TFormFileLoader& loader) : lexer_(text), loader_(loader) {
        Advance();
    }

    std::vector<std::uint8_t> Run() {
        out_.WriteBytes({reinterpret_cast<const std::uint8_t*>(formSignature.data()), formSignature.size()});
        Object();
        if (token_.kind != TokenKind::End)
            Fail("Text after the end of the root object");
        return out_.Take();
    }

  private:
    void Advance() { token_ = lexer_.Next(); }
    [[noreturn]] void Fail(const std::string& message) const {
        lexer_.Fail(token_.line, token_.column, message);
    }
    bool IsName(std::string_view name) const { return token_.kind == TokenKind::Name && token_.text == name; }
    bool IsPunct(char c) const {
        return token_.kind == TokenKind::Punct && token_.text.size() == 1 && token_.text[0] == c;
    }
    bool AtObject() const { return IsName("object") || IsName("inherited") || IsName("inline"); }

    void Expect(char c) {
        if (!IsPunct(c))
            Fail(std::string("'") + c + "' expected");
        Advance();
    }

    void Enter() {
        if (++nesting_ > maxNesting)
            Fail("Nested deeper than " + std::to_string(maxNesting) + " levels");
    }

    // A name: bare, or quoted when it is no plain identifier.
    std::string Name(const char* what) {
        std::string name;
        if (token_.kind == TokenKind::Name && !isKeyword(token_.text))
            name = token_.text;
        else if (token_.kind == TokenKind::String)
            name = Bytes(token_);
        else
            Fail(std::string(what) + " expected");
        if (name.size() > 255)
            Fail(std::string(what) + " longer than 255 bytes");
        Advance();
        return name;
    }

    void Object() {
        Enter();
        std::uint8_t flags = RecordKeywords();
        const std::string name = IsPunct(':') ? std::string() : Name("Component name");
        Expect(':');
        const std::string className = Name("Class name");
        TFormOutput position;
        if (IsPunct('[')) {
            Advance();
            IntegerValue(position);
            Expect(']');
            flags |= ffChildPos;
        }
        const std::uint8_t flagByte = FlagByte(flags, className);
        if (flagByte != 0)
            out_.WriteByte(flagByte);
        out_.WriteBytes(position.Bytes());
        out_.WriteShortString(className);
        out_.WriteShortString(name);
        Properties();
        while (AtObject())
            Object();
        if (!IsName("end"))
            Fail(token_.kind == TokenKind::End ? "'end' expected"
                                               : "Properties must come before child objects");
        Advance();
        out_.WriteByte(0);
        --nesting_;
    }

    // "object", or "inherited", "inline" or both.
    std::uint8_t RecordKeywords() {
        if (!AtObject())
            Fail("'object' expected");
        if (IsName("object")) {
            Advance();
            return 0;
        }
        std::uint8_t flags = 0;
        while (IsName("inherited") || IsName("inline")) {
            const std::uint8_t flag = IsName("inherited") ? ffInherited : ffInline;
            if ((flags & flag) != 0)
                Fail("'" + token_.text + "' given twice");
            flags |= flag;
            Advance();
        }
        return flags;
    }

    // The record's flag byte (0 for none): implied by its keywords, position and class name, or given
    // whole as flags(n) after them.
    std::uint8_t FlagByte(std::uint8_t flags, const std::string& className) {
        const std::uint8_t implied = impliedFlagByte(flags, className, nesting_ > 1);
        if (!IsName("flags") || !token_.parenFollows)
            return implied;
        Advance();
        Expect('(');
        if (token_.kind != TokenKind::Number)
            Fail("Flag byte expected");
        const std::int64_t value = ParseInteger(token_.text);
        if (value < filerFlagMarker || value > 0xFF)
            Fail("A flag byte lies between 240 and 255");
        const auto flagByte = static_cast<std::uint8_t>(value);
        if ((flagByte & keywordFlags) != flags)
            Fail("flags(" + token_.text + ") disagrees with the record's keywords and position");
        Advance();
        Expect(')');
        return flagByte;
    }

    // Property lines until 'end' or a child object.
    void Properties() {
        while (!IsName("end") && !AtObject())
            Property();
        out_.WriteByte(0);
    }

    // An empty name would read back as the end of the properties.
    void Property() {
        const std::string name = Name("Property name");
        if (name.empty())
            Fail("A property name cannot be empty");
        out_.WriteShortString(name);
        Expect('=');
        Value();
    }

    void Value() {
        switch (token_.kind) {
        case TokenKind::Number:
            NumberValue();
            break;
        case TokenKind::String:
            ShortString(Bytes(token_));
            Advance();
            break;
        case TokenKind::Hex:
            out_.WriteBinary(token_.hex);
            Advance();
            break;
        case TokenKind::Name:
            NameValue();
            break;
        case TokenKind::Punct:
            if (IsPunct('['))
                SetValue();
            else if (IsPunct('('))
                ListValue();
            else if (IsPunct('<'))
                CollectionValue();
            else
                Fail("Value expected");
            break;
        case TokenKind::End:
            Fail("Value expected");
        }
    }

    void NumberValue() {
        if (token_.text.find_first_of(".eE") == std::string::npos) {
            out_.WriteInteger(ParseInteger(token_.text));
        } else {
            out_.WriteExtended(ParseFloat<long double>());
        }
        Advance();
    }

    void NameValue() {
        const std::string word = token_.text;
        if (token_.parenFollows) {
            Advance();
            Expect('(');
            TypedValue(word);
            Expect(')');
            return;
        }
        if (word == "True" || word == "False")
            out_.WriteBoolean(word == "True");
        else if (word == "nil")
            out_.WriteValueType(TValueType::vaNil);
        else if (isPlainName(word))
            Ident(word);
        else
            Fail("Value expected");
        Advance();
    }

    void TypedValue(const std::string& marker) {
        if (marker == "int16" || marker == "int32" || marker == "int64")
            TypedInteger(marker, out_);
        else if (token_.kind == TokenKind::Hex &&
                 (marker == "extended" || marker == "single" || marker == "date"))
            RawFloat(marker);
        else if (marker == "extended")
            out_.WriteExtended(FloatArgument<long double>());
        else if (marker == "single")
            SingleValue();
        else if (marker == "date")
            DateValue();
        else if (marker == "currency")
            CurrencyValue();
        else if (marker == "long" || marker == "utf8")
            LengthPrefixedString(marker == "long" ? TValueType::vaLString : TValueType::vaUTF8String);
        else if (marker == "wide")
            WideString();
        else if (marker == "ident")
            IdentArgument();
        else if (marker == "image" || marker == "bitmap")
            FileValue(marker);
        else
            Fail("Unknown value function " + marker + "(..)");
    }

    void TypedInteger(const std::string& marker, TFormOutput& output) {
        const TValueType type = marker == "int16"   ? TValueType::vaInt16
                                : marker == "int32" ? TValueType::vaInt32
                                                    : TValueType::vaInt64;
        if (token_.kind != TokenKind::Number)
            Fail("Integer expected");
        const std::int64_t value = ParseInteger(token_.text);
        const bool fits = type == TValueType::vaInt64 ||
                          (type == TValueType::vaInt32 && value >= INT32_MIN && value <= INT32_MAX) ||
                          (type == TValueType::vaInt16 && value >= INT16_MIN && value <= INT16_MAX);
        if (!fits || (marker != "int16" && marker != "int32" && marker != "int64"))
            Fail(token_.text + " does not fit " + marker);
        output.WriteIntegerAs(type, value);
        Advance();
    }

    // A float given by its stored bytes.
    void RawFloat(const std::string& marker) {
        const TValueType type = marker == "extended" ? TValueType::vaExtended
                                : marker == "single" ? TValueType::vaSingle
                                                     : TValueType::vaDate;
        const std::size_t size = type == TValueType::vaExtended ? 10 : type == TValueType::vaSingle ? 4 : 8;
        if (token_.hex.size() != size)
            Fail(marker + "({..}) takes " + std::to_string(size) + " bytes");
        out_.WriteValueType(type);
        out_.WriteBytes(token_.hex);
        Advance();
    }

    void SingleValue() {
        const float value = FloatArgument<float>();
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        out_.WriteValueType(TValueType::vaSingle);
        out_.WriteU32(bits);
    }

    void DateValue() {
        const double value = FloatArgument<double>();
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        out_.WriteValueType(TValueType::vaDate);
        out_.WriteU64(bits);
    }

    // Parsed digit by digit into the 64-bit count of ten-thousandths, so every stored value, the two
    // extremes included, reads back exactly.
    void CurrencyValue() {
        if (token_.kind != TokenKind::Number)
            Fail("Number expected");
        const std::string& text = token_.text;
        const bool negative = text.starts_with('-');
        const std::string body = text.substr(negative || text.starts_with('+') ? 1 : 0);
        const std::size_t point = body.find('.');
        const std::string whole = body.substr(0, point);
        std::string fraction = point == std::string::npos ? "" : body.substr(point + 1);
        const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        if (whole.empty() || !std::all_of(whole.begin(), whole.end(), isDigit) ||
            !std::all_of(fraction.begin(), fraction.end(), isDigit))
            Fail("Not a currency value: " + text);
        if (fraction.size() > 4)
            Fail("A currency value has at most 4 decimals");
        fraction.append(4 - fraction.size(), '0');
        const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : INT64_MAX;
        std::uint64_t magnitude = 0;
        for (char c : whole + fraction) {
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (magnitude > (limit - digit) / 10)
                Fail("Currency value out of range");
            magnitude = magnitude * 10 + digit;
        }
        out_.WriteValueType(TValueType::vaCurrency);
        out_.WriteU64(negative ? 0 - magnitude : magnitude);
        Advance();
    }

    void LengthPrefixedString(TValueType type) {
        if (token_.kind != TokenKind::String)
            Fail("String expected");
        const std::string bytes = Bytes(token_);
        out_.WriteLengthPrefixed(type, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        Advance();
    }

    void WideString() {
        if (token_.kind != TokenKind::String)
            Fail("String expected");
        std::u16string units;
        for (const StringPart& part : token_.parts)
            units +=
                part.quoted ? Utf8ToUtf16(part.bytes) : std::u16string(1, static_cast<char16_t>(part.unit));
        out_.WriteValueType(TValueType::vaWString);
        out_.WriteU32(static_cast<std::uint32_t>(units.size()));
        for (char16_t unit : units)
            out_.WriteU16(unit);
        Advance();
    }

    void IdentArgument() {
        if (token_.kind != TokenKind::String)
            Fail("String expected");
        Ident(Bytes(token_));
        Advance();
    }

    void FileValue(const std::string& function) {
        if (token_.kind != TokenKind::String)
            Fail("File name expected");
        if (!loader_)
            Fail(function + "(..) needs a file loader");
        const std::string path = Bytes(token_);
        try {
            out_.WriteBinary(loader_(function, path));
        } catch (const std::exception& error) {
            Fail(function + "('" + path + "'): " + error.what());
        }
        Advance();
    }

    void SetValue() {
        Advance();
        out_.WriteValueType(TValueType::vaSet);
        while (!IsPunct(']')) {
            const std::string element = Name("Set element");
            if (element.empty())
                Fail("A set element cannot be empty");
            out_.WriteShortString(element);
            if (!IsPunct(']'))
                Expect(',');
        }
        Advance();
        out_.WriteShortString("");
    }

    void ListValue() {
        Enter();
        Advance();
        out_.WriteValueType(TValueType::vaList);
        while (!IsPunct(')'))
            Value();
        Advance();
        out_.WriteByte(0);
        --nesting_;
    }

    void CollectionValue() {
        Enter();
        Advance();
        out_.WriteValueType(TValueType::vaCollection);
        while (!IsPunct('>')) {
            if (!IsName("item"))
                Fail("'item' expected");
            Advance();
            if (IsPunct('[')) {
                Advance();
                IntegerValue(out_);
                Expect(']');
            }
            out_.WriteValueType(TValueType::vaList);
            while (!IsName("end")) {
                if (token_.kind == TokenKind::End)
                    Fail("'end' expected");
                Property();
            }
            Advance();
            out_.WriteByte(0);
        }
        Advance();
        out_.WriteByte(0);
        --nesting_;
    }

    // An integer value, plain or with its width given.
    void IntegerValue(TFormOutput& output) {
        if (token_.kind == TokenKind::Number && token_.text.find_first_of(".eE") == std::string::npos) {
            output.WriteInteger(ParseInteger(token_.text));
            Advance();
            return;
        }
        if (token_.kind != TokenKind::Name || !token_.parenFollows)
            Fail("Integer expected");
        const std::string marker = token_.text;
        Advance();
        Expect('(');
        TypedInteger(marker, output);
        Expect(')');
    }

    void ShortString(const std::string& bytes) {
        if (bytes.size() > 255)
            Fail("A string of more than 255 bytes needs long(..)");
        out_.WriteValueType(TValueType::vaString);
        out_.WriteShortString(bytes);
    }

    void Ident(const std::string& name) {
        if (name.size() > 255)
            Fail("An identifier of more than 255 bytes");
        out_.WriteIdent(name);
    }

    std::string Bytes(const Token& token) const {
        std::string bytes;
        for (const StringPart& part : token.parts) {
            if (part.quoted) {
                bytes += part.bytes;
            } else {
                if (part.unit > 255)
                    Fail("#" + std::to_string(part.unit) + " is no byte: use wide(..)");
                bytes += static_cast<char>(part.unit);
            }
        }
        return bytes;
    }

    std::int64_t ParseInteger(const std::string& text) const {
        std::int64_t value = 0;
        const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
        const auto result = std::from_chars(first, text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            Fail("Not an integer: " + text);
        return value;
    }

    template <class F> F ParseFloat() const {
        F value = 0;
        const std::string& text = token_.text;
        const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
        const auto result = std::from_chars(first, text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            Fail("Not a number: " + text);
        return value;
    }

    // A number, or inf, -inf, nan.
    template <class F> F FloatArgument() {
        bool negative = false;
        if (IsPunct('-')) {
            negative = true;
            Advance();
        }
        F value = 0;
        if (IsName("inf"))
            value = std::numeric_limits<F>::infinity();
        else if (IsName("nan"))
            value = std::numeric_limits<F>::quiet_NaN();
        else if (token_.kind == TokenKind::Number)
            value = ParseFloat<F>();
        else
            Fail("Number expected");
        Advance();
        return negative ? -value : value;
    }

    Lexer lexer_;
    const TFormFileLoader& loader_;
    Token token_;
    TFormOutput out_;
    int nesting_ = 0;
};

} // namespace

std::vector<std::uint8_t> CompileFormText(std::string_view text, const TFormFileLoader& loader) {
    return Compiler(text, loader).Run();
}

std::string DecompileForm(std::span<const std::uint8_t> stream) { return Decompiler(stream).Run(); }

} // namespace toolkit
