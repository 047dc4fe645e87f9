#include "platform/dao/dao_recordset.h"

#include "platform/dao/jet_text.h"

namespace salvoran {
namespace {

[[noreturn]] void Throw(long code, const std::string& description) { throw CDaoException(code, description); }
[[noreturn]] void Throw(const jet::JetError& error) { throw CDaoException(error.code, error.description); }

bool IsSpace(char16_t c) { return c == u' ' || (c >= 8 && c <= 13); }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Consumes `word` (letters in any case) at the start of s, then blanks.
bool TakeWord(std::u16string_view& s, std::u16string_view word) {
  if (s.size() < word.size() || !jet::NamesEqual(s.substr(0, word.size()), word)) return false;
  s.remove_prefix(word.size());
  s = Trim(s);
  return true;
}

// The table name of "SELECT * FROM [name]" (or a bare name), or nothing.
std::optional<std::u16string> TableOfSelect(std::u16string_view sql) {
  std::u16string_view s = Trim(sql);
  if (!s.empty() && s.back() == u';') s = Trim(s.substr(0, s.size() - 1));
  if (!TakeWord(s, u"SELECT") || !TakeWord(s, u"*") || !TakeWord(s, u"FROM") || s.empty()) return std::nullopt;
  if (s.front() == u'[') {
    if (s.back() != u']' || s.size() < 2) return std::nullopt;
    return std::u16string(s.substr(1, s.size() - 2));
  }
  return std::u16string(s);
}

// "[name]" names the field name.
std::u16string_view WithoutBrackets(std::u16string_view name) {
  if (name.size() >= 2 && name.front() == u'[' && name.back() == u']') return name.substr(1, name.size() - 2);
  return name;
}

}  // namespace

CDaoRecordset::CDaoRecordset(CDaoDatabase* database) : database_(database) {}

void CDaoRecordset::Open(int openType, const std::string& sql, int /*options*/) {
  Close();
  if (database_ == nullptr || database_->Engine() == nullptr) {
    Throw(jet::errors::kObjectClosed, "Object invalid or no longer set. The database is not open.");
  }
  const std::optional<std::u16string> name = TableOfSelect(jet::Utf8ToUtf16(sql));
  if (!name) Throw(jet::errors::kFromClauseSyntax, "Syntax error in FROM clause. Expected SELECT * FROM [table]: " + sql);
  const std::optional<size_t> table = database_->Engine()->FindTable(*name);
  if (!table) {
    Throw(jet::errors::kInputTableNotFound, "The Microsoft Jet database engine cannot find the input table or query '" +
                                                jet::Utf16ToUtf8(*name) +
                                                "'. Make sure it exists and that its name is spelled correctly.");
  }
  table_ = *table;
  generation_ = database_->Generation();
  readOnly_ = openType == dbOpenSnapshot;
  open_ = true;
}

bool CDaoRecordset::IsOpen() const {
  return open_ && database_ != nullptr && database_->Engine() != nullptr && database_->Generation() == generation_;
}

void CDaoRecordset::Close() {
  open_ = false;
  editing_ = false;
  record_.clear();
}

jet::Database& CDaoRecordset::OpenEngine() const {
  if (!IsOpen()) Throw(jet::errors::kObjectClosed, "Object invalid or no longer set. The recordset is not open.");
  return *database_->Engine();
}

std::string CDaoRecordset::TableName() const {
  return IsOpen() ? jet::Utf16ToUtf8(database_->Engine()->StoredTableName(table_)) : std::string();
}

void CDaoRecordset::AddNew() {
  jet::Database& engine = OpenEngine();
  if (readOnly_) Throw(jet::errors::kReadOnly, "Cannot update. Database or object is read-only.");
  record_.assign(engine.Columns(table_).size(), std::monostate{});
  editing_ = true;
}

size_t CDaoRecordset::FieldIndex(const std::string& fieldName) const {
  const std::vector<jet::ColumnDef>& columns = database_->Engine()->Columns(table_);
  const std::u16string wanted(WithoutBrackets(jet::Utf8ToUtf16(fieldName)));
  for (size_t i = 0; i < columns.size(); ++i) {
    if (jet::NamesEqual(columns[i].name, wanted)) return i;
  }
  Throw(jet::errors::kItemNotFound, "Item not found in this collection. Table '" + TableName() +
                                        "' has no field '" + fieldName + "'.");
}

void CDaoRecordset::SetFieldValue(const std::string& fieldName, const COleVariant& value) {
  jet::Database& engine = OpenEngine();
  if (!editing_) Throw(jet::errors::kNoCurrentEdit, "Update or CancelUpdate without AddNew or Edit.");
  const size_t index = FieldIndex(fieldName);
  const jet::ColumnDef& column = engine.Columns(table_)[index];
  jet::FieldValue converted;
  jet::JetStatus error;
  if (value.IsText()) {
    error = jet::ConvertText(column, value.Text(), converted);
  } else if (value.IsByteArray()) {
    error = jet::ConvertBytes(column, value.Bytes(), converted);
  }
  if (error) Throw(*error);
  record_[index] = std::move(converted);
}

void CDaoRecordset::SetFieldValueNull(const std::string& fieldName) {
  OpenEngine();
  if (!editing_) Throw(jet::errors::kNoCurrentEdit, "Update or CancelUpdate without AddNew or Edit.");
  record_[FieldIndex(fieldName)] = std::monostate{};
}

void CDaoRecordset::Update() {
  jet::Database& engine = OpenEngine();
  if (!editing_) Throw(jet::errors::kNoCurrentEdit, "Update or CancelUpdate without AddNew or Edit.");
  // The record is done with, stored or not: the next row starts with AddNew.
  editing_ = false;
  jet::JetStatus error = engine.AppendRow(table_, std::move(record_));
  record_.clear();
  if (error) Throw(*error);
}

void CDaoRecordset::CancelUpdate() {
  editing_ = false;
  record_.clear();
}

}  // namespace salvoran
