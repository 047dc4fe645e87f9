// Small lexical steps over SQL text for the schema tokenizer. Every function
// stays inside the text it is given: positions past its end come back as
// text.size().
#ifndef SALVORAN_SQLITE2FMT_SQL_LEXING_H_
#define SALVORAN_SQLITE2FMT_SQL_LEXING_H_

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace salvoran::sqlite2 {

// White space: the blank and the characters 8 to 13.
inline bool IsSqlSpace(char c) { return c == ' ' || (c >= 8 && c <= 13); }
// Characters of a bare SQL word; bytes of UTF-8 sequences count as letters.
inline bool IsWordChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}
inline bool IsQuoteOpener(char c) { return c == '\'' || c == '"' || c == '`' || c == '['; }

size_t SkipSpace(std::string_view text, size_t pos);
// Just after the quoted part opening at text[pos], doubled quotes included;
// text.size() when it never closes.
size_t SkipQuoted(std::string_view text, size_t pos);
// Just after the ")" closing the "(" at text[pos], nested parentheses and
// quoted parts included; text.size() when it never closes.
size_t SkipParenthesised(std::string_view text, size_t pos);
// The end of the item starting at pos: the first "," or ")" outside
// parentheses and quotes, or text.size().
size_t ItemEnd(std::string_view text, size_t pos);

// Whether the word (ASCII, any case) stands at pos as a whole word.
bool WordAt(std::string_view text, size_t pos, std::string_view word);
// Matches words separated by white space from pos; the position after the
// last word, or npos.
size_t WordsAt(std::string_view text, size_t pos, std::initializer_list<std::string_view> words);
// The first position >= pos where the word stands as a whole word outside
// parentheses and quotes, or npos.
size_t FindWordOutside(std::string_view text, size_t pos, std::string_view word);

// The end of a name token at pos: a quoted name as a whole, else up to white
// space or one of the stop characters.
size_t NameEnd(std::string_view text, size_t pos, std::string_view stops);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_SQL_LEXING_H_
