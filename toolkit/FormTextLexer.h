// The words of the text form: what a name, a keyword and a token are, and the lexer that cuts a text
// into tokens with their line and column. Shared by the parser and the decompiler, which must agree on
// which names the text can hold bare.
#pragma once

#include "toolkit/FormStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit::formtext {

// Deeper nesting is refused both ways, so that neither reading nor writing can exhaust the stack.
constexpr int maxNesting = 64;

bool isKeyword(std::string_view word);
bool isIdentStart(char c);
bool isIdentChar(char c);
// A dotted identifier that the text can hold bare ("Font.Height", "DIBImageList1").
bool isPlainName(std::string_view name);

// The record flags that the keywords and the child position spell out.
constexpr std::uint8_t keywordFlags = ffInherited | ffInline | ffChildPos;
// The flag byte the text implies for a record with these flags, 0 for none.
std::uint8_t impliedFlagByte(std::uint8_t flags, std::string_view className, bool child);

// Throws EFormTextError naming the place in the text.
[[noreturn]] void FailAt(int line, int column, const std::string& message);

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

    // The next token; at the end of the text a token of kind End, again and again.
    Token Next();

  private:
    void SkipSpace();
    void ReadName(Token& token);
    void ReadNumber(Token& token);
    void ReadString(Token& token);
    void ReadCharCode(Token& token);
    void ReadQuoted(Token& token);
    void ReadHex(Token& token);

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
};

} // namespace toolkit::formtext
