#include "platform/sqlite2/sql_tokenizer.h"

#include <algorithm>
#include <array>

namespace salvoran::sqlite2 {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || IsDigit(c) || c == '_' || u >= 0x80;
}
char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Two-character operators; every other symbol is one character.
constexpr std::array<std::string_view, 8> kTwoCharSymbols = {"<=", ">=", "<>", "!=",
                                                             "==", "<<", ">>", "||"};
constexpr std::string_view kOneCharSymbols = "(),;.+-*/%=<>&|~";

}  // namespace

void Tokenizer::SkipSpaceAndComments() {
  while (pos_ < sql_.size()) {
    if (IsSpace(sql_[pos_])) {
      ++pos_;
    } else if (sql_.substr(pos_, 2) == "--") {
      const size_t end = sql_.find('\n', pos_);
      pos_ = end == std::string_view::npos ? sql_.size() : end + 1;
    } else if (sql_.substr(pos_, 2) == "/*") {
      const size_t end = sql_.find("*/", pos_ + 2);
      pos_ = end == std::string_view::npos ? sql_.size() : end + 2;
    } else {
      return;
    }
  }
}

Token Tokenizer::Next() {
  SkipSpaceAndComments();
  Token token;
  token.offset = pos_;
  if (pos_ >= sql_.size()) return token;
  const size_t start = pos_;
  const char c = sql_[pos_];
  auto finish = [&](TokenKind kind, size_t end) {
    token.kind = kind;
    token.text = sql_.substr(start, end - start);
    pos_ = end;
    return token;
  };

  if (c == '\'' || c == '"') {
    size_t i = start + 1;
    while (i < sql_.size()) {
      if (sql_[i] == c) {
        if (i + 1 < sql_.size() && sql_[i + 1] == c) {
          i += 2;
          continue;
        }
        return finish(c == '\'' ? TokenKind::SingleQuoted : TokenKind::DoubleQuoted, i + 1);
      }
      ++i;
    }
    return finish(TokenKind::Illegal, sql_.size());
  }
  if (c == '[') {
    const size_t close = sql_.find(']', start + 1);
    if (close == std::string_view::npos) return finish(TokenKind::Illegal, sql_.size());
    return finish(TokenKind::Bracketed, close + 1);
  }
  if (IsDigit(c)) {
    size_t i = start;
    TokenKind kind = TokenKind::Integer;
    while (i < sql_.size() && IsDigit(sql_[i])) ++i;
    if (i + 1 < sql_.size() && sql_[i] == '.' && IsDigit(sql_[i + 1])) {
      i += 2;
      while (i < sql_.size() && IsDigit(sql_[i])) ++i;
      kind = TokenKind::Float;
    }
    if (i < sql_.size() && (sql_[i] == 'e' || sql_[i] == 'E')) {
      const bool digitNext = i + 1 < sql_.size() && IsDigit(sql_[i + 1]);
      const bool signedDigit = i + 2 < sql_.size() && (sql_[i + 1] == '+' || sql_[i + 1] == '-') &&
                               IsDigit(sql_[i + 2]);
      if (digitNext || signedDigit) {
        i += 2;
        while (i < sql_.size() && IsDigit(sql_[i])) ++i;
        kind = TokenKind::Float;
      }
    }
    return finish(kind, i);
  }
  if (IsWordChar(c)) {
    size_t i = start;
    while (i < sql_.size() && IsWordChar(sql_[i])) ++i;
    return finish(TokenKind::Word, i);
  }
  for (std::string_view symbol : kTwoCharSymbols) {
    if (sql_.substr(start, 2) == symbol) return finish(TokenKind::Symbol, start + 2);
  }
  if (kOneCharSymbols.find(c) != std::string_view::npos) return finish(TokenKind::Symbol, start + 1);
  return finish(TokenKind::Illegal, start + 1);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

std::string ToLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool IsKeyword(const Token& token, std::string_view upperKeyword) {
  return token.kind == TokenKind::Word && EqualsIgnoreCase(token.text, upperKeyword);
}

bool IsReservedWord(std::string_view word) {
  // Keywords of the 2.8 grammar that have no fall-back to a plain name.
  static constexpr std::string_view kReserved[] = {
      "ALL",     "AND",       "AS",        "BETWEEN",  "BY",         "CASE",     "CHECK",
      "COLLATE", "COMMIT",    "CONSTRAINT", "CREATE",  "DEFAULT",    "DEFERRABLE", "DELETE",
      "DISTINCT", "DROP",     "ELSE",      "EXCEPT",   "FOREIGN",    "FROM",     "GROUP",
      "HAVING",  "IN",        "INDEX",     "INSERT",   "INTERSECT",  "INTO",     "IS",
      "ISNULL",  "JOIN",      "LIMIT",     "NOT",      "NOTNULL",    "NULL",     "ON",
      "OR",      "ORDER",     "PRIMARY",   "REFERENCES", "ROLLBACK", "SELECT",   "SET",
      "TABLE",   "THEN",      "TRANSACTION", "UNION",  "UNIQUE",     "UPDATE",   "USING",
      "VALUES",  "WHEN",      "WHERE"};
  return std::any_of(std::begin(kReserved), std::end(kReserved),
                     [&](std::string_view k) { return EqualsIgnoreCase(word, k); });
}

std::string Dequote(const Token& token) {
  std::string_view text = token.text;
  switch (token.kind) {
    case TokenKind::Bracketed:
      return std::string(text.substr(1, text.size() - 2));
    case TokenKind::SingleQuoted:
    case TokenKind::DoubleQuoted: {
      const char quote = text.front();
      std::string out;
      out.reserve(text.size());
      for (size_t i = 1; i + 1 < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == quote) ++i;  // a doubled quote stands for one
      }
      return out;
    }
    default:
      return std::string(text);
  }
}

}  // namespace salvoran::sqlite2
