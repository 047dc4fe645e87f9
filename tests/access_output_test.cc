// Recoveries saved into Access databases, read back by two independent Jet
// readers (mdbtools and mdb-reader): every table, column and type, and every
// value equal to what the real library reads from the original. Where
// mdbtools is known to show a value differently (doubles to 16 digits,
// empty values as NULL, characters outside the BMP), mdb-reader alone is the
// judge.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recovery/text.h"
#include "tests/mdb/mdb_readers.h"
#include "tests/sqlite2_fixtures.h"
#include "tests/support/test_support.h"
#include "writers/access_output.h"

namespace salvoran {
namespace {

using nlohmann::json;
using testing::ScratchDir;
namespace mdb = testing::mdb;

std::string Hex(const std::string& bytes, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

bool OutsideBmp(const std::string& utf8) {
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xF8) == 0xF0) return true;
  }
  return false;
}

// A value as the real library reads it, text in UTF-8.
std::vector<std::vector<Value>> LibraryRows(const std::string& path, const std::string& table) {
  testing::Db db(path);
  sqlite3_stmt* statement = nullptr;
  const std::string sql = "SELECT * FROM \"" + table + "\" ORDER BY rowid";
  EXPECT_EQ(sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &statement, nullptr), SQLITE_OK);
  std::vector<std::vector<Value>> rows;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<Value> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      switch (sqlite3_column_type(statement, c)) {
        case SQLITE_INTEGER: row.push_back(Value::Integer(sqlite3_column_int64(statement, c))); break;
        case SQLITE_FLOAT: row.push_back(Value::Real(sqlite3_column_double(statement, c))); break;
        case SQLITE_TEXT:
          row.push_back(Value::Text(std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                                                static_cast<size_t>(sqlite3_column_bytes(statement, c)))));
          break;
        case SQLITE_BLOB: {
          const void* blob = sqlite3_column_blob(statement, c);
          const auto size = static_cast<size_t>(sqlite3_column_bytes(statement, c));
          row.push_back(Value::Blob(size ? std::string(static_cast<const char*>(blob), size) : std::string()));
          break;
        }
        default: row.push_back(Value::Null()); break;
      }
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  return rows;
}

// "2024-05-17 10:30:00" or "2024-05-17" as mdb-reader's ISO text.
std::string IsoDate(const std::string& text) {
  std::string date = text.substr(0, 10) + "T" + (text.size() >= 19 ? text.substr(11, 8) : "00:00:00");
  return date + ".000Z";
}

std::string ValueText(const Value& value) {
  switch (value.type) {
    case ValueType::Integer: return std::to_string(value.integer);
    case ValueType::Real: return FormatReal(value.real);
    default: return value.bytes;
  }
}

double NumberOf(const Value& value) {
  return value.type == ValueType::Real ? value.real
         : value.type == ValueType::Integer ? static_cast<double>(value.integer)
                                              : std::stod(value.bytes);
}

// What both readers must show for one recovered value in a column of the
// given Access type. mdbtools: nothing when it is known to show the value
// differently.
struct Expected {
  json byMdbReader;
  std::optional<mdb::CsvField> byMdbTools;
};

Expected ExpectedCell(const std::string& accessType, const Value& value) {
  const std::string type = ToUpperAscii(accessType);
  if (type == "YESNO") {
    const bool truth = value.type != ValueType::Null && NumberOf(value) != 0;
    return {truth, mdb::CsvField(truth ? "1" : "0")};
  }
  if (value.type == ValueType::Null) return {nullptr, mdb::CsvField()};
  if (type == "INTEGER" || type == "LONG") {
    const auto number = static_cast<long long>(NumberOf(value));
    return {number, mdb::CsvField(std::to_string(number))};
  }
  if (type == "DOUBLE" || type == "FLOAT") {
    char sixteen[64];
    std::snprintf(sixteen, sizeof sixteen, "%.16g", NumberOf(value));
    return {NumberOf(value), mdb::CsvField(sixteen)};
  }
  if (type == "DATE") {
    const std::string iso = IsoDate(value.bytes);
    return {json{{"date", iso}}, mdb::CsvField(iso.substr(0, 10) + " " + iso.substr(11, 8))};
  }
  if (type == "OLE OBJECT") {
    if (value.bytes.empty()) return {json{{"hex", ""}}, std::nullopt};
    return {json{{"hex", Hex(value.bytes, false)}}, mdb::CsvField(Hex(value.bytes, true))};
  }
  const std::string text = ValueText(value);
  if (text.empty() || OutsideBmp(text)) return {text, std::nullopt};
  return {text, mdb::CsvField(text)};
}

// mdb-reader's and mdb-schema's names of the Access types the scanners give.
std::string ReaderType(const std::string& accessType) {
  const std::string type = ToUpperAscii(accessType);
  if (type == "INTEGER" || type == "LONG") return "long";
  if (type == "DOUBLE" || type == "FLOAT") return "double";
  if (type == "DATE") return "datetime";
  if (type == "YESNO") return "boolean";
  if (type == "OLE OBJECT") return "ole";
  return "memo";
}

// Checks one table of an Access file against the rows the library read.
void ExpectTableInBothReaders(const std::string& mdbFile, const json& dump, const std::string& table,
                              const std::vector<std::string>& columnNames, const std::vector<std::string>& types,
                              const std::vector<std::vector<Value>>& rows) {
  SCOPED_TRACE("table " + table);
  const json* read = mdb::FindTable(dump, table);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ((*read)["columns"].size(), columnNames.size());
  for (size_t c = 0; c < columnNames.size(); ++c) {
    EXPECT_EQ((*read)["columns"][c]["name"], columnNames[c]);
    EXPECT_EQ((*read)["columns"][c]["type"], ReaderType(types[c])) << columnNames[c];
  }
  const std::vector<mdb::CsvRow> csv = mdb::MdbExport(mdbFile, table);
  ASSERT_EQ((*read)["rows"].size(), rows.size());
  ASSERT_EQ(csv.size(), rows.size() + 1);
  for (size_t c = 0; c < columnNames.size(); ++c) EXPECT_EQ(csv[0][c], columnNames[c]);
  for (size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(csv[r + 1].size(), columnNames.size());
    for (size_t c = 0; c < columnNames.size(); ++c) {
      const std::string where = "row " + std::to_string(r) + " column " + columnNames[c];
      const Expected expected = ExpectedCell(types[c], rows[r][c]);
      const json& actual = (*read)["rows"][r][c];
      if (expected.byMdbReader.is_number_float()) {
        ASSERT_TRUE(actual.is_number()) << where;
        EXPECT_EQ(actual.get<double>(), expected.byMdbReader.get<double>()) << where;  // bit for bit
      } else {
        EXPECT_EQ(actual, expected.byMdbReader) << where;
      }
      if (expected.byMdbTools) {
        EXPECT_EQ(csv[r + 1][c], *expected.byMdbTools) << where;
      }
    }
  }
}

// Scans path, checks everything and saves it into chosenPath (".mdb" added),
// answering Yes to the replace question.
bool SaveAllToAccess(testing::Recovery& recovery, const std::string& chosenPath) {
  RecoveryContext& context = recovery.context;
  if (!context.parser) return false;
  recovery.frame.Tree().SetCheck(context.rootNode, true);
  recovery.frame.SetAnswerPolicy([](const MessageRequest& request) {
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  });
  return SaveToAccess(context, *context.parser, recovery.frame, chosenPath);
}

std::vector<std::string> LoggedErrors(const testing::Recovery& recovery) {
  std::vector<std::string> errors;
  for (const std::string& line : recovery.frame.logLines()) {
    if (line.rfind("Error: ", 0) == 0) errors.push_back(line);
  }
  return errors;
}

bool LoggedContaining(const testing::Recovery& recovery, const std::string& piece) {
  for (const std::string& line : recovery.frame.logLines()) {
    if (line.find(piece) != std::string::npos) return true;
  }
  return false;
}

#define SKIP_WITHOUT_READERS()                  \
  SKIP_WITHOUT(mdb::MdbToolsMissing());         \
  SKIP_WITHOUT(mdb::MdbReaderMissing())

// --- SQLite 3 input ---------------------------------------------------------

const char* const kItemsTable =
    "CREATE TABLE items(id INTEGER PRIMARY KEY, qty INTEGER, price DOUBLE, ratio REAL, name TEXT, "
    "pic BLOB, at DATE, ok YESNO)";
const std::vector<std::string> kItemsColumns = {"id", "qty", "price", "ratio", "name", "pic", "at", "ok"};
const std::vector<std::string> kItemsTypes = {"INTEGER", "INTEGER", "DOUBLE", "TEXT",
                                              "TEXT",    "OLE Object", "DATE", "YESNO"};

std::vector<std::string> ItemsStatements() {
  return {
      kItemsTable,
      "INSERT INTO items VALUES (1, 42, 0.1, 1.5, 'h\xC3\xA9llo \xD0\x96\xD1\x83 \xE6\x97\xA5\xE6\x9C\xAC it''s', "
      "x'0001FF00', '2024-05-17 10:30:00', 1)",
      // A 100,000-character text and 1 MB of bytes.
      "INSERT INTO items VALUES (2, -2147483648, 1.7976931348623157e308, 5e-324, "
      "replace(hex(zeroblob(50000)), '00', '\xD0\x96y'), randomblob(1048576), '1899-12-30', 0)",
      "INSERT INTO items VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
      "INSERT INTO items VALUES (7, 2147483647, -0.3333333333333333, 3.0, '', x'', '1970-01-01 00:00:01', 1)",
      "INSERT INTO items VALUES (8, 0, 2.5, 0.1, 'emoji \xF0\x9F\x98\x80 outside the BMP', x'ff', "
      "'2100-06-30 12:00:00', 0)",
      "CREATE TABLE \"\xD0\xA2\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8B\"(n INTEGER, label TEXT)",
      "INSERT INTO \"\xD0\xA2\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8B\" VALUES (1, 'one'), (2, NULL)",
      "CREATE INDEX items_qty ON items(qty)",
      "CREATE VIEW cheap AS SELECT * FROM items WHERE price < 1",
  };
}

class AccessFromSqlite3Test : public ::testing::TestWithParam<const char*> {};

TEST_P(AccessFromSqlite3Test, EveryTableColumnAndValueReadsBackInBothReaders) {
  SKIP_WITHOUT_READERS();
  ScratchDir dir;
  const std::string input = dir.File("shop.db");
  testing::MakeDatabase(input, ItemsStatements(), 4096, GetParam());
  auto recovery = testing::Scan(input);
  ASSERT_TRUE(recovery->context.parser);

  ASSERT_TRUE(SaveAllToAccess(*recovery, dir.File("shop")));
  const std::string mdbFile = dir.File("shop.mdb");
  ASSERT_TRUE(std::filesystem::exists(mdbFile));
  EXPECT_TRUE(LoggedErrors(*recovery).empty()) << LoggedErrors(*recovery).front();
  EXPECT_TRUE(recovery->Logged("Table items contain 5 rows"));
  EXPECT_TRUE(recovery->Logged("Total 5 Rows inserted in table successfully"));
  EXPECT_TRUE(recovery->Logged(kLogAccessTablesOnly));
  EXPECT_FALSE(recovery->Logged("Database Index schema created successfully"));
  // The Cyrillic name is kept under an ASCII stand-in, and the log says so.
  EXPECT_TRUE(LoggedContaining(*recovery, "under the name Table_1"));
  // Nothing was written beside the input for the index and the view.
  EXPECT_FALSE(std::filesystem::exists(MakeRepairedPath(input)));

  EXPECT_EQ(mdb::MdbVersion(mdbFile), "JET4");
  std::vector<std::string> tables = mdb::MdbTables(mdbFile);
  std::sort(tables.begin(), tables.end());
  EXPECT_EQ(tables, (std::vector<std::string>{"Table_1", "items"}));
  const json dump = mdb::MdbReaderDump(mdbFile);
  ExpectTableInBothReaders(mdbFile, dump, "items", kItemsColumns, kItemsTypes, LibraryRows(input, "items"));
  ExpectTableInBothReaders(mdbFile, dump, "Table_1", {"n", "label"}, {"INTEGER", "TEXT"},
                           LibraryRows(input, "\xD0\xA2\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8B"));
}

INSTANTIATE_TEST_SUITE_P(Encodings, AccessFromSqlite3Test, ::testing::Values("UTF-8", "UTF-16le", "UTF-16be"));

TEST(AccessOutputTest, RefusedStatementsAndValuesAreLoggedAndTheWalkGoesOn) {
  SKIP_WITHOUT_READERS();
  ScratchDir dir;
  const std::string input = dir.File("mixed.db");
  testing::MakeDatabase(input, {
                                   "CREATE TABLE first(a INTEGER, b TEXT)",
                                   "INSERT INTO first VALUES (1, 'x'), (2, 'y')",
                                   // Both columns become [ab]: Access refuses the table.
                                   "CREATE TABLE clash(\"a-b\" TEXT, ab TEXT)",
                                   "INSERT INTO clash VALUES ('p', 'q')",
                                   // Values an Access Long Integer or date cannot hold.
                                   "CREATE TABLE last(n INTEGER, d DATE, note TEXT)",
                                   "INSERT INTO last VALUES (5, '2024-01-02', 'fits')",
                                   "INSERT INTO last VALUES ('twelve', 'soon', 'text in a number')",
                                   "INSERT INTO last VALUES (5000000000, '2024-02-30', 'too big')",
                               });
  auto recovery = testing::Scan(input);
  ASSERT_TRUE(SaveAllToAccess(*recovery, dir.File("mixed.mdb")));

  const std::vector<std::string> errors = LoggedErrors(*recovery);
  ASSERT_EQ(errors.size(), 5u);
  EXPECT_NE(errors[0].find("'ab'"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("twelve"), std::string::npos) << errors[1];
  EXPECT_EQ(recovery->context.saveReport.errors, errors);
  EXPECT_TRUE(recovery->Logged("Total 3 Rows inserted in table successfully"));

  const std::string mdbFile = dir.File("mixed.mdb");
  EXPECT_EQ(mdb::MdbTables(mdbFile), (std::vector<std::string>{"first", "last"}));
  const json dump = mdb::MdbReaderDump(mdbFile);
  ASSERT_NE(mdb::FindTable(dump, "last"), nullptr);
  EXPECT_EQ((*mdb::FindTable(dump, "first"))["rows"], json::parse(R"([[1, "x"], [2, "y"]])"));
  EXPECT_EQ((*mdb::FindTable(dump, "last"))["rows"],
            json::parse(R"([[5, {"date": "2024-01-02T00:00:00.000Z"}, "fits"],
                            [null, null, "text in a number"], [null, null, "too big"]])"));
  EXPECT_EQ(mdb::MdbExport(mdbFile, "last").at(3), (mdb::CsvRow{std::nullopt, std::nullopt, "too big"}));
}

TEST(AccessOutputTest, AStopRequestClosesTheDatabaseAndTheFileStaysReadable) {
  SKIP_WITHOUT_READERS();
  ScratchDir dir;
  const std::string input = dir.File("long.db");
  std::vector<std::string> statements = {"CREATE TABLE a(id INTEGER PRIMARY KEY, body TEXT)",
                                         "CREATE TABLE b(id INTEGER PRIMARY KEY)", "INSERT INTO b VALUES (1)"};
  for (int i = 1; i <= 200; ++i) {
    statements.push_back("INSERT INTO a VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) + "')");
  }
  testing::MakeDatabase(input, statements);
  auto recovery = testing::Scan(input);
  RecoveryContext& context = recovery->context;
  // The user presses Stop while the 20th row of the first table is stored.
  recovery->frame.SetProgressListener([&](int64_t position, int64_t) {
    if (position == 20) context.stopRequested = true;
  });
  EXPECT_TRUE(SaveAllToAccess(*recovery, dir.File("long.mdb")));
  EXPECT_EQ(context.access, nullptr);
  EXPECT_FALSE(context.accessOutput);
  EXPECT_TRUE(recovery->Logged("Total 20 Rows inserted in table successfully"));
  EXPECT_FALSE(recovery->Logged("Table b contain 1 rows"));
  EXPECT_TRUE(LoggedErrors(*recovery).empty());

  const std::string mdbFile = dir.File("long.mdb");
  EXPECT_EQ(mdb::MdbTables(mdbFile), std::vector<std::string>{"a"});
  const json dump = mdb::MdbReaderDump(mdbFile);
  ASSERT_NE(mdb::FindTable(dump, "a"), nullptr);
  const json& rows = (*mdb::FindTable(dump, "a"))["rows"];
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(rows.back(), json::array({20, "row 20"}));
  EXPECT_EQ(mdb::MdbExport(mdbFile, "a").size(), 21u);
}

TEST(AccessOutputTest, AnExistingFileIsReplacedOnlyAfterYes) {
  SKIP_WITHOUT_READERS();
  ScratchDir dir;
  const std::string input = dir.File("small.db");
  testing::MakeDatabase(input, {"CREATE TABLE t(n INTEGER)", "INSERT INTO t VALUES (9)"});
  const std::string mdbFile = dir.File("small.mdb");
  testing::WriteFileBytes(mdbFile, {'o', 'l', 'd'});

  auto declined = testing::Scan(input);
  declined->frame.Tree().SetCheck(declined->context.rootNode, true);
  declined->frame.ClearRecords();
  EXPECT_FALSE(SaveToAccess(declined->context, *declined->context.parser, declined->frame, dir.File("small")));
  ASSERT_EQ(declined->frame.messages().size(), 1u);
  EXPECT_EQ(declined->frame.messages()[0].text, "The Database File " + mdbFile +
                                                    " Already exist.\n Exisitng file will be Deleted. Do you "
                                                    "want to Continue ?");
  EXPECT_EQ(testing::ReadFileBytes(mdbFile), (std::vector<uint8_t>{'o', 'l', 'd'}));

  auto accepted = testing::Scan(input);
  ASSERT_TRUE(SaveAllToAccess(*accepted, mdbFile));
  EXPECT_EQ((*mdb::FindTable(mdb::MdbReaderDump(mdbFile), "t"))["rows"], json::parse("[[9]]"));
  EXPECT_EQ(mdb::MdbExport(mdbFile, "t").at(1), mdb::CsvRow{"9"});
}

TEST(AccessOutputTest, TheInputFileIsNeverTheOutput) {
  ScratchDir dir;
  const std::string input = dir.File("self.mdb");
  testing::MakeDatabase(input, {"CREATE TABLE t(n INTEGER)", "INSERT INTO t VALUES (9)"});
  const std::vector<uint8_t> before = testing::ReadFileBytes(input);
  auto recovery = testing::Scan(input);
  EXPECT_FALSE(SaveAllToAccess(*recovery, dir.File("self")));
  EXPECT_EQ(testing::ReadFileBytes(input), before);
  EXPECT_TRUE(recovery->context.saveReport.outputUnwritable);
}

TEST(AccessOutputTest, OutputPathsEndInMdb) {
  EXPECT_EQ(AccessOutputPath("/d/Repaired_shop.db"), "/d/Repaired_shop.db.mdb");
  EXPECT_EQ(AccessOutputPath("/d/out"), "/d/out.mdb");
  EXPECT_EQ(AccessOutputPath("/d/out.MDB"), "/d/out.MDB");
}

// --- SQLite 2 input ---------------------------------------------------------

class AccessFromSqlite2Test : public ::testing::TestWithParam<const char*> {};

TEST_P(AccessFromSqlite2Test, EveryTableGivesTheRowsTheLibraryRead) {
  SKIP_WITHOUT_READERS();
  namespace fixtures = testing::sqlite2fixtures;
  ScratchDir dir;
  const std::string input = dir.File(std::string(GetParam()) + ".db");
  std::filesystem::copy_file(fixtures::FixturePath(std::string(GetParam()) + ".db"), input);
  const fixtures::ExpectedFile expected = fixtures::LoadExpected(GetParam());
  auto recovery = testing::Scan(input);
  ASSERT_TRUE(recovery->context.parser);
  ASSERT_TRUE(SaveAllToAccess(*recovery, dir.File("out")));
  EXPECT_TRUE(LoggedErrors(*recovery).empty()) << LoggedErrors(*recovery).front();

  const std::string mdbFile = dir.File("out.mdb");
  const json dump = mdb::MdbReaderDump(mdbFile);
  const RecoveredCatalog& catalog = recovery->context.parser->catalog();
  const std::vector<std::string> tables = fixtures::ExpectedNames(expected, "table");
  EXPECT_EQ(mdb::MdbTables(mdbFile), tables);
  for (const std::string& table : tables) {
    const int index = fixtures::TableIndex(catalog, table);
    ASSERT_GE(index, 0) << table;
    const ParsedDescriptor descriptor = ParseColumnDescriptor(catalog.columnDescriptors[static_cast<size_t>(index)]);
    std::vector<std::string> names;
    for (const std::string& column : descriptor.columns) names.push_back(sqlite_base::SanitizeIdentifier(column));
    // The rows as the library read them: the key column is the rowid.
    const int keyColumn = descriptor.keyMarker >= 10 ? descriptor.keyMarker - 10 : -1;
    std::vector<std::vector<Value>> rows;
    for (const fixtures::ExpectedRow& row : fixtures::ExpectedTable(expected, table)) {
      std::vector<Value> values;
      for (size_t c = 1; c < row.values.size(); ++c) {
        if (static_cast<int>(c - 1) == keyColumn) {
          values.push_back(Value::Integer(row.Rowid()));
        } else {
          values.push_back(row.values[c].isNull ? Value::Null() : Value::Text(row.values[c].text));
        }
      }
      rows.push_back(std::move(values));
    }
    ExpectTableInBothReaders(mdbFile, dump, table, names, catalog.tableColumnTypes[static_cast<size_t>(index)], rows);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AccessFromSqlite2Test, ::testing::Values("basic", "multi", "overflow", "bigendian"));

}  // namespace
}  // namespace salvoran
