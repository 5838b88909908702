#include "toolkit/FormTextLexer.h"

#include "toolkit/FormText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace toolkit::formtext {

namespace {

constexpr std::array<std::string_view, 8> keywords = {"object", "inherited", "inline", "end",
                                                      "item",   "True",      "False",  "nil"};

} // namespace

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

// The flag byte the text implies for a record with these flags, 0 for none.
std::uint8_t impliedFlagByte(std::uint8_t flags, std::string_view className, bool child) {
    flags &= keywordFlags;
    return flags != 0 || ClassNameNeedsFlagByte(className, child) ? filerFlagMarker | flags : 0;
}

void FailAt(int line, int column, const std::string& message) {
    throw EFormTextError("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                         message);
}

Token Lexer::Next() {
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

void Lexer::SkipSpace() {
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

void Lexer::ReadName(Token& token) {
    const std::size_t start = at_;
    while (at_ < text_.size() && (isIdentChar(text_[at_]) || text_[at_] == '.'))
        ++at_;
    token.kind = TokenKind::Name;
    token.text = std::string(text_.substr(start, at_ - start));
    token.parenFollows = at_ < text_.size() && text_[at_] == '(';
}

void Lexer::ReadNumber(Token& token) {
    const std::size_t start = at_++;
    while (at_ < text_.size()) {
        const char c = text_[at_];
        const bool exponentSign = (c == '-' || c == '+') && (text_[at_ - 1] == 'e' || text_[at_ - 1] == 'E');
        if (!isIdentChar(c) && c != '.' && !exponentSign)
            break;
        ++at_;
    }
    token.kind = TokenKind::Number;
    token.text = std::string(text_.substr(start, at_ - start));
}

void Lexer::ReadString(Token& token) {
    token.kind = TokenKind::String;
    while (at_ < text_.size() && (text_[at_] == '\'' || text_[at_] == '#')) {
        if (text_[at_] == '#')
            ReadCharCode(token);
        else
            ReadQuoted(token);
    }
}

void Lexer::ReadCharCode(Token& token) {
    const std::size_t start = ++at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
        ++at_;
    std::uint32_t unit = 0;
    const auto result = std::from_chars(text_.data() + start, text_.data() + at_, unit);
    if (start == at_ || result.ec != std::errc() || unit > 0xFFFF)
        FailAt(line_, static_cast<int>(start - lineStart_), "A character code is #0 to #65535");
    token.parts.push_back({false, {}, unit});
}

void Lexer::ReadQuoted(Token& token) {
    std::string bytes;
    ++at_;
    while (true) {
        if (at_ >= text_.size() || text_[at_] == '\n')
            FailAt(line_, static_cast<int>(at_ - lineStart_) + 1, "Unterminated string");
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

void Lexer::ReadHex(Token& token) {
    token.kind = TokenKind::Hex;
    ++at_;
    int pending = -1;
    while (true) {
        SkipSpace();
        if (at_ >= text_.size())
            FailAt(line_, static_cast<int>(at_ - lineStart_) + 1, "Unterminated binary value");
        const char c = text_[at_++];
        if (c == '}')
            break;
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                      : -1;
        if (digit < 0)
            FailAt(line_, static_cast<int>(at_ - lineStart_), std::string("Not a hex digit: ") + c);
        if (pending < 0) {
            pending = digit;
        } else {
            token.hex.push_back(static_cast<std::uint8_t>(pending << 4 | digit));
            pending = -1;
        }
    }
    if (pending >= 0)
        FailAt(line_, static_cast<int>(at_ - lineStart_), "A binary value needs an even count of hex digits");
}

} // namespace toolkit::formtext
