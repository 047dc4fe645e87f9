#include "sqlite3fmt/schema_keywords.h"

#include <array>

#include "recovery/text.h"
#include "sqlite3fmt/table_definition.h"

namespace salvoran::sqlite3 {

namespace {

constexpr size_t kNpos = std::string_view::npos;

struct KeywordForm {
  std::string_view text;
  SchemaKind kind;
};

constexpr std::array<KeywordForm, 10> kForms = {{
    {"CREATE TABLE", SchemaKind::Table},
    {"CREATE INDEX", SchemaKind::Index},
    {"CREATE UNIQUE INDEX", SchemaKind::UniqueIndex},
    {"CREATE VIRTUAL TABLE", SchemaKind::Skipped},
    {"_autoindex", SchemaKind::Skipped},
    {"autoindex", SchemaKind::Skipped},
    {"CREATE VIEW", SchemaKind::View},
    {"%REATE VIEW", SchemaKind::View},
    {"CREATE TRIGGER", SchemaKind::Trigger},
    {"&REATE TRIGGER", SchemaKind::Trigger},
}};

bool IsQuoteChar(char c) { return c == '\'' || c == '"' || c == '`' || c == '['; }

// The end of the name token at pos: quoted parts through their closing
// quote, bare parts up to white space or one of the stop characters; a
// qualified name ("main"."t") is one token.
size_t NameTokenEnd(std::string_view text, size_t pos, std::string_view stops) {
  while (pos < text.size() && !IsSqlSpace(text[pos]) && stops.find(text[pos]) == kNpos) {
    if (IsQuoteChar(text[pos])) {
      pos = SkipQuoted(text, pos);
      if (pos == kNpos) return kNpos;
    } else {
      ++pos;
    }
  }
  return pos;
}

size_t SkipSpace(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSqlSpace(text[pos])) ++pos;
  return pos;
}

// Blanks, "(" and "," before a name of the column list.
size_t SkipListLead(std::string_view text, size_t pos) {
  while (pos < text.size() && (IsSqlSpace(text[pos]) || text[pos] == '(' || text[pos] == ',')) ++pos;
  return pos;
}

bool IsWordAt(std::string_view text, size_t pos, std::string_view word) {
  if (!StartsWithIgnoreCaseAscii(text.substr(pos), word)) return false;
  if (pos > 0 && IsWordChar(text[pos - 1])) return false;
  const size_t end = pos + word.size();
  return end >= text.size() || !IsWordChar(text[end]);
}

}  // namespace

std::optional<KeywordMatch> FindSchemaKeyword(std::string_view text) {
  for (size_t p = 0; p < text.size(); ++p) {
    for (const KeywordForm& form : kForms) {
      if (StartsWithIgnoreCaseAscii(text.substr(p), form.text)) return KeywordMatch{form.kind, p, form.text.size()};
    }
  }
  return std::nullopt;
}

bool ReadIndexEntries(std::string_view text, const KeywordMatch& match, IndexEntries* index) {
  IndexEntries result;
  const size_t q = match.position;
  size_t pos = q + match.length + 1;  // the keyword and its blank
  if (pos >= text.size()) return false;
  const size_t nameEnd = NameTokenEnd(text, pos, "");
  if (nameEnd == kNpos || nameEnd >= text.size()) return false;
  result.name = std::string(text.substr(pos, nameEnd - pos));
  pos = SkipSpace(text, nameEnd);
  if (IsWordAt(text, pos, "ON")) pos += 2;
  pos = SkipListLead(text, pos);
  const size_t tableEnd = NameTokenEnd(text, pos, "(");
  if (tableEnd == kNpos || tableEnd >= text.size()) return false;
  result.tableName = std::string(text.substr(pos, tableEnd - pos));
  pos = SkipListLead(text, tableEnd);
  // Every pass moves pos forward, so the loop ends with the text at most.
  while (true) {
    if (pos >= text.size()) return false;
    const size_t columnEnd = NameTokenEnd(text, pos, ",)");
    if (columnEnd == kNpos || columnEnd >= text.size()) return false;
    pos = columnEnd;
    if (IsSqlSpace(text[pos])) ++pos;
    result.entries.push_back(std::string(text.substr(q, pos - q)));
    if (pos >= text.size()) return false;
    if (text[pos] == ')') break;
    pos = SkipListLead(text, pos);
  }
  *index = std::move(result);
  return true;
}

std::string TriggerTableName(std::string_view statement) {
  for (size_t pos = 0; pos < statement.size();) {
    if (IsQuoteChar(statement[pos])) {
      pos = SkipQuoted(statement, pos);
      if (pos == kNpos) return {};
      continue;
    }
    if (IsWordAt(statement, pos, "ON")) {
      const size_t start = SkipSpace(statement, pos + 2);
      const size_t end = NameTokenEnd(statement, start, "(;");
      if (end == kNpos) return {};
      return CleanTableName(statement.substr(start, end - start));
    }
    ++pos;
  }
  return {};
}

}  // namespace salvoran::sqlite3
