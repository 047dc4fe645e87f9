#include "sqlite2fmt/schema_statements.h"

#include <algorithm>

#include "recovery/catalog.h"
#include "recovery/sqlite_base.h"
#include "recovery/text.h"
#include "sqlite2fmt/row_record.h"
#include "sqlite2fmt/sql_lexing.h"

namespace salvoran::sqlite2 {

namespace {

bool SubstringAtIgnoreCase(std::string_view text, size_t pos, std::string_view word) {
  return text.size() - pos >= word.size() && EqualsIgnoreCaseAscii(text.substr(pos, word.size()), word);
}

// Tests the kinds at one position, in their order; the first match decides.
FoundStatement StatementAt(std::string_view text, size_t p) {
  struct Form {
    StatementKind kind;
    std::initializer_list<std::string_view> words;
  };
  static const Form kForms[] = {
      {StatementKind::Table, {"CREATE", "TABLE"}},
      {StatementKind::Index, {"CREATE", "INDEX"}},
      {StatementKind::UniqueIndex, {"CREATE", "UNIQUE", "INDEX"}},
  };
  for (const Form& form : kForms) {
    size_t end = WordsAt(text, p, form.words);
    if (end != std::string_view::npos) return {form.kind, p, end};
  }
  if (SubstringAtIgnoreCase(text, p, "_autoindex") || SubstringAtIgnoreCase(text, p, "autoindex") ||
      WordsAt(text, p, {"CREATE", "VIRTUAL", "TABLE"}) != std::string_view::npos) {
    return {StatementKind::Skipped, p, p};
  }
  static const Form kLaterForms[] = {
      {StatementKind::View, {"CREATE", "VIEW"}},
      {StatementKind::View, {"%REATE", "VIEW"}},
      {StatementKind::Trigger, {"CREATE", "TRIGGER"}},
      {StatementKind::Trigger, {"&REATE", "TRIGGER"}},
  };
  for (const Form& form : kLaterForms) {
    size_t end = WordsAt(text, p, form.words);
    if (end != std::string_view::npos) return {form.kind, p, end};
  }
  return {};
}

// The decimal root page of a rootpage field; 0 when it holds no number or
// one beyond 32 bits.
uint32_t ParseRootPage(std::string_view digits) {
  size_t i = SkipSpace(digits, 0);
  if (i < digits.size() && digits[i] == '+') ++i;
  uint64_t value = 0;
  bool any = false;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(digits[i] - '0');
    if (value > UINT32_MAX) return 0;
    any = true;
  }
  return any ? static_cast<uint32_t>(value) : 0;
}

// The number whose last digit lies two bytes before the statement.
uint32_t RootPageBefore(std::string_view record, size_t statement) {
  if (statement < 2) return 0;
  size_t end = statement - 1;  // just after the last digit
  size_t begin = end;
  while (begin > 0 && record[begin - 1] >= '0' && record[begin - 1] <= '9') --begin;
  return ParseRootPage(record.substr(begin, end - begin));
}

bool IsColumnConstraintWord(std::string_view text, size_t pos) {
  for (std::string_view word :
       {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT", "COLLATE", "REFERENCES"}) {
    if (WordAt(text, pos, word)) return true;
  }
  return false;
}

// Whether a table constraint starts at pos, ending the column list.
bool IsTableConstraint(std::string_view text, size_t pos) {
  if (WordAt(text, pos, "CONSTRAINT") || WordAt(text, pos, "UNIQUE") || WordAt(text, pos, "CHECK") ||
      WordsAt(text, pos, {"FOREIGN", "KEY"}) != std::string_view::npos) {
    return true;
  }
  size_t end = WordsAt(text, pos, {"PRIMARY", "KEY"});
  if (end == std::string_view::npos) return false;
  end = SkipSpace(text, end);
  return end < text.size() && text[end] == '(';
}

// The column type as SQLite reads it: the words after the name up to the
// first constraint keyword, with an optional parenthesised size.
std::string DeclaredType(std::string_view definition, size_t nameEnd) {
  size_t i = SkipSpace(definition, nameEnd);
  const size_t start = i;
  size_t end = i;
  while (i < definition.size() && !IsColumnConstraintWord(definition, i)) {
    char c = definition[i];
    if (c == '(') {
      end = SkipParenthesised(definition, i);
      break;
    }
    if (IsWordChar(c)) {
      while (i < definition.size() && IsWordChar(definition[i])) ++i;
    } else if (IsQuoteOpener(c)) {
      i = SkipQuoted(definition, i);
    } else {
      break;
    }
    end = i;
    i = SkipSpace(definition, i);
  }
  return std::string(definition.substr(start, end - start));
}

bool IsIntegerType(const std::string& declaredType) {
  std::string compact;
  for (char c : declaredType) {
    if (!IsSqlSpace(c)) compact.push_back(c);
  }
  return EqualsIgnoreCaseAscii(compact, "INTEGER");
}

// The Access type of one column definition: the type word after the name
// (with the blanks before it), a "(" carrying on to its ")"; "TEXT" when
// there is none or Access does not know it.
std::string AccessColumnType(std::string_view definition, size_t nameEnd) {
  size_t k = SkipSpace(definition, nameEnd);
  while (k < definition.size() && !IsSqlSpace(definition[k])) {
    k = definition[k] == '(' ? SkipParenthesised(definition, k) : k + 1;
  }
  std::string rawType(definition.substr(nameEnd, k - nameEnd));
  if (definition.size() - nameEnd <= 3 || TrimWhitespace(rawType).empty()) return "TEXT";
  std::string type = sqlite_base::NormalizeColumnType(rawType);
  return sqlite_base::IsAccessType(type) ? type : "TEXT";
}

// The names listed by a PRIMARY KEY(...) table constraint in [begin, end).
std::vector<std::string> TableKeyColumns(std::string_view text, size_t begin, size_t end) {
  std::vector<std::string> names;
  std::string_view region = text.substr(begin, end - begin);
  size_t at = FindWordOutside(region, 0, "PRIMARY");
  while (at != std::string_view::npos) {
    size_t after = WordsAt(region, at, {"PRIMARY", "KEY"});
    if (after != std::string_view::npos) {
      size_t open = SkipSpace(region, after);
      if (open < region.size() && region[open] == '(') {
        size_t close = SkipParenthesised(region, open);
        std::string_view list = region.substr(open + 1, close - open - 1);
        for (size_t pos = 0; pos < list.size();) {
          pos = SkipSpace(list, pos);
          size_t nameEnd = NameEnd(list, pos, ",)");
          if (nameEnd > pos) names.push_back(UnquoteName(list.substr(pos, nameEnd - pos)));
          pos = ItemEnd(list, nameEnd) + 1;
        }
        return names;
      }
    }
    at = FindWordOutside(region, at + 1, "PRIMARY");
  }
  return names;
}

}  // namespace

FoundStatement FindStatement(std::string_view text) {
  for (size_t p = 0; p < text.size(); ++p) {
    char c = text[p];
    if (c != 'c' && c != 'C' && c != '%' && c != '&' && c != '_' && c != 'a' && c != 'A') continue;
    FoundStatement found = StatementAt(text, p);
    if (found.kind != StatementKind::None) return found;
  }
  return {};
}

SchemaStatement ReadSchemaStatement(std::string_view record) {
  SchemaStatement statement;
  RowRecord fields = DecodeRowRecord(record, record.size());
  if (fields.fields.size() >= 5) {
    const RecordField& type = fields.fields[0];
    const RecordField& sql = fields.fields[4];
    statement.tableName = std::string(fields.fields[2].text);
    statement.rootPage = ParseRootPage(fields.fields[3].text);
    statement.nullSql = sql.isNull;
    FoundStatement found = FindStatement(sql.text);
    if (found.kind == StatementKind::None && sql.isNull && !type.text.empty() &&
        (type.text[0] == 'i' || type.text[0] == 'I')) {
      // An automatic index: its row names it but has no statement.
      statement.kind = StatementKind::Skipped;
      return statement;
    }
    statement.kind = found.kind;
    statement.text = std::string(sql.text.substr(found.position));
    statement.bodyPosition = found.bodyPosition - found.position;
    return statement;
  }
  // The offsets are damaged: search the raw bytes.
  FoundStatement found = FindStatement(record);
  if (found.kind == StatementKind::None) return statement;
  size_t end = std::min(record.find('\0', found.position), record.size());
  statement.kind = found.kind;
  statement.text = std::string(record.substr(found.position, end - found.position));
  statement.bodyPosition = found.bodyPosition - found.position;
  statement.rootPage = RootPageBefore(record, found.position);
  return statement;
}

std::string TableStatement::Descriptor(uint32_t rootPage) const {
  std::string descriptor = name + "+";
  for (size_t c = 0; c < columns.size(); ++c) descriptor += columns[c] + "~";
  return descriptor + "#" + std::to_string(rootPage);
}

bool ParseTableStatement(std::string_view text, size_t bodyPosition, TableStatement* table) {
  *table = TableStatement();
  size_t pos = SkipSpace(text, bodyPosition);
  size_t nameEnd = NameEnd(text, pos, "(");
  if (nameEnd == pos) return false;
  table->name = std::string(text.substr(pos, nameEnd - pos));
  size_t open = text.find('(', nameEnd);
  if (open == std::string_view::npos) return false;

  std::vector<bool> keyedColumns;
  size_t constraints = std::string_view::npos;
  size_t close = std::string_view::npos;
  pos = open + 1;
  while (pos < text.size()) {
    pos = SkipSpace(text, pos);
    if (pos < text.size() && text[pos] == ',') pos = SkipSpace(text, pos + 1);
    if (pos >= text.size()) break;
    if (text[pos] == ')') {
      close = pos;
      break;
    }
    if (IsTableConstraint(text, pos)) {
      constraints = pos;
      break;
    }
    const size_t end = ItemEnd(text, pos);
    std::string_view definition = text.substr(pos, end - pos);
    const size_t columnNameEnd = NameEnd(definition, 0, "");
    table->columns.emplace_back(definition.substr(0, columnNameEnd));
    table->declaredTypes.push_back(DeclaredType(definition, columnNameEnd));
    table->accessTypes.push_back(AccessColumnType(definition, columnNameEnd));
    size_t primary = FindWordOutside(definition, columnNameEnd, "PRIMARY");
    keyedColumns.push_back(primary != std::string_view::npos &&
                           WordsAt(definition, primary, {"PRIMARY", "KEY"}) != std::string_view::npos);
    pos = end;
    if (pos < text.size() && text[pos] == ')') {
      close = pos;
      break;
    }
  }
  if (constraints != std::string_view::npos) {
    // The column list closes after the constraints.
    size_t at = constraints;
    while (at < text.size() && text[at] != ')') {
      at = ItemEnd(text, at);
      if (at < text.size() && text[at] == ',') ++at;
    }
    if (at < text.size()) close = at;
    const size_t listEnd = close == std::string_view::npos ? text.size() : close;
    std::vector<std::string> listed = TableKeyColumns(text, constraints, listEnd);
    for (const std::string& key : listed) {
      for (size_t c = 0; c < table->columns.size(); ++c) {
        if (EqualsIgnoreCaseAscii(UnquoteName(table->columns[c]), key)) keyedColumns[c] = true;
      }
    }
  }
  if (table->columns.empty()) return false;

  // The rowid column: the only primary-key column, declared INTEGER.
  if (std::count(keyedColumns.begin(), keyedColumns.end(), true) == 1) {
    const auto keyed = std::find(keyedColumns.begin(), keyedColumns.end(), true);
    const size_t key = static_cast<size_t>(keyed - keyedColumns.begin());
    if (IsIntegerType(table->declaredTypes[key])) {
      table->keyColumn = static_cast<int>(key);
      table->columns[key] += kKeyMark;
    }
  }
  table->statement = std::string(text.substr(0, close == std::string_view::npos ? text.size() : close));
  table->accessStatement = "create Table [" + sqlite_base::SanitizeIdentifier(table->name) + "] ( ";
  for (size_t c = 0; c < table->columns.size(); ++c) {
    if (c > 0) table->accessStatement += " , ";
    table->accessStatement += "[" + sqlite_base::SanitizeIdentifier(table->columns[c]) + "] " + table->accessTypes[c];
    table->accessTypes[c] = TrimWhitespace(table->accessTypes[c]);
  }
  table->accessStatement += " )";
  return true;
}

bool ParseIndexStatement(std::string_view text, size_t bodyPosition, IndexStatement* index) {
  *index = IndexStatement();
  size_t pos = SkipSpace(text, bodyPosition);
  size_t end = NameEnd(text, pos, "(");
  index->name = std::string(text.substr(pos, end - pos));
  pos = SkipSpace(text, end);
  if (WordAt(text, pos, "ON")) pos = SkipSpace(text, pos + 2);
  end = NameEnd(text, pos, "(");
  index->tableName = std::string(text.substr(pos, end - pos));
  pos = end;
  while (pos < text.size()) {
    while (pos < text.size() && (IsSqlSpace(text[pos]) || text[pos] == '(' || text[pos] == ',')) ++pos;
    if (pos >= text.size() || text[pos] == ')') break;
    end = NameEnd(text, pos, ",)(");
    // A character that ends a token at once ("(" after a name) is stepped
    // over, so that every pass moves on.
    pos = end > pos ? end : pos + 1;
    if (pos < text.size() && IsSqlSpace(text[pos])) ++pos;
    index->elements.emplace_back(text.substr(0, pos));
  }
  if (index->elements.empty()) index->elements.emplace_back(text.substr(0, pos));
  return !index->name.empty();
}

std::string ObjectNameAfterKeywords(std::string_view text, size_t bodyPosition) {
  size_t pos = SkipSpace(text, bodyPosition);
  size_t end = NameEnd(text, pos, "(");
  return std::string(text.substr(pos, end - pos));
}

std::string TriggerTableName(std::string_view text, size_t bodyPosition) {
  size_t on = FindWordOutside(text, bodyPosition, "ON");
  if (on == std::string_view::npos) return {};
  size_t pos = SkipSpace(text, on + 2);
  size_t end = NameEnd(text, pos, "(;");
  return std::string(text.substr(pos, end - pos));
}

std::string TreeLabel(StatementKind kind, std::string_view text) {
  const char* keyword = nullptr;
  switch (kind) {
    case StatementKind::Table:
      keyword = "TABLE";
      break;
    case StatementKind::Index:
    case StatementKind::UniqueIndex:
      keyword = "INDEX";
      break;
    case StatementKind::View:
      keyword = "VIEW";
      break;
    case StatementKind::Trigger:
      keyword = "TRIGGER";
      break;
    default:
      return {};
  }
  size_t at = ToUpperAscii(text).find(keyword);
  if (at == std::string::npos) return {};
  std::string_view after = text.substr(at + std::string_view(keyword).size());
  if (kind == StatementKind::View) {
    for (size_t i = 0; i < after.size(); ++i) {
      if (IsSqlSpace(after[i]) && WordAt(after, SkipSpace(after, i), "AS")) return std::string(after.substr(0, i));
    }
    size_t start = SkipSpace(after, 0);
    return std::string(after.substr(0, NameEnd(after, start, "(")));
  }
  if (kind == StatementKind::Trigger) {
    size_t start = SkipSpace(after, 0);
    size_t end = start;
    while (end < after.size() && !IsSqlSpace(after[end])) ++end;
    return std::string(after.substr(start, end - start));
  }
  return std::string(after.substr(0, std::min(after.find('('), after.size())));
}

std::string UnquoteName(std::string_view name) {
  std::string trimmed = TrimWhitespace(name);
  if (trimmed.size() < 2 || !IsQuoteOpener(trimmed.front())) return trimmed;
  const char open = trimmed.front();
  const char close = open == '[' ? ']' : open;
  if (trimmed.back() != close) return trimmed;
  std::string inner;
  for (size_t i = 1; i + 1 < trimmed.size(); ++i) {
    inner.push_back(trimmed[i]);
    if (close != ']' && trimmed[i] == close && i + 2 < trimmed.size() && trimmed[i + 1] == close) ++i;
  }
  return inner;
}

}  // namespace salvoran::sqlite2
