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
#include <filesystem>
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

// --- Column types -----------------------------------------------------------

struct TypeCase {
  std::string ddl;          // as the scanner or the mapping dialog writes it
  std::string readerType;   // mdb-reader
  int readerSize;
  std::string schemaType;   // mdb-schema
};

const std::vector<TypeCase>& TypeCases() {
  static const std::vector<TypeCase> cases = {
      {"TEXT", "memo", 0, "Memo/Hyperlink (255)"},   {"TEXT(255)", "text", 510, "Text (255)"},
      {"text (1)", "text", 2, "Text (1)"},          {"Memo", "memo", 0, "Memo/Hyperlink (255)"},
      {"BYTE", "byte", 1, "Byte"},                  {"INTEGER", "long", 4, "Long Integer"},
      {"LONG", "long", 4, "Long Integer"},          {"SHORT", "integer", 2, "Integer"},
      {"DOUBLE", "double", 8, "Double"},            {"double", "double", 8, "Double"},
      {"FLOAT", "double", 8, "Double"},             {"Number", "double", 8, "Double"},
      {"SINGLE", "float", 4, "Single"},             {"CURRENCY", "currency", 8, "Currency"},
      {"AUTONUMBER", "long", 4, "Long Integer"},    {"date", "datetime", 8, "DateTime"},
      {"time", "datetime", 8, "DateTime"},          {"YESNO", "boolean", 0, "Boolean NOT NULL"},
      {"YesNO", "boolean", 0, "Boolean NOT NULL"},  {"YES NO", "boolean", 0, "Boolean NOT NULL"},
      {"HYPERLINK", "memo", 0, "Memo/Hyperlink (255)"}, {"OLEOBJECT", "ole", 0, "OLE (255)"},
      {"OleObject", "ole", 0, "OLE (255)"},         {"OLE Object", "ole", 0, "OLE (255)"},
      {"BINARY", "binary", 510, "Binary"},          {"BINARY(16)", "binary", 16, "Binary"},
  };
  return cases;
}

std::string WriteTypeTable(const ScratchDir& dir) {
  const std::string file = dir.File("types.mdb");
  CDaoDatabase db;
  db.Create(file);
  std::string sql = "Create Table [types] (";
  for (size_t i = 0; i < TypeCases().size(); ++i) {
    sql += (i ? " , [c" : "[c") + std::to_string(i) + "] " + TypeCases()[i].ddl;
  }
  db.Execute(sql + " )");
  db.Close();
  return file;
}

TEST(DaoReadersTest, EveryDdlTypeNameGivesItsColumnTypeInBothReaders) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = WriteTypeTable(dir);

  const json dump = mdb::MdbReaderDump(file);
  const json* table = mdb::FindTable(dump, "types");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ((*table)["rowCount"], 0);
  ASSERT_EQ((*table)["columns"].size(), TypeCases().size());
  const std::string schema = mdb::MdbSchema(file);
  for (size_t i = 0; i < TypeCases().size(); ++i) {
    const TypeCase& c = TypeCases()[i];
    const json& column = (*table)["columns"][i];
    EXPECT_EQ(column["name"], "c" + std::to_string(i));
    EXPECT_EQ(column["type"], c.readerType) << c.ddl;
    EXPECT_EQ(column["size"], c.readerSize) << c.ddl;
    const std::string line = "[c" + std::to_string(i) + "]\t\t\t" + c.schemaType;
    const size_t at = schema.find(line);
    ASSERT_NE(at, std::string::npos) << c.ddl << " in\n" << schema;
    EXPECT_TRUE(schema[at + line.size()] == ',' || schema[at + line.size()] == '\n') << c.ddl;
  }
}

// --- Tables and names -------------------------------------------------------

TEST(DaoReadersTest, TablesWithNamesTheCatalogCannotSortAreStoredUnderStandIns) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("names.mdb");
  const std::string longName(70, 'L');
  struct NameCase {
    std::string name;
    std::string stored;
  };
  const std::vector<NameCase> names = {
      {"orders", "orders"},       {"Таблица", "Table_1"},        {"Café", "Caf_1"},
      {"My Table", "My Table"},   {"Товары", "Table_2"},         {longName, std::string(50, 'L') + "_1"},
  };
  {
    CDaoDatabase db;
    db.Create(file);
    for (size_t i = 0; i < names.size(); ++i) {
      const std::optional<std::string> standIn = db.StandInName(names[i].name);
      EXPECT_EQ(standIn.value_or(names[i].name), names[i].stored) << names[i].name;
      EXPECT_EQ(CDaoDatabase::NeedsStandInName(names[i].name), names[i].stored != names[i].name);
      db.Execute("create Table [" + names[i].name + "] ( [n]  INTEGER, [label]  TEXT )");
      // The stand-in stays the same once the table exists.
      EXPECT_EQ(db.StandInName(names[i].name).value_or(names[i].name), names[i].stored);
    }
    // A table the DDL refuses does not appear.
    EXPECT_THROW(db.Execute("create Table [broken] ( [x]  VARCHAR2 )"), CDaoException);
    CDaoRecordset rs(&db);
    for (size_t i = 0; i < names.size(); ++i) {
      // Opened under the caller's own name, in another letter case for ASCII names.
      std::string asked = names[i].name;
      if (asked == "orders") asked = "ORDERS";
      rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [" + asked + "]", 0);
      EXPECT_EQ(rs.TableName(), names[i].stored);
      rs.AddNew();
      rs.SetFieldValue("[n]", COleVariant(std::to_string(i)));
      rs.SetFieldValue("[label]", COleVariant(names[i].name));
      rs.Update();
      rs.Close();
    }
    db.Close();
  }

  std::vector<std::string> stored;
  for (const NameCase& n : names) stored.push_back(n.stored);
  EXPECT_EQ(mdb::MdbTables(file), stored);
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(dump["tables"][i]["name"], names[i].stored);
    EXPECT_EQ(dump["tables"][i]["rows"], json::array({json::array({i, names[i].name})}));
    const std::vector<mdb::CsvRow> csv = mdb::MdbExport(file, names[i].stored);
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_EQ(csv[1], (mdb::CsvRow{std::to_string(i), names[i].name}));
  }
}

TEST(DaoReadersTest, FourHundredTablesAreAllListedWithTheirRows) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("many.mdb");
  constexpr int kTables = 400;  // the catalog's indexes need several levels
  auto nameOf = [](int i) { return "Table_" + std::to_string(1000 + i) + "_xyz"; };
  {
    CDaoDatabase db;
    db.Create(file);
    CDaoRecordset rs(&db);
    for (int i = 0; i < kTables; ++i) {
      db.Execute("create Table [" + nameOf(i) + "] ( [v]  LONG )");
      rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [" + nameOf(i) + "]", 0);
      rs.AddNew();
      rs.SetFieldValue("[v]", COleVariant(std::to_string(i * 7)));
      rs.Update();
    }
    db.Close();
  }
  const std::vector<std::string> listed = mdb::MdbTables(file);
  ASSERT_EQ(listed.size(), static_cast<size_t>(kTables));
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), static_cast<size_t>(kTables));
  for (int i = 0; i < kTables; ++i) {
    EXPECT_EQ(listed[static_cast<size_t>(i)], nameOf(i));
    EXPECT_EQ(dump["tables"][static_cast<size_t>(i)]["rows"], json::array({json::array({i * 7})}));
  }
  EXPECT_EQ(mdb::MdbExport(file, nameOf(kTables - 1)).at(1), mdb::CsvRow{std::to_string((kTables - 1) * 7)});
}

TEST(DaoReadersTest, AnEmptyDatabaseHoldsOnlyTheSystemTables) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("empty.mdb");
  {
    CDaoDatabase db;
    db.Create(file);
    db.Close();
  }
  EXPECT_EQ(mdb::MdbVersion(file), "JET4");
  EXPECT_TRUE(mdb::MdbTables(file).empty());
  EXPECT_EQ(mdb::MdbTables(file, true),
            (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}));
  const json dump = mdb::MdbReaderDump(file);
  EXPECT_TRUE(dump["password"].is_null());
  EXPECT_EQ(dump["tables"], json::array());
}

// --- Closing, failures ------------------------------------------------------

TEST(DaoReadersTest, ClosingEarlyKeepsEveryStoredRowAndDropsTheUnfinishedOne) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  // As a stop request does it: the database is closed while a record is
  // begun; and the same when only the destructor closes it.
  for (const bool explicitClose : {true, false}) {
    const std::string file = dir.File(explicitClose ? "stopped.mdb" : "destroyed.mdb");
    {
      CDaoDatabase db;
      db.Create(file);
      db.Execute("create Table [a] ( [id]  INTEGER, [note]  TEXT )");
      db.Execute("create Table [b] ( [id]  INTEGER )");
      CDaoRecordset rs(&db);
      rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [a]", 0);
      for (int i = 0; i < 3; ++i) {
        rs.AddNew();
        rs.SetFieldValue("[id]", COleVariant(std::to_string(i)));
        rs.SetFieldValue("[note]", COleVariant(std::string(i * 3000, 'n')));
        rs.Update();
      }
      rs.AddNew();
      rs.SetFieldValue("[id]", COleVariant(std::string("99")));
      if (explicitClose) {
        db.Close();
        EXPECT_FALSE(db.IsOpen());
        EXPECT_FALSE(rs.IsOpen());
        EXPECT_THROW(rs.Update(), CDaoException);
      }
    }
    EXPECT_EQ(mdb::MdbTables(file), (std::vector<std::string>{"a", "b"}));
    const json dump = mdb::MdbReaderDump(file);
    ASSERT_EQ(dump["tables"].size(), 2u) << file;
    const json& rows = dump["tables"][0]["rows"];
    ASSERT_EQ(rows.size(), 3u) << file;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(rows[static_cast<size_t>(i)][0], i);
      EXPECT_EQ(rows[static_cast<size_t>(i)][1], std::string(static_cast<size_t>(i) * 3000, 'n'));
    }
    EXPECT_EQ(dump["tables"][1]["rowCount"], 0);
    EXPECT_EQ(mdb::MdbExport(file, "a").size(), 4u);
  }
}

TEST(DaoReadersTest, ARefusedValueLeavesItsFieldNullAndTheRowIsStillStored) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("refused.mdb");
  {
    CDaoDatabase db;
    db.Create(file);
    db.Execute("create Table [t] ( [n]  INTEGER, [d]  DATE, [s]  TEXT(3), [label]  TEXT )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [t]", 0);
    rs.AddNew();
    rs.SetFieldValue("[label]", COleVariant(std::string("kept")));
    EXPECT_THROW(rs.SetFieldValue("[n]", COleVariant(std::string("twelve"))), CDaoException);
    EXPECT_THROW(rs.SetFieldValue("[d]", COleVariant(std::string("2024-02-30"))), CDaoException);
    rs.SetFieldValue("[s]", COleVariant(std::string("abc")));
    EXPECT_THROW(rs.SetFieldValue("[s]", COleVariant(std::string("abcd"))), CDaoException);  // keeps "abc"
    rs.Update();
    db.Close();
  }
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), 1u);
  EXPECT_EQ(dump["tables"][0]["rows"], json::parse(R"([[null, null, "abc", "kept"]])"));
  EXPECT_EQ(mdb::MdbExport(file, "t").at(1), (mdb::CsvRow{std::nullopt, std::nullopt, "abc", "kept"}));
}

// --- Long values and big tables ---------------------------------------------

TEST(DaoReadersTest, LongValuesOfEverySizeClassReadBack) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("long.mdb");
  // Sizes around the limits of inline values (64 bytes), single LVAL rows
  // (4076 bytes) and chain pieces (4072 bytes); texts around the 1024
  // characters up to which memo text is compressed.
  const std::vector<size_t> blobSizes = {1, 63, 64, 65, 4075, 4076, 4077, 8144, 8145, 12217, 40000};
  const std::vector<std::string> texts = {
      "a",  std::string(64, 'b'), std::string(65, 'c'), Repeat("Ж", 32), Repeat("Ж", 33),
      std::string(1024, 'd'), std::string(1025, 'e'), Repeat("Ωx", 2038), Repeat("Ωx", 2039), Repeat("Ц", 9000),
      std::string(4073, 'f')};
  {
    CDaoDatabase db;
    db.Create(file);
    db.Execute("create Table [lv] ( [k]  INTEGER, [blob]  OleObject, [memo]  MEMO, [more]  TEXT )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [lv]", 0);
    for (size_t i = 0; i < blobSizes.size(); ++i) {
      rs.AddNew();
      rs.SetFieldValue("[k]", COleVariant(std::to_string(i)));
      rs.SetFieldValue("[blob]", COleVariant(Pattern(blobSizes[i])));
      rs.SetFieldValue("[memo]", COleVariant(texts[i]));
      rs.SetFieldValue("[more]", COleVariant(texts[texts.size() - 1 - i]));
      rs.Update();
    }
    db.Close();
  }
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), 1u);
  const json& rows = dump["tables"][0]["rows"];
  const std::vector<mdb::CsvRow> csv = mdb::MdbExport(file, "lv");
  ASSERT_EQ(rows.size(), blobSizes.size());
  ASSERT_EQ(csv.size(), blobSizes.size() + 1);
  for (size_t i = 0; i < blobSizes.size(); ++i) {
    const std::string hex = Hex(Pattern(blobSizes[i]), false);
    const json expectedBlob = {{"hex", hex}};
    EXPECT_EQ(rows[i][1], expectedBlob) << "blob of " << blobSizes[i];
    EXPECT_EQ(rows[i][2], texts[i]) << "text " << i;
    EXPECT_EQ(rows[i][3], texts[texts.size() - 1 - i]) << "text " << i;
    EXPECT_EQ(csv[i + 1][1], Hex(Pattern(blobSizes[i]), true)) << "blob of " << blobSizes[i];
    EXPECT_EQ(csv[i + 1][2], texts[i]) << "text " << i;
    EXPECT_EQ(csv[i + 1][3], texts[texts.size() - 1 - i]) << "text " << i;
  }
}

TEST(DaoReadersTest, AMillionRowsStreamToTheFileWithBoundedMemory) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("million.mdb");
  constexpr int kRows = 1000000;
  {
    CDaoDatabase db;
    db.Create(file);
    db.Execute("create Table [big] ( [id]  LONG, [name]  TEXT(20) )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [big]", 0);
    for (int i = 0; i < kRows; ++i) {
      rs.AddNew();
      rs.SetFieldValue("[id]", COleVariant(std::to_string(i)));
      rs.SetFieldValue("[name]", COleVariant("row " + std::to_string(i)));
      rs.Update();
      // Only the page being filled stays in memory.
      if (i % 100000 == 0) {
        ASSERT_LE(db.Engine()->BufferedPageCount(), 1u);
      }
    }
    // Every full page is in the file already, before the catalog is written.
    const uintmax_t onDisk = std::filesystem::file_size(file);
    EXPECT_GE(onDisk, (db.Engine()->PageCount() - 1) * 4096ull);
    db.Close();
  }
  const json dump = mdb::MdbReaderDump(file, kRows - 2, 2);
  ASSERT_EQ(dump["tables"].size(), 1u);
  EXPECT_EQ(dump["tables"][0]["rowCount"], kRows);
  EXPECT_EQ(dump["tables"][0]["rows"], json::parse(R"([[999998, "row 999998"], [999999, "row 999999"]])"));
  const mdb::CommandOutput counted = mdb::Run("mdb-export " + mdb::ShellQuote(file) +
                                              " big | awk 'END { print NR; print $0 }'");
  EXPECT_EQ(counted.out, "1000001\n999999,\"row 999999\"\n");
}

TEST(DaoReadersTest, TheSizeLimitStopsATableWithAClearErrorAndTheFileStaysReadable) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("full.mdb");
  constexpr uint32_t kPageLimit = 120;  // stands in for the format's 2 GB
  int stored = 0;
  {
    CDaoDatabase db;
    db.Create(file, kPageLimit);
    db.Execute("create Table [t] ( [id]  INTEGER, [body]  MEMO )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [t]", 0);
    std::optional<CDaoException> stop;
    for (int i = 0; i < 1000 && !stop; ++i) {
      rs.AddNew();
      rs.SetFieldValue("[id]", COleVariant(std::to_string(i)));
      rs.SetFieldValue("[body]", COleVariant(Repeat("Ж", 1500)));  // 3000 bytes on an LVAL page
      try {
        rs.Update();
        ++stored;
      } catch (const CDaoException& e) {
        stop = e;
      }
    }
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->ErrorCode(), 3183);
    EXPECT_NE(stop->Description().find("2 GB size limit"), std::string::npos) << stop->Description();
    EXPECT_NE(stop->Description().find("'t'"), std::string::npos) << stop->Description();
    EXPECT_GT(stored, 10);
    db.Close();
  }
  EXPECT_LE(std::filesystem::file_size(file), kPageLimit * 4096ull);
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), 1u);
  EXPECT_EQ(dump["tables"][0]["rowCount"], stored);
  ASSERT_EQ(dump["tables"][0]["rows"].size(), static_cast<size_t>(stored));
  EXPECT_EQ(dump["tables"][0]["rows"].back(), json::array({stored - 1, Repeat("Ж", 1500)}));
  const std::vector<mdb::CsvRow> csv = mdb::MdbExport(file, "t");
  ASSERT_EQ(csv.size(), static_cast<size_t>(stored) + 1);
  EXPECT_EQ(csv.back(), (mdb::CsvRow{std::to_string(stored - 1), Repeat("Ж", 1500)}));
}

TEST(DaoReadersTest, AWideTableWhoseDefinitionSpansPagesReadsBack) {
  SKIP_WITHOUT(mdb::MdbToolsMissing());
  SKIP_WITHOUT(mdb::MdbReaderMissing());
  ScratchDir dir;
  const std::string file = dir.File("wide.mdb");
  // 255 columns with 64-character names, half of them memos: the table
  // definition takes about ten pages, the usage maps several pages.
  auto nameOf = [](int i) {
    std::string name = "column_" + std::to_string(1000 + i) + "_";
    return name + std::string(64 - name.size(), 'w');
  };
  {
    CDaoDatabase db;
    db.Create(file);
    std::string sql = "create Table [wide] ( ";
    for (int i = 0; i < 255; ++i) sql += (i ? ", [" : "[") + nameOf(i) + "]  " + (i % 2 ? "MEMO" : "LONG");
    db.Execute(sql + " )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [wide]", 0);
    for (int row = 0; row < 2; ++row) {
      rs.AddNew();
      for (int i = 0; i < 255; ++i) {
        rs.SetFieldValue(nameOf(i), COleVariant(i % 2 ? std::string(static_cast<size_t>(i * (row + 1)), 'm')
                                                      : std::to_string(i * 1000 + row)));
      }
      rs.Update();
    }
    db.Close();
  }
  const json dump = mdb::MdbReaderDump(file);
  ASSERT_EQ(dump["tables"].size(), 1u);
  const json& table = dump["tables"][0];
  ASSERT_EQ(table["columns"].size(), 255u);
  ASSERT_EQ(table["rows"].size(), 2u);
  const std::vector<mdb::CsvRow> csv = mdb::MdbExport(file, "wide");
  ASSERT_EQ(csv.size(), 3u);
  for (int i = 0; i < 255; ++i) {
    const auto c = static_cast<size_t>(i);
    EXPECT_EQ(table["columns"][c]["name"], nameOf(i));
    EXPECT_EQ(table["columns"][c]["type"], i % 2 ? "memo" : "long");
    EXPECT_EQ(csv[0][c], nameOf(i));
    for (int row = 0; row < 2; ++row) {
      const auto r = static_cast<size_t>(row);
      if (i % 2) {
        const std::string text(static_cast<size_t>(i * (row + 1)), 'm');
        EXPECT_EQ(table["rows"][r][c], text);
        EXPECT_EQ(csv[r + 1][c], text);
      } else {
        EXPECT_EQ(table["rows"][r][c], i * 1000 + row);
        EXPECT_EQ(csv[r + 1][c], std::to_string(i * 1000 + row));
      }
    }
  }
}

}  // namespace
}  // namespace salvoran
