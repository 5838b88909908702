// Text to tree: a recursive descent over the lexer's tokens. Plain values are encoded here, as they
// are read, so that the tree holds the stream's bytes; only file values wait for the compiler's loader.
#include "toolkit/FormTextTree.h"

#include "toolkit/FormText.h"
#include "toolkit/FormTextLexer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace toolkit {

namespace {

using namespace formtext;

class Parser {
  public:
    explicit Parser(std::string_view text) : lexer_(text) { Advance(); }

    TFormTextObject Run() {
        TFormTextObject root = Object();
        if (token_.kind != TokenKind::End)
            Fail("Text after the end of the root object");
        return root;
    }

  private:
    void Advance() { token_ = lexer_.Next(); }
    [[noreturn]] void Fail(const std::string& message) const { FailAt(token_.line, token_.column, message); }
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

    TFormTextObject Object() {
        Enter();
        TFormTextObject object;
        object.line = token_.line;
        std::uint8_t flags = RecordKeywords();
        object.name = IsPunct(':') ? std::string() : Name("Component name");
        Expect(':');
        object.className = Name("Class name");
        if (IsPunct('[')) {
            Advance();
            object.position = IntegerValue();
            Expect(']');
            flags |= ffChildPos;
        }
        object.flagByte = FlagByte(flags, object.className);
        object.properties = Properties();
        while (AtObject())
            object.children.push_back(Object());
        if (!IsName("end"))
            Fail(token_.kind == TokenKind::End ? "'end' expected"
                                               : "Properties must come before child objects");
        Advance();
        --nesting_;
        return object;
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
    std::vector<TFormTextProperty> Properties() {
        std::vector<TFormTextProperty> properties;
        while (!IsName("end") && !AtObject())
            properties.push_back(Property());
        return properties;
    }

    // An empty name would read back as the end of the properties.
    TFormTextProperty Property() {
        TFormTextProperty property;
        property.name = Name("Property name");
        if (property.name.empty())
            Fail("A property name cannot be empty");
        Expect('=');
        property.value = Value();
        return property;
    }

    // Lists and collections hold values; every other value is encoded as it is read.
    TFormTextValue Value() {
        TFormTextValue value;
        value.line = token_.line;
        value.column = token_.column;
        if (IsPunct('(')) {
            ListValue(value);
        } else if (IsPunct('<')) {
            CollectionValue(value);
        } else {
            out_ = TFormOutput();
            PlainValue(value);
            value.encoded = out_.Take();
            if (!value.encoded.empty())
                value.type = static_cast<TValueType>(value.encoded.front());
        }
        return value;
    }

    void PlainValue(TFormTextValue& value) {
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
            NameValue(value);
            break;
        case TokenKind::Punct:
            if (IsPunct('['))
                SetValue();
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

    void NameValue(TFormTextValue& value) {
        const std::string word = token_.text;
        if (token_.parenFollows) {
            Advance();
            Expect('(');
            TypedValue(word, value);
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

    void TypedValue(const std::string& marker, TFormTextValue& value) {
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
            FileValue(marker, value);
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

    // Only named here: the compiler asks its loader for the bytes.
    void FileValue(const std::string& function, TFormTextValue& value) {
        if (token_.kind != TokenKind::String)
            Fail("File name expected");
        value.type = TValueType::vaBinary;
        value.fileFunction = function;
        value.filePath = Bytes(token_);
        value.line = token_.line;
        value.column = token_.column;
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

    void ListValue(TFormTextValue& list) {
        Enter();
        Advance();
        list.type = TValueType::vaList;
        while (!IsPunct(')'))
            list.values.push_back(Value());
        Advance();
        --nesting_;
    }

    void CollectionValue(TFormTextValue& collection) {
        Enter();
        Advance();
        collection.type = TValueType::vaCollection;
        while (!IsPunct('>')) {
            if (!IsName("item"))
                Fail("'item' expected");
            Advance();
            TFormTextItem& item = collection.items.emplace_back();
            if (IsPunct('[')) {
                Advance();
                item.order = IntegerValue();
                Expect(']');
            }
            while (!IsName("end")) {
                if (token_.kind == TokenKind::End)
                    Fail("'end' expected");
                item.properties.push_back(Property());
            }
            Advance();
        }
        Advance();
        --nesting_;
    }

    // An integer value, plain or with its width given, encoded.
    std::vector<std::uint8_t> IntegerValue() {
        TFormOutput output;
        if (token_.kind == TokenKind::Number && token_.text.find_first_of(".eE") == std::string::npos) {
            output.WriteInteger(ParseInteger(token_.text));
            Advance();
            return output.Take();
        }
        if (token_.kind != TokenKind::Name || !token_.parenFollows)
            Fail("Integer expected");
        const std::string marker = token_.text;
        Advance();
        Expect('(');
        TypedInteger(marker, output);
        Expect(')');
        return output.Take();
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
    Token token_;
    TFormOutput out_; // the plain value being read
    int nesting_ = 0;
};

} // namespace

TFormTextObject ParseFormText(std::string_view text) { return Parser(text).Run(); }

} // namespace toolkit
