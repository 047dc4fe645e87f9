// Files our Jet 4 writer makes, read back by two independent readers:
// mdbtools and mdb-reader. Both must list every table and column with its
// type and return every value as written. Where a reader is known to show a
// value differently (mdbtools: 16 significant digits for doubles, binary
// cut at a zero byte, empty values as NULL, characters outside the BMP as
// "??", dates from year 9999 on), mdb-reader alone is the judge.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "tests/mdb/mdb_readers.h"
#include "tests/support/test_support.h"

namespace salvoran {
namespace {

using nlohmann::json;
using testing::ScratchDir;
namespace mdb = testing::mdb;

std::string Hex(const std::vector<uint8_t>& bytes, bool upper) {
  static const char* kLower = "0123456789abcdef";
  static const char* kUpper = "0123456789ABCDEF";
  const char* digits = upper ? kUpper : kLower;
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

bool HasCharacterOutsideBmp(const std::string& utf8) {
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xF8) == 0xF0) return true;
  }
  return false;
}

double ParseDouble(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// What one column of the test table holds, and how the two readers show it.
enum class Kind { Integer, Text, Real, Currency, Date, Boolean, Bytes, AutoNumber };

struct ColumnCase {
  std::string name;
  std::string ddlType;
  Kind kind;
  std::string readerType;   // mdb-reader's column type
  std::string schemaType;   // mdb-schema's type text
};

const std::vector<ColumnCase>& ValueColumns() {
  static const std::vector<ColumnCase> columns = {
      {"id", "LONG", Kind::Integer, "long", "Long Integer"},
      {"txt", "TEXT", Kind::Text, "memo", "Memo/Hyperlink (255)"},
      {"short", "TEXT(40)", Kind::Text, "text", "Text (40)"},
      {"num", "DOUBLE", Kind::Real, "double", "Double"},
      {"cnt", "BYTE", Kind::Integer, "byte", "Byte"},
      {"qty", "INTEGER", Kind::Integer, "long", "Long Integer"},
      {"price", "CURRENCY", Kind::Currency, "currency", "Currency"},
      {"at", "DATE", Kind::Date, "datetime", "DateTime"},
      {"flag", "YESNO", Kind::Boolean, "boolean", "Boolean NOT NULL"},
      {"pic", "OleObject", Kind::Bytes, "ole", "OLE (255)"},
      {"raw", "BINARY", Kind::Bytes, "binary", "Binary"},
      {"link", "HYPERLINK", Kind::Text, "memo", "Memo/Hyperlink (255)"},
      {"auto", "AUTONUMBER", Kind::AutoNumber, "long", "Long Integer"},
  };
  return columns;
}

// A value as handed to the recordset: text, bytes, or not set (NULL).
struct Value {
  std::optional<std::string> text;
  std::optional<std::vector<uint8_t>> bytes;
  bool IsNull() const { return !text && !bytes; }
};
Value T(std::string text) { return {std::move(text), std::nullopt}; }
Value B(std::vector<uint8_t> bytes) { return {std::nullopt, std::move(bytes)}; }
const Value kNull{};

// One row: values by column name, and the expected texts that cannot be
// derived from the input (dates, currency, auto numbers).
struct RowCase {
  std::map<std::string, Value> values;
  std::string isoDate;       // mdb-reader's text for "at"; empty for NULL
  std::string currency;      // both readers' text for "price"
  long long autoNumber = 0;  // expected value of "auto"
};

std::string Repeat(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + i / 256) & 0xFF);
  return bytes;
}

const std::vector<RowCase>& ValueRows() {
  static const std::vector<RowCase> rows = [] {
    std::vector<RowCase> r;
    r.push_back({{{"id", T("1")}, {"txt", T("héllo Жу 日本 \"quoted\", line\nbreak")}, {"short", T("Ωmega-Straße")},
                  {"num", T("0.1")}, {"cnt", T("0")}, {"qty", T("-2147483648")}, {"price", T("-876.5433")},
                  {"at", T("2024-05-17 10:30:00")}, {"flag", T("True")}, {"pic", B({1, 0, 2, 0, 255})},
                  {"raw", B({0xDE, 0xAD, 0xBE, 0xEF})}, {"link", T("Example#https://example.com/#")}},
                 "2024-05-17T10:30:00.000Z", "-876.5433", 1});
    r.push_back({{{"id", T("2147483647")}, {"txt", T("emoji 😀 outside the BMP")}, {"short", T("x")},
                  {"num", T("1.7976931348623157e308")}, {"cnt", T("255")}, {"qty", T("2147483647")},
                  {"price", T("922337203685477.5807")}, {"at", T("9999-12-31 23:59:59")}, {"flag", T("0")},
                  {"pic", B({})}, {"raw", B({0, 1, 2})}, {"auto", T("41")}},
                 "9999-12-31T23:59:59.000Z", "922337203685477.5807", 41});
    r.push_back({{{"id", T("-7")}, {"num", T("0.3333333333333333")}, {"price", T("5")},
                  {"at", T("1899-12-30")}, {"flag", T("yes")}, {"txt", T("")}, {"short", T("")}},
                 "1899-12-30T00:00:00.000Z", "5.0000", 42});
    // Every field left NULL: Yes/No reads false, AutoNumber takes the next number.
    r.push_back({{}, "", "", 43});
    // Long values: a 100,000-character text (not compressible) and 1 MB of bytes.
    r.push_back({{{"id", T("100000")}, {"txt", T(Repeat("Жу-abc-", 100000 / 7) + "Жу-ab")},
                  {"pic", B(Pattern(1 << 20))}, {"num", T("5e-324")}, {"at", T("1970-01-01 00:00:01")}},
                 "1970-01-01T00:00:01.000Z", "", 44});
    return r;
  }();
  return rows;
}

std::string CreateStatement(const std::string& table, const std::vector<ColumnCase>& columns) {
  std::string sql = "create Table [" + table + "] ( ";
  for (size_t i = 0; i < columns.size(); ++i) {
    sql += (i ? ", [" : "[") + columns[i].name + "]  " + columns[i].ddlType;
  }
  return sql + " )";
}

void WriteValueTable(const std::string& path) {
  CDaoDatabase db;
  db.Create(path);
  db.Execute(CreateStatement("values", ValueColumns()));
  CDaoRecordset rs(&db);
  rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [values]", 0);
  for (const RowCase& row : ValueRows()) {
    rs.AddNew();
    for (const auto& [name, value] : row.values) {
      if (value.text) rs.SetFieldValue("[" + name + "]", COleVariant(*value.text));
      if (value.bytes) rs.SetFieldValue("[" + name + "]", COleVariant(*value.bytes));
    }
    rs.Update();
  }
  rs.Close();
  db.Close();
}

Value ValueOf(const RowCase& row, const std::string& column) {
  const auto it = row.values.find(column);
  return it == row.values.end() ? kNull : it->second;
}

// The value mdb-reader must return for one cell.
json ExpectedByMdbReader(const ColumnCase& column, const RowCase& row) {
  const Value value = ValueOf(row, column.name);
  switch (column.kind) {
    case Kind::Boolean: return value.text && *value.text != "0";
    case Kind::AutoNumber: return row.autoNumber;
    default: break;
  }
  if (value.IsNull()) return nullptr;
  switch (column.kind) {
    case Kind::Integer: return std::stoll(*value.text);
    case Kind::Text: return *value.text;
    case Kind::Real: return ParseDouble(*value.text);
    case Kind::Currency: return row.currency;
    case Kind::Date: return json{{"date", row.isoDate}};
    case Kind::Bytes: return json{{"hex", Hex(*value.bytes, false)}};
    default: return nullptr;
  }
}

TEST(DaoReadersTest, EveryValueReadsBackEqualInMdbReader) {
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("values.mdb");
  WriteValueTable(file);

  const json dump = mdb::MdbReaderDump(file);
  EXPECT_TRUE(dump["password"].is_null());
  ASSERT_EQ(dump["tables"].size(), 1u);
  const json& table = dump["tables"][0];
  EXPECT_EQ(table["name"], "values");
  EXPECT_EQ(table["rowCount"], ValueRows().size());
  ASSERT_EQ(table["columns"].size(), ValueColumns().size());
  for (size_t c = 0; c < ValueColumns().size(); ++c) {
    EXPECT_EQ(table["columns"][c]["name"], ValueColumns()[c].name);
    EXPECT_EQ(table["columns"][c]["type"], ValueColumns()[c].readerType) << ValueColumns()[c].name;
  }
  ASSERT_EQ(table["rows"].size(), ValueRows().size());
  for (size_t r = 0; r < ValueRows().size(); ++r) {
    for (size_t c = 0; c < ValueColumns().size(); ++c) {
      const json expected = ExpectedByMdbReader(ValueColumns()[c], ValueRows()[r]);
      const json& actual = table["rows"][r][c];
      if (expected.is_number_float()) {
        // Doubles must come back bit for bit.
        ASSERT_TRUE(actual.is_number()) << "row " << r << " column " << ValueColumns()[c].name;
        EXPECT_EQ(actual.get<double>(), expected.get<double>()) << "row " << r;
      } else {
        EXPECT_EQ(actual, expected) << "row " << r << " column " << ValueColumns()[c].name;
      }
    }
  }
}

// mdbtools prints doubles with 16 significant digits.
std::string SixteenDigits(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.16g", value);
  return text;
}

// The values mdbtools is known to show differently; mdb-reader judges them.
bool ShownDifferentlyByMdbTools(const ColumnCase& column, const Value& value) {
  switch (column.kind) {
    case Kind::Text: return value.text->empty() || HasCharacterOutsideBmp(*value.text);
    case Kind::Date: return value.text->substr(0, 4) == "9999";
    case Kind::Bytes:
      // Empty values print as NULL; BINARY (not OLE) values end at their
      // first zero byte.
      return value.bytes->empty() ||
             (column.ddlType == "BINARY" && std::find(value.bytes->begin(), value.bytes->end(), 0) != value.bytes->end());
    default: return false;
  }
}

TEST(DaoReadersTest, EveryValueReadsBackEqualInMdbTools) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  ScratchDir dir;
  const std::string file = dir.File("values.mdb");
  WriteValueTable(file);

  EXPECT_EQ(mdb::MdbVersion(file), "JET4");
  EXPECT_EQ(mdb::MdbTables(file), std::vector<std::string>{"values"});
  const std::string schema = mdb::MdbSchema(file);
  for (const ColumnCase& column : ValueColumns()) {
    EXPECT_NE(schema.find("[" + column.name + "]\t\t\t" + column.schemaType), std::string::npos)
        << column.name << " in\n" << schema;
  }

  const std::vector<mdb::CsvRow> csv = mdb::MdbExport(file, "values");
  ASSERT_EQ(csv.size(), ValueRows().size() + 1);
  for (size_t c = 0; c < ValueColumns().size(); ++c) EXPECT_EQ(csv[0][c], ValueColumns()[c].name);
  for (size_t r = 0; r < ValueRows().size(); ++r) {
    const RowCase& row = ValueRows()[r];
    ASSERT_EQ(csv[r + 1].size(), ValueColumns().size()) << "row " << r;
    for (size_t c = 0; c < ValueColumns().size(); ++c) {
      const ColumnCase& column = ValueColumns()[c];
      const mdb::CsvField& actual = csv[r + 1][c];
      const Value value = ValueOf(row, column.name);
      const std::string where = "row " + std::to_string(r) + " column " + column.name;
      if (column.kind == Kind::Boolean) {
        EXPECT_EQ(actual, std::string(value.text && *value.text != "0" ? "1" : "0")) << where;
        continue;
      }
      if (column.kind == Kind::AutoNumber) {
        EXPECT_EQ(actual, std::to_string(row.autoNumber)) << where;
        continue;
      }
      if (value.IsNull()) {
        EXPECT_FALSE(actual.has_value()) << where;
        continue;
      }
      if (ShownDifferentlyByMdbTools(column, value)) continue;
      ASSERT_TRUE(actual.has_value()) << where;
      switch (column.kind) {
        case Kind::Integer: EXPECT_EQ(*actual, *value.text) << where; break;
        case Kind::Text: EXPECT_EQ(*actual, *value.text) << where; break;
        case Kind::Real: EXPECT_EQ(*actual, SixteenDigits(ParseDouble(*value.text))) << where; break;
        case Kind::Currency: EXPECT_EQ(*actual, row.currency) << where; break;
        case Kind::Date: EXPECT_EQ(*actual, row.isoDate.substr(0, 10) + " " + row.isoDate.substr(11, 8)) << where; break;
        case Kind::Bytes: EXPECT_EQ(*actual, Hex(*value.bytes, true)) << where; break;
        default: break;
      }
    }
  }
}

}  // namespace
}  // namespace salvoran
