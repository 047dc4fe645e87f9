// The save of SQLite 2 recoveries into a new SQLite 2 database: every
// fixture read back by our SQLite 2 parser gives the fixture's objects and
// rows, and the file is sound; large tables and long rows; the log; the
// Access fall-back statement, rejected objects, the stop request, an output
// that cannot be opened and a stale journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/sqlite2/integrity_check.h"
#include "platform/sqlite2/sqlite.h"
#include "tests/sqlite2_fixtures.h"
#include "writers/sqlite2_output.h"

namespace salvoran::testing {
namespace {

using namespace sqlite2fixtures;

std::string FixtureFile(const std::string& name) { return FixturePath(name == "prefixed" ? "prefixed.bin" : name + ".db"); }

// Checks every object of a scanned recovery and saves it as SQLite 2.
bool SaveAllAsSqlite2(Recovery& recovery, const std::string& output) {
  recovery.context.sqlite2Output = true;
  return SaveAll(recovery, output);
}

std::string FileText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

uint32_t Le32At(const std::string& f, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(f[at])) | static_cast<uint32_t>(static_cast<uint8_t>(f[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(f[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(f[at + 3])) << 24;
}

// The file is one our SQLite 2 reader and the library's own checks accept:
// the page 1 header of a little-endian 2.1 file of format 4 with an empty
// free list, and every tree sound (cells in key order, overflow chains
// exact, every page used once, indexes complete).
void ExpectSoundSqlite2File(const std::string& path) {
  const std::string f = FileText(path);
  ASSERT_GE(f.size(), 2048u);
  EXPECT_EQ(f.size() % 1024, 0u);
  EXPECT_EQ(f.substr(0, 48), std::string("** This file contains an SQLite 2.1 database **") + '\0');
  EXPECT_EQ(Le32At(f, 48), 0xDAE37528u);
  EXPECT_EQ(Le32At(f, 52), 0u) << "free list head";
  EXPECT_EQ(Le32At(f, 56), 0u) << "free page count";
  EXPECT_EQ(Le32At(f, 64), 4u) << "file format";
  EXPECT_EQ(sqlite2::CheckIntegrity(f), std::vector<std::string>{});
}

std::vector<std::string> Names(const std::vector<SchemaObjectDetails>& objects) {
  std::vector<std::string> names;
  for (const SchemaObjectDetails& object : objects) names.push_back(object.name);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> TableNames(const RecoveredCatalog& catalog) {
  std::vector<std::string> names;
  for (const TableDetails& table : catalog.tableDetails) names.push_back(table.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Rows read back from the output against the rows the library read from the
// fixture. A table without an INTEGER PRIMARY KEY gets new rowids in the
// output (SQLite 2 INSERTs cannot set them), so there only the order and the
// values count.
void ExpectSameRows(const std::vector<RecoveredRow>& got, const std::vector<ExpectedRow>& want, int keyColumn) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t r = 0; r < got.size(); ++r) {
    if (keyColumn >= 0) {
      ExpectSameRow(got[r], want[r], keyColumn);
      continue;
    }
    RecoveredRow renumbered = got[r];
    renumbered.rowid = want[r].Rowid();
    ExpectSameRow(renumbered, want[r], keyColumn);
  }
}

class FixtureToSqlite2Test : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureToSqlite2Test, ReadsBackWithTheFixturesObjectsAndRows) {
  const std::string name = GetParam();
  const ExpectedFile expected = LoadExpected(name);
  auto recovery = Scan(FixtureFile(name));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  ScratchDir dir;
  const std::string output = dir.File("out.db");
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, output));
  EXPECT_EQ(recovery->context.saveReport.errors, std::vector<std::string>{});
  ExpectSoundSqlite2File(output);

  auto back = Scan(output);
  ASSERT_EQ(back->outcome, ScanOutcome::Complete);
  const RecoveredCatalog& original = recovery->context.parser->catalog();
  const RecoveredCatalog& written = back->context.parser->catalog();
  EXPECT_EQ(TableNames(written), TableNames(original));
  EXPECT_EQ(Names(written.indexDetails), Names(original.indexDetails));
  EXPECT_EQ(Names(written.viewDetails), Names(original.viewDetails));
  EXPECT_EQ(Names(written.triggerDetails), Names(original.triggerDetails));
  std::vector<std::string> expectedTables = ExpectedNames(expected, "table");
  std::sort(expectedTables.begin(), expectedTables.end());
  EXPECT_EQ(TableNames(written), expectedTables);
  for (const std::string& table : expectedTables) {
    SCOPED_TRACE(table);
    ExpectSameRows(RecoverRows(*back, table), ExpectedTable(expected, table), KeyColumnOf(*back, table));
  }
}

INSTANTIATE_TEST_SUITE_P(Sqlite2Fixtures, FixtureToSqlite2Test,
                         ::testing::Values("basic", "multi", "overflow", "bigtable", "bigschema", "deleted",
                                           "bigendian", "prefixed"));

// Runs statements through one connection of our SQLite 2 library.
void MakeSqlite2Database(const std::string& path, const std::vector<std::string>& statements) {
  char* error = nullptr;
  sqlite* db = sqlite_open(path.c_str(), 0, &error);
  ASSERT_NE(db, nullptr);
  for (const std::string& sql : statements) {
    ASSERT_EQ(sqlite_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  }
  sqlite_close(db);
}

std::string Body(int id, size_t length) {
  std::string body = "[" + std::to_string(id) + "]";
  while (body.size() < length) body += static_cast<char>('a' + body.size() % 26);
  body.resize(length);
  return body;
}

TEST(Sqlite2Output, HundredThousandRowsAndRowsOf70000Bytes) {
  ScratchDir dir;
  const std::string input = dir.File("big.db");
  constexpr int kRows = 100000;
  std::vector<std::string> statements = {"BEGIN", "CREATE TABLE big(id INTEGER PRIMARY KEY, name TEXT, qty NUMERIC)",
                                         "CREATE TABLE wide(k TEXT, body TEXT)", "CREATE INDEX big_qty ON big(qty)"};
  for (int i = 1; i <= kRows; ++i) {
    statements.push_back("insert into big values(" + std::to_string(i) + ",'item ''" + std::to_string(i) + "''','" +
                         std::to_string((i * 37) % 1000) + ".50');");
  }
  for (int i = 1; i <= 3; ++i) {
    statements.push_back("insert into wide values('w" + std::to_string(i) + "','" + Body(i, 69998 + size_t(i)) + "');");
  }
  statements.push_back("COMMIT");
  MakeSqlite2Database(input, statements);

  auto recovery = Scan(input);
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  const std::string output = dir.File("out.db");
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, output));
  EXPECT_TRUE(recovery->Logged("Table big contain 100000 rows"));
  EXPECT_TRUE(recovery->Logged("Total 100000 Rows inserted in table successfully"));
  ExpectSoundSqlite2File(output);

  auto back = Scan(output);
  std::vector<RecoveredRow> rows = RecoverRows(*back, "big");
  ASSERT_EQ(rows.size(), size_t{kRows});
  for (int i : {1, 2, 511, 50000, kRows}) {
    const RecoveredRow& row = rows[size_t(i) - 1];
    EXPECT_EQ(row.rowid, i);
    EXPECT_EQ(row.values[1], Value::Text("item '" + std::to_string(i) + "'"));
    EXPECT_EQ(row.values[2], Value::Text(std::to_string((i * 37) % 1000) + ".50"));
  }
  // The table tree has interior pages (SQLite 2 keeps rows on them too).
  const std::string f = FileText(output);
  const uint32_t root = static_cast<uint32_t>(back->context.parser->catalog().tableDetails[
      static_cast<size_t>(TableIndex(back->context.parser->catalog(), "big"))].rootPage);
  EXPECT_NE(Le32At(f, size_t{root - 1} * 1024), 0u) << "the root has a right child";

  std::vector<RecoveredRow> wide = RecoverRows(*back, "wide");
  ASSERT_EQ(wide.size(), 3u);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(wide[size_t(i) - 1].values[0], Value::Text("w" + std::to_string(i)));
    EXPECT_EQ(wide[size_t(i) - 1].values[1], Value::Text(Body(i, 69998 + size_t(i))));
  }
}

TEST(Sqlite2Output, LogsTheSchemaLineFirstAndLeavesTheModesAsFound) {
  auto recovery = Scan(FixturePath("multi.db"));
  ScratchDir dir;
  recovery->frame.ClearRecords();
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, dir.File("out.db")));
  const std::vector<std::string> log = recovery->frame.logLines();
  const std::vector<std::string> steps = {" Creating Database ",
                                          "Database have total 20 Entries",
                                          "Database table schema created successfully",
                                          "Table customers contain 5 rows",
                                          "Total 5 Rows inserted in table successfully",
                                          "Table audit contain 6 rows",
                                          "Database Index schema created successfully",
                                          "Database views created successfully",
                                          "Database Triggers created successfully"};
  auto at = log.begin();
  for (const std::string& step : steps) {
    at = std::find(at, log.end(), step);
    ASSERT_NE(at, log.end()) << "missing or out of order: " << step;
  }
  EXPECT_EQ(recovery->context.loadMode, LoadMode::Preview);
  EXPECT_FALSE(recovery->context.parser->savingFlag);
  EXPECT_FALSE(recovery->context.parser->catalog().tableDetails.empty());
  // A second save in the same run writes again.
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, dir.File("again.db")));
  auto back = Scan(dir.File("again.db"));
  EXPECT_EQ(RecoverRows(*back, "orders").size(), 6u);
}

TEST(Sqlite2Output, ATableWhoseStatementFailsIsCreatedFromItsAccessStatement) {
  auto recovery = Scan(FixturePath("basic.db"));
  RecoveredCatalog& catalog = recovery->context.parser->catalog();
  ASSERT_EQ(catalog.accessTableSql.size(), 1u);
  EXPECT_NE(catalog.accessTableSql[0].find("[people]"), std::string::npos) << catalog.accessTableSql[0];
  catalog.tableDetails[0].statement = "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT,, broken";
  ScratchDir dir;
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, dir.File("out.db")));
  EXPECT_FALSE(recovery->Logged("Error: Database not created."));
  EXPECT_TRUE(recovery->Logged("Total 8 Rows inserted in table successfully"));
  auto back = Scan(dir.File("out.db"));
  ASSERT_EQ(back->context.parser->catalog().tableDetails.size(), 1u);
  EXPECT_EQ(back->context.parser->catalog().tableDetails[0].statement, catalog.accessTableSql[0]);
  EXPECT_EQ(RecoverRows(*back, "people").size(), 8u);

  // Both statements refused: one error line and no row lines.
  catalog.accessTableSql[0] = "create Table [people] ( [id] broken";
  recovery->frame.ClearRecords();
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, dir.File("none.db")));
  EXPECT_TRUE(recovery->Logged("Error: Database not created."));
  for (const std::string& line : recovery->frame.logLines()) EXPECT_EQ(line.find("Table people contain"), std::string::npos);
}

TEST(Sqlite2Output, ARejectedTriggerIsLoggedAndStillAdvancesTheProgress) {
  auto recovery = Scan(FixturePath("multi.db"));
  RecoveredCatalog& catalog = recovery->context.parser->catalog();
  ASSERT_EQ(catalog.triggerDetails.size(), 1u);
  catalog.triggerDetails[0].statement = "CREATE TRIGGER trg AFTER INSERT ON no_such_table BEGIN SELECT 1; END";
  recovery->frame.Tree().SetCheck(recovery->context.rootNode, true);
  ScratchDir dir;
  CppSQLiteDB connection;
  sqlite_base& parser = *recovery->context.parser;
  parser.previewProgress = 7;
  WriteCheckedSchemaObjectsSqlite2(recovery->context, parser, recovery->frame, connection, dir.File("out.db"),
                                   kTriggersItemData, recovery->context.triggersNode);
  EXPECT_TRUE(recovery->Logged("Error: Trigger not created."));
  EXPECT_EQ(parser.previewProgress, 8);
  EXPECT_EQ(recovery->frame.progressPositions().back(), 7);
  EXPECT_FALSE(connection.isOpen());
}

// A frame that asks the save to stop once the first table is written.
class StopAfterFirstTable : public HeadlessFrame {
 public:
  StopAfterFirstTable(HeadlessFrame& inner, RecoveryContext& context) : inner_(inner), context_(context) {
    SetLogStream(nullptr);
  }
  void LogLine(const std::string& text) override {
    HeadlessFrame::LogLine(text);
    if (text.rfind("Total ", 0) == 0) context_.stopRequested = true;
  }
  ObjectTree& Tree() override { return inner_.Tree(); }
  RecordGrid& Grid() override { return inner_.Grid(); }

 private:
  HeadlessFrame& inner_;
  RecoveryContext& context_;
};

TEST(Sqlite2Output, AStopBetweenTwoTablesLeavesTheSecondOut) {
  auto recovery = Scan(FixturePath("multi.db"));
  recovery->frame.Tree().SetCheck(recovery->context.rootNode, true);
  StopAfterFirstTable frame(recovery->frame, recovery->context);
  sqlite_base& parser = *recovery->context.parser;
  parser.SetOwner(&recovery->context, &frame);
  ScratchDir dir;
  CppSQLiteDB connection;
  WriteCheckedTablesSqlite2(recovery->context, parser, frame, connection, recovery->context.tablesNode,
                            dir.File("out.db"));
  const std::vector<std::string> log = frame.logLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& line) { return line.find(" contain ") != std::string::npos; }),
            1);
  recovery->context.stopRequested = false;
  parser.SetOwner(&recovery->context, &recovery->frame);
  auto back = Scan(dir.File("out.db"));
  EXPECT_EQ(back->context.parser->catalog().tableDetails.size(), 1u);
}

TEST(Sqlite2Output, AnOutputThatCannotBeOpenedIsReported) {
  auto recovery = Scan(FixturePath("basic.db"));
  ScratchDir dir;
  const std::string output = dir.File("no/such/folder/out.db");
  EXPECT_FALSE(SaveAllAsSqlite2(*recovery, output));
  const std::vector<MessageRequest> shown = recovery->frame.messages();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text.rfind("SQLITE_CANTOPEN[14]: ", 0), 0u) << shown.back().text;
  EXPECT_TRUE(recovery->Logged("Error: " + shown.back().text));
  EXPECT_TRUE(recovery->context.saveReport.outputUnwritable);
  EXPECT_EQ(recovery->context.loadMode, LoadMode::Preview);
  EXPECT_EQ(recovery->context.rowSink, nullptr);
}

TEST(Sqlite2Output, AStaleJournalBesideTheOutputIsRemovedFirst) {
  auto recovery = Scan(FixturePath("basic.db"));
  ScratchDir dir;
  const std::string output = dir.File("out.db");
  WriteFileBytes(output + "-journal", std::vector<uint8_t>(3000, 0x5a));
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, output));
  EXPECT_FALSE(std::filesystem::exists(output + "-journal"));
  ExpectSoundSqlite2File(output);
  auto back = Scan(output);
  EXPECT_EQ(RecoverRows(*back, "people").size(), 8u);
}

TEST(Sqlite2Output, DamagedInputKeepsTheRowsStillReachable) {
  std::vector<uint8_t> bytes = ReadFileBytes(FixturePath("bigtable.db"));
  const std::vector<RowPlace> places = MapTable(bytes, 3);
  const uint32_t leaf = std::find_if(places.begin(), places.end(), [](const RowPlace& p) { return p.rowid == 1500; })->page;
  std::fill_n(bytes.begin() + static_cast<long>(PageStart(leaf)), 1024, 0);
  std::vector<ExpectedRow> want;
  for (const ExpectedRow& row : ExpectedTable(LoadExpected("bigtable"), "items")) {
    auto place = std::find_if(places.begin(), places.end(), [&](const RowPlace& p) { return p.rowid == row.Rowid(); });
    if (place->page != leaf) want.push_back(row);
  }
  ScratchDir dir;
  WriteFileBytes(dir.File("damaged.db"), bytes);
  auto recovery = Scan(dir.File("damaged.db"));
  ASSERT_TRUE(SaveAllAsSqlite2(*recovery, dir.File("out.db")));
  ExpectSoundSqlite2File(dir.File("out.db"));
  auto back = Scan(dir.File("out.db"));
  ExpectSameRows(RecoverRows(*back, "items"), want, 0);
}

}  // namespace
}  // namespace salvoran::testing
