// The tokenizer of the SQL dialect of SQLite 2.8.
//
// Words are letters, digits, "_" and bytes of 0x80 and above, not starting
// with a digit. [name] is an identifier; 'text' and "text" are strings or
// identifiers depending on where they stand (the quote is doubled inside).
// Numbers are digits with an optional ".digits" part and exponent. White
// space, "--" comments and "/* */" comments are skipped.
#ifndef SALVORAN_PLATFORM_SQLITE2_SQL_TOKENIZER_H_
#define SALVORAN_PLATFORM_SQLITE2_SQL_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace salvoran::sqlite2 {

enum class TokenKind : uint8_t {
  Word,          // identifier or keyword
  Bracketed,     // [identifier]
  DoubleQuoted,  // "identifier or string"
  SingleQuoted,  // 'string'
  Integer,
  Float,
  Symbol,        // punctuation and operators
  Illegal,       // a character that starts no token, or an unterminated quote
  End,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  // the token as written
  size_t offset = 0;      // position in the SQL text
};

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view sql) : sql_(sql) {}
  // The next token after white space and comments; End at the end of the text.
  Token Next();

 private:
  void SkipSpaceAndComments();
  std::string_view sql_;
  size_t pos_ = 0;
};

// True when a Word token spells the keyword, in any letter case.
bool IsKeyword(const Token& token, std::string_view upperKeyword);

// True for the words that can never be used as a bare name.
bool IsReservedWord(std::string_view word);

// The name or string a token stands for: brackets removed, quotes removed and
// doubled quotes undoubled.
std::string Dequote(const Token& token);

// ASCII case-insensitive comparison, as SQLite 2 compares names.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_SQL_TOKENIZER_H_
