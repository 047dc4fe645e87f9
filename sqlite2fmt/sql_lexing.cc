#include "sqlite2fmt/sql_lexing.h"

namespace salvoran::sqlite2 {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

size_t SkipSpace(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSqlSpace(text[pos])) ++pos;
  return pos;
}

size_t SkipQuoted(std::string_view text, size_t pos) {
  const char close = text[pos] == '[' ? ']' : text[pos];
  for (size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] != close) continue;
    // A doubled quote stands for itself; "]" has no such escape.
    if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return text.size();
}

size_t SkipParenthesised(std::string_view text, size_t pos) {
  size_t depth = 0;
  size_t i = pos;
  while (i < text.size()) {
    char c = text[i];
    if (IsQuoteOpener(c)) {
      i = SkipQuoted(text, i);
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

size_t ItemEnd(std::string_view text, size_t pos) {
  size_t i = pos;
  while (i < text.size()) {
    char c = text[i];
    if (c == ',' || c == ')') return i;
    if (IsQuoteOpener(c)) {
      i = SkipQuoted(text, i);
    } else if (c == '(') {
      i = SkipParenthesised(text, i);
    } else {
      ++i;
    }
  }
  return text.size();
}

bool WordAt(std::string_view text, size_t pos, std::string_view word) {
  if (pos > text.size() || text.size() - pos < word.size()) return false;
  if (pos > 0 && IsWordChar(text[pos - 1]) && IsWordChar(word.front())) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (LowerAscii(text[pos + k]) != LowerAscii(word[k])) return false;
  }
  size_t end = pos + word.size();
  return end == text.size() || !IsWordChar(text[end]) || !IsWordChar(word.back());
}

size_t WordsAt(std::string_view text, size_t pos, std::initializer_list<std::string_view> words) {
  bool first = true;
  for (std::string_view word : words) {
    if (!first) {
      size_t next = SkipSpace(text, pos);
      if (next == pos) return std::string_view::npos;
      pos = next;
    }
    if (!WordAt(text, pos, word)) return std::string_view::npos;
    pos += word.size();
    first = false;
  }
  return pos;
}

size_t FindWordOutside(std::string_view text, size_t pos, std::string_view word) {
  size_t depth = 0;
  size_t i = pos;
  while (i < text.size()) {
    char c = text[i];
    if (IsQuoteOpener(c)) {
      i = SkipQuoted(text, i);
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0 && WordAt(text, i, word)) {
      return i;
    }
    ++i;
  }
  return std::string_view::npos;
}

size_t NameEnd(std::string_view text, size_t pos, std::string_view stops) {
  if (pos < text.size() && IsQuoteOpener(text[pos])) return SkipQuoted(text, pos);
  size_t i = pos;
  while (i < text.size() && !IsSqlSpace(text[i]) && stops.find(text[i]) == std::string_view::npos) ++i;
  return i;
}

}  // namespace salvoran::sqlite2
