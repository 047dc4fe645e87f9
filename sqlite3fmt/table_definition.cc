#include "sqlite3fmt/table_definition.h"

#include <initializer_list>

#include "recovery/catalog.h"
#include "recovery/sqlite_base.h"
#include "recovery/text.h"

namespace salvoran::sqlite3 {

namespace {

constexpr size_t kNpos = std::string_view::npos;
constexpr size_t kCreateTableLength = 13;  // "CREATE TABLE "

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`' || c == '['; }

// Position after a comment that starts at text[pos], or pos when none does.
// A comment left open runs to the end of the text, as SQLite reads it.
size_t SkipComment(std::string_view text, size_t pos) {
  if (text.substr(pos, 2) == "--") {
    size_t end = text.find('\n', pos + 2);
    return end == kNpos ? text.size() : end + 1;
  }
  if (text.substr(pos, 2) == "/*") {
    size_t end = text.find("*/", pos + 2);
    return end == kNpos ? text.size() : end + 2;
  }
  return pos;
}

size_t SkipSpaceAndComments(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    if (IsSqlSpace(text[pos])) {
      ++pos;
      continue;
    }
    size_t after = SkipComment(text, pos);
    if (after == pos) break;
    pos = after;
  }
  return pos;
}

// Steps over one unit that must not be searched inside: a quoted part, a
// parenthesised part or a comment. Returns pos when text[pos] starts none,
// npos when the unit never closes.
size_t SkipUnit(std::string_view text, size_t pos) {
  if (IsQuote(text[pos])) return SkipQuoted(text, pos);
  if (text[pos] == '(') return SkipParenthesised(text, pos);
  return SkipComment(text, pos);
}

// The end of the keyword words at pos (separated by white space), when they
// stand there as whole words; npos otherwise.
size_t MatchWords(std::string_view text, size_t pos, std::initializer_list<std::string_view> words) {
  bool firstWord = true;
  for (std::string_view word : words) {
    if (!firstWord) {
      size_t start = pos;
      while (pos < text.size() && IsSqlSpace(text[pos])) ++pos;
      if (pos == start) return kNpos;
    }
    firstWord = false;
    if (!StartsWithIgnoreCaseAscii(text.substr(pos), word)) return kNpos;
    pos += word.size();
  }
  if (pos < text.size() && IsWordChar(text[pos])) return kNpos;
  return pos;
}

bool StartsTableConstraint(std::string_view text, size_t pos) {
  if (MatchWords(text, pos, {"CONSTRAINT"}) != kNpos || MatchWords(text, pos, {"FOREIGN", "KEY"}) != kNpos ||
      MatchWords(text, pos, {"UNIQUE"}) != kNpos || MatchWords(text, pos, {"CHECK"}) != kNpos) {
    return true;
  }
  size_t end = MatchWords(text, pos, {"PRIMARY", "KEY"});
  if (end == kNpos) return false;
  while (end < text.size() && IsSqlSpace(text[end])) ++end;
  return end < text.size() && text[end] == '(';
}

// Before a column definition: white space, every "(", one ",", white space.
size_t SkipColumnLead(std::string_view text, size_t pos) {
  pos = SkipSpaceAndComments(text, pos);
  while (pos < text.size() && text[pos] == '(') ++pos;
  if (pos < text.size() && text[pos] == ',') ++pos;
  return SkipSpaceAndComments(text, pos);
}

// The "," or ")" that ends the column definition starting at pos.
size_t ColumnDefinitionEnd(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ',' || c == ')') return pos;
    size_t after = SkipUnit(text, pos);
    if (after == kNpos) return kNpos;
    pos = after == pos ? pos + 1 : after;
  }
  return kNpos;
}

// The ")" that closes the table, seen from inside its column list.
size_t TableListEnd(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    if (text[pos] == ')') return pos;
    size_t after = SkipUnit(text, pos);
    if (after == kNpos) return kNpos;
    pos = after == pos ? pos + 1 : after;
  }
  return kNpos;
}

// The first "(" at or after pos outside quotes and comments.
size_t OpeningParenthesis(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    if (text[pos] == '(') return pos;
    size_t after = IsQuote(text[pos]) ? SkipQuoted(text, pos) : SkipComment(text, pos);
    if (after == kNpos) return kNpos;
    pos = after == pos ? pos + 1 : after;
  }
  return kNpos;
}

size_t ColumnNameEnd(std::string_view text, size_t start, size_t end) {
  if (IsQuote(text[start])) return SkipQuoted(text, start);
  size_t pos = start;
  while (pos < end && !IsSqlSpace(text[pos]) && text[pos] != ',' && text[pos] != ')') ++pos;
  return pos;
}

// INTEGER followed later by "primary key" in the rest of a definition.
bool DeclaresIntegerKey(std::string_view rest) {
  constexpr std::string_view kInteger = "INTEGER";
  constexpr std::string_view kPrimaryKey = "primary key";
  constexpr size_t kShortest = 19;  // "INTEGER PRIMARY KEY"
  for (size_t p = 0; p + kShortest <= rest.size(); ++p) {
    if (!StartsWithIgnoreCaseAscii(rest.substr(p), kInteger)) continue;
    for (size_t k = p + kInteger.size() + 1; k + kPrimaryKey.size() <= rest.size(); ++k) {
      if (StartsWithIgnoreCaseAscii(rest.substr(k), kPrimaryKey)) return true;
    }
  }
  return false;
}

// The declared type: from the end of the name (its blanks included) through
// the first word, a parenthesised part such as "(20)" taken whole.
std::string_view TypeText(std::string_view text, size_t nameStart, size_t nameEnd, size_t end) {
  constexpr size_t kShortestTyped = 4;
  if (end - nameStart < kShortestTyped) return {};
  size_t pos = nameEnd;
  while (pos < end && IsSqlSpace(text[pos])) ++pos;
  while (pos < end && !IsSqlSpace(text[pos]) && text[pos] != ',' && text[pos] != ')') {
    size_t after = SkipUnit(text, pos);
    pos = (after == pos || after == kNpos) ? pos + 1 : after;
  }
  return text.substr(nameEnd, std::min(pos, end) - nameEnd);
}

}  // namespace

size_t SkipQuoted(std::string_view text, size_t pos) {
  const char open = text[pos];
  const char close = open == '[' ? ']' : open;
  for (size_t p = pos + 1; p < text.size(); ++p) {
    if (text[p] != close) continue;
    if (open != '[' && p + 1 < text.size() && text[p + 1] == close) {
      ++p;  // a doubled quote stands for one
      continue;
    }
    return p + 1;
  }
  return kNpos;
}

size_t SkipParenthesised(std::string_view text, size_t pos) {
  size_t depth = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return pos + 1;
    } else {
      size_t after = IsQuote(c) ? SkipQuoted(text, pos) : SkipComment(text, pos);
      if (after == kNpos) return kNpos;
      if (after != pos) {
        pos = after;
        continue;
      }
    }
    ++pos;
  }
  return kNpos;
}

std::string TableDefinition::Descriptor(uint32_t rootPage) const {
  std::string descriptor = name + "+";
  for (const std::string& column : columns) descriptor += column + "~";
  return descriptor + "#" + std::to_string(rootPage);
}

std::vector<int> TableDefinition::MarkedColumns() const {
  const std::string_view mark = kKeyMark;
  std::vector<int> marked;
  for (size_t c = 0; c < columns.size(); ++c) {
    if (std::string_view(columns[c]).ends_with(mark)) marked.push_back(static_cast<int>(c));
  }
  return marked;
}

std::string AccessStatementHeader(const std::string& tableName) {
  std::string clean = sqlite_base::SanitizeIdentifier(tableName);
  return clean.empty() ? "create Table " + tableName + " ( " : "create Table [" + clean + "] ( ";
}

void AppendAccessColumn(std::string* statement, bool first, const std::string& rawName,
                        const std::string& accessType) {
  if (!first) *statement += ", ";
  *statement += "[" + sqlite_base::SanitizeIdentifier(rawName) + "] " + accessType;
}

std::string AccessTypeOf(const std::string& typeText) {
  if (TrimWhitespace(typeText).empty()) return "TEXT";
  // The white space before the type is kept as blanks, which the Access
  // type test ignores (a tab or a line break would fail it).
  std::string spaced = typeText;
  for (size_t i = 0; i < spaced.size() && IsSqlSpace(spaced[i]); ++i) spaced[i] = ' ';
  std::string type = sqlite_base::NormalizeColumnType(spaced);
  return sqlite_base::IsAccessType(type) ? type : "TEXT";
}

namespace {

std::string WithoutKeyMark(std::string_view name) {
  std::string text(name);
  const std::string mark = kKeyMark;
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) text.erase(at, mark.size());
  return text;
}

}  // namespace

std::string UnquoteIdentifier(std::string_view name) {
  std::string text = TrimWhitespace(WithoutKeyMark(name));
  if (text.size() < 2) return text;
  const char open = text.front();
  if (!IsQuote(open)) return text;
  const char close = open == '[' ? ']' : open;
  if (text.back() != close) return text;
  std::string inner;
  for (size_t p = 1; p + 1 < text.size(); ++p) {
    inner.push_back(text[p]);
    if (open != '[' && text[p] == close && text[p + 1] == close) ++p;
  }
  return inner;
}

std::string CleanTableName(std::string_view writtenName) {
  std::string name = TrimWhitespace(WithoutKeyMark(writtenName));
  size_t afterIf = MatchWords(name, 0, {"IF", "NOT", "EXISTS"});
  if (afterIf != kNpos) name = TrimWhitespace(std::string_view(name).substr(afterIf));
  // A schema prefix ("main.t"): the name is the part after the last "."
  // that stands outside quotes.
  std::string_view view = name;
  size_t partStart = 0;
  for (size_t pos = 0; pos < view.size();) {
    if (IsQuote(view[pos])) {
      size_t after = SkipQuoted(view, pos);
      if (after == kNpos) break;
      pos = after;
    } else {
      if (view[pos] == '.') partStart = pos + 1;
      ++pos;
    }
  }
  return UnquoteIdentifier(view.substr(partStart));
}

bool ParseTableDefinition(std::string_view text, size_t keywordPosition, TableDefinition* definition) {
  TableDefinition parsed;
  const size_t nameStart = keywordPosition + kCreateTableLength;
  if (nameStart > text.size()) return false;
  const size_t open = OpeningParenthesis(text, nameStart);
  if (open == kNpos) return false;
  parsed.name = std::string(text.substr(nameStart, open - nameStart));
  parsed.accessStatement = AccessStatementHeader(parsed.name);

  size_t pos = SkipColumnLead(text, open);
  size_t close = kNpos;
  while (close == kNpos) {
    if (pos >= text.size()) return false;
    if (StartsTableConstraint(text, pos)) {
      // A table constraint ends the column list; the statement ends before
      // the table's own closing parenthesis.
      close = TableListEnd(text, pos);
      if (close == kNpos) return false;
      break;
    }
    const size_t end = ColumnDefinitionEnd(text, pos);
    if (end == kNpos) return false;
    if (end > pos) {
      const size_t nameEnd = std::min(ColumnNameEnd(text, pos, end), end);
      std::string rawName(text.substr(pos, nameEnd - pos));
      if (DeclaresIntegerKey(text.substr(nameEnd, end - nameEnd))) rawName += kKeyMark;
      std::string accessType = AccessTypeOf(std::string(TypeText(text, pos, nameEnd, end)));
      AppendAccessColumn(&parsed.accessStatement, parsed.columns.empty(), rawName, accessType);
      parsed.columnTypes.push_back(TrimWhitespace(accessType));
      parsed.columns.push_back(std::move(rawName));
    }
    if (text[end] == ')') {
      close = end;
      if (close + 1 < text.size() && text[close + 1] == ')') ++close;
      break;
    }
    pos = SkipColumnLead(text, end);
  }
  parsed.statement = std::string(text.substr(keywordPosition, close - keywordPosition));
  parsed.accessStatement += " )";
  *definition = std::move(parsed);
  return true;
}

}  // namespace salvoran::sqlite3
