#include "platform/dao/jet_ddl.h"


#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

enum class TypeKind { Text, Memo, Hyperlink, Byte, Short, Long, AutoNumber, Double, Single, Currency, Date, YesNo, Ole, Binary };

struct TypeName {
  const char16_t* name;
  TypeKind kind;
};

// Type names after upper-casing and removing blanks.
constexpr TypeName kTypeNames[] = {
    {u"TEXT", TypeKind::Text},           {u"CHAR", TypeKind::Text},           {u"CHARACTER", TypeKind::Text},
    {u"VARCHAR", TypeKind::Text},        {u"STRING", TypeKind::Text},         {u"ALPHANUMERIC", TypeKind::Text},
    {u"MEMO", TypeKind::Memo},           {u"LONGTEXT", TypeKind::Memo},       {u"LONGCHAR", TypeKind::Memo},
    {u"NOTE", TypeKind::Memo},           {u"HYPERLINK", TypeKind::Hyperlink}, {u"BYTE", TypeKind::Byte},
    {u"TINYINT", TypeKind::Byte},        {u"INTEGER1", TypeKind::Byte},       {u"SHORT", TypeKind::Short},
    {u"SMALLINT", TypeKind::Short},      {u"INTEGER2", TypeKind::Short},      {u"INTEGER", TypeKind::Long},
    {u"INT", TypeKind::Long},            {u"LONG", TypeKind::Long},           {u"INTEGER4", TypeKind::Long},
    {u"AUTONUMBER", TypeKind::AutoNumber}, {u"COUNTER", TypeKind::AutoNumber}, {u"AUTOINCREMENT", TypeKind::AutoNumber},
    {u"DOUBLE", TypeKind::Double},       {u"FLOAT", TypeKind::Double},        {u"NUMBER", TypeKind::Double},
    {u"FLOAT8", TypeKind::Double},       {u"IEEEDOUBLE", TypeKind::Double},   {u"SINGLE", TypeKind::Single},
    {u"REAL", TypeKind::Single},         {u"FLOAT4", TypeKind::Single},       {u"IEEESINGLE", TypeKind::Single},
    {u"CURRENCY", TypeKind::Currency},   {u"MONEY", TypeKind::Currency},      {u"DATE", TypeKind::Date},
    {u"TIME", TypeKind::Date},           {u"DATETIME", TypeKind::Date},       {u"TIMESTAMP", TypeKind::Date},
    {u"YESNO", TypeKind::YesNo},         {u"BIT", TypeKind::YesNo},           {u"BOOLEAN", TypeKind::YesNo},
    {u"LOGICAL", TypeKind::YesNo},       {u"LOGICAL1", TypeKind::YesNo},      {u"OLEOBJECT", TypeKind::Ole},
    {u"LONGBINARY", TypeKind::Ole},      {u"GENERAL", TypeKind::Ole},         {u"BINARY", TypeKind::Binary},
    {u"VARBINARY", TypeKind::Binary},
};

bool FindKind(std::u16string_view upper, TypeKind& kind) {
  for (const TypeName& entry : kTypeNames) {
    if (upper == entry.name) {
      kind = entry.kind;
      return true;
    }
  }
  return false;
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= 8 && c <= 13); }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

std::string Shown(std::u16string_view text) { return "'" + Utf16ToUtf8(text) + "'"; }

JetError SyntaxError(const std::string& detail) {
  return {errors::kCreateTableSyntax, "Syntax error in CREATE TABLE statement. " + detail};
}

JetError FieldError(const std::string& detail) {
  return {errors::kFieldDefinitionSyntax, "Syntax error in field definition. " + detail};
}

class Cursor {
 public:
  explicit Cursor(std::u16string_view text) : text_(text) {}
  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char16_t Peek() const { return AtEnd() ? u'\0' : text_[pos_]; }
  void Advance() { ++pos_; }
  // Consumes a keyword (any case) followed by a non-letter.
  bool Keyword(std::u16string_view word) {
    if (text_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (Upper(text_[pos_ + i]) != word[i]) return false;
    }
    const size_t after = pos_ + word.size();
    if (after < text_.size() && !IsSpace(text_[after]) && text_[after] != u'[' && text_[after] != u'(') return false;
    pos_ = after;
    return true;
  }
  // The text inside [ ... ]; the cursor is on "[".
  bool Bracketed(std::u16string& out) {
    const size_t close = text_.find(u']', pos_ + 1);
    if (close == std::u16string_view::npos) return false;
    out = std::u16string(text_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    return true;
  }
  // Characters up to (not including) the first of `stops` at the top level,
  // or to the end.
  std::u16string_view Until(std::u16string_view stops) {
    const size_t begin = pos_;
    while (pos_ < text_.size() && stops.find(text_[pos_]) == std::u16string_view::npos) ++pos_;
    return text_.substr(begin, pos_ - begin);
  }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

std::u16string_view TrimSpace(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// "TYPE WORDS (n)" -> column; the whole text between the name and the "," or ")".
JetStatus ParseType(std::u16string_view definition, const std::u16string& fieldName, ColumnDef& column) {
  definition = TrimSpace(definition);
  const size_t open = definition.find(u'(');
  std::u16string_view words = TrimSpace(definition.substr(0, open));
  long size = -1;
  if (open != std::u16string_view::npos) {
    const size_t close = definition.find(u')', open);
    if (close == std::u16string_view::npos || !TrimSpace(definition.substr(close + 1)).empty()) {
      return FieldError("The type of field " + Shown(fieldName) + " is malformed: " + Shown(definition) + ".");
    }
    std::u16string_view digits = TrimSpace(definition.substr(open + 1, close - open - 1));
    if (digits.empty() || digits.size() > 6) {
      return FieldError("The size of field " + Shown(fieldName) + " is not a number: " + Shown(definition) + ".");
    }
    size = 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') {
        return FieldError("The size of field " + Shown(fieldName) + " is not a number: " + Shown(definition) + ".");
      }
      size = size * 10 + (c - u'0');
    }
  }
  if (words.empty()) return FieldError("Field " + Shown(fieldName) + " has no type.");
  std::u16string upper;
  for (char16_t c : words) {
    if (!IsSpace(c)) upper.push_back(Upper(c));
  }
  if (!ColumnForType(upper, size, column)) {
    TypeKind kind{};
    if (FindKind(upper, kind)) {
      return FieldError("The size " + std::to_string(size) + " of field " + Shown(fieldName) +
                        " is not allowed for type " + Shown(words) + ".");
    }
    return FieldError("Unknown type " + Shown(words) + " for field " + Shown(fieldName) + ".");
  }
  column.name = fieldName;
  return std::nullopt;
}

}  // namespace

bool ColumnForType(std::u16string_view typeName, long size, ColumnDef& column) {
  std::u16string upper;
  for (char16_t c : typeName) {
    if (!IsSpace(c)) upper.push_back(Upper(c));
  }
  TypeKind kind{};
  if (!FindKind(upper, kind)) return false;
  const bool sized = size >= 0;
  if (sized && kind != TypeKind::Text && kind != TypeKind::Binary) return false;
  column = ColumnDef{};
  auto fixed = [&](ColumnType type, uint16_t length, uint8_t extra = 0) {
    column.type = type;
    column.length = length;
    column.flags = static_cast<uint8_t>(kColumnFixed | kColumnUpdatable | extra);
  };
  auto variable = [&](ColumnType type, uint16_t length, uint8_t extra = 0) {
    column.type = type;
    column.length = length;
    column.flags = static_cast<uint8_t>(kColumnUpdatable | extra);
  };
  switch (kind) {
    case TypeKind::Text:
      if (!sized) {
        variable(ColumnType::Memo, 0);
      } else {
        if (size < 1 || size > kMaxTextCharacters) return false;
        variable(ColumnType::Text, static_cast<uint16_t>(2 * size));
      }
      column.extraFlags = kColumnCompressedUnicode;
      break;
    case TypeKind::Memo:
      variable(ColumnType::Memo, 0);
      column.extraFlags = kColumnCompressedUnicode;
      break;
    case TypeKind::Hyperlink:
      variable(ColumnType::Memo, 0, kColumnHyperlink);
      column.extraFlags = kColumnCompressedUnicode;
      break;
    case TypeKind::Byte: fixed(ColumnType::Byte, 1); break;
    case TypeKind::Short: fixed(ColumnType::Int, 2); break;
    case TypeKind::Long: fixed(ColumnType::Long, 4); break;
    case TypeKind::AutoNumber: fixed(ColumnType::Long, 4, kColumnAutoNumber); break;
    case TypeKind::Double: fixed(ColumnType::Double, 8); break;
    case TypeKind::Single: fixed(ColumnType::Float, 4); break;
    case TypeKind::Currency: fixed(ColumnType::Money, 8); break;
    case TypeKind::Date: fixed(ColumnType::DateTime, 8); break;
    case TypeKind::YesNo: fixed(ColumnType::Bool, 1); break;
    case TypeKind::Ole: variable(ColumnType::Ole, 0); break;
    case TypeKind::Binary:
      if (sized && (size < 1 || size > kMaxBinaryBytes)) return false;
      variable(ColumnType::Binary, static_cast<uint16_t>(sized ? size : kMaxBinaryBytes));
      break;
  }
  return true;
}

JetStatus ParseCreateTable(std::u16string_view statement, NewTable& table) {
  table = NewTable{};
  Cursor cursor(statement);
  cursor.SkipSpace();
  if (!cursor.Keyword(u"CREATE")) return SyntaxError("The statement must start with CREATE TABLE.");
  cursor.SkipSpace();
  if (!cursor.Keyword(u"TABLE")) return SyntaxError("The statement must start with CREATE TABLE.");
  cursor.SkipSpace();
  if (cursor.Peek() == u'[') {
    if (!cursor.Bracketed(table.name)) return SyntaxError("The table name has no closing \"]\".");
  } else {
    table.name = std::u16string(TrimSpace(cursor.Until(u"(")));
  }
  if (table.name.empty()) return SyntaxError("The table has no name.");
  cursor.SkipSpace();
  if (cursor.Peek() != u'(') return SyntaxError("The field list of table " + Shown(table.name) + " is missing.");
  cursor.Advance();

  bool closed = false;
  while (!closed) {
    cursor.SkipSpace();
    std::u16string fieldName;
    if (cursor.Peek() == u'[') {
      if (!cursor.Bracketed(fieldName)) return FieldError("A field name has no closing \"]\".");
    } else {
      fieldName = std::u16string(cursor.Until(u" \t\r\n\v\f,()"));
    }
    if (fieldName.empty()) {
      return FieldError("A field of table " + Shown(table.name) + " has no name.");
    }
    if (fieldName.size() > kMaxNameLength) {
      return FieldError("The field name " + Shown(fieldName) + " is longer than 64 characters.");
    }
    // The type runs to the "," or ")" that ends the field; "(n)" belongs to it.
    std::u16string typeText(cursor.Until(u",()"));
    if (cursor.Peek() == u'(') {
      typeText += cursor.Until(u")");
      if (cursor.AtEnd()) return FieldError("The size of field " + Shown(fieldName) + " has no closing \")\".");
      typeText.push_back(u')');
      cursor.Advance();
      typeText += cursor.Until(u",()");
    }
    if (cursor.AtEnd() || cursor.Peek() == u'(') {
      return SyntaxError("The field list of table " + Shown(table.name) + " is not closed by \")\".");
    }
    closed = cursor.Peek() == u')';
    cursor.Advance();

    ColumnDef column;
    if (JetStatus error = ParseType(typeText, fieldName, column)) return error;
    for (const ColumnDef& other : table.columns) {
      if (NamesEqual(other.name, column.name)) {
        return {{errors::kFieldDefinedTwice, "Cannot define field more than once. Field " + Shown(fieldName) +
                                                 " appears twice in table " + Shown(table.name) + "."}};
      }
    }
    table.columns.push_back(std::move(column));
    if (table.columns.size() > kMaxColumns) {
      return {{errors::kTooManyFields,
               "Too many fields defined. Table " + Shown(table.name) + " has more than 255 fields."}};
    }
  }
  cursor.SkipSpace();
  if (cursor.Peek() == u';') cursor.Advance();
  cursor.SkipSpace();
  if (!cursor.AtEnd()) return SyntaxError("Unexpected text after the field list of table " + Shown(table.name) + ".");
  AssignColumnPositions(table.columns);
  return std::nullopt;
}

}  // namespace salvoran::jet
