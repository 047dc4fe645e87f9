// The save of SQLite 2 recoveries into SQLite 3: every fixture's rows as the
// real SQLite 3 library stores the texts the SQLite 2 library read (texts
// bound as texts into the table as declared, so number-like texts in columns
// of numeric affinity become numbers exactly as SQLite 3 makes them), the log
// of the save, the replace question, the checked-row total, a second save,
// and damaged copies that keep every row still reachable.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "tests/sqlite2_fixtures.h"

namespace salvoran::testing {
namespace {

using namespace sqlite2fixtures;

std::string FixtureFile(const std::string& name) { return FixturePath(name == "prefixed" ? "prefixed.bin" : name + ".db"); }

// Binds every value as the text the SQLite 2 library handed out (NULL stays
// NULL) into the table as declared, with the row's rowid.
void InsertLikeTheLibrary(sqlite3* db, const std::string& table, const std::vector<ExpectedRow>& rows) {
  std::vector<std::string> columns;
  sqlite3_stmt* info = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &info, nullptr), SQLITE_OK);
  sqlite3_bind_text(info, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  while (sqlite3_step(info) == SQLITE_ROW) columns.push_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 0)));
  sqlite3_finalize(info);
  std::string names = "rowid";
  std::string parameters = "?";
  for (const std::string& column : columns) names += ", \"" + column + "\"", parameters += ", ?";
  sqlite3_stmt* insert = nullptr;
  const std::string sql = "INSERT INTO \"" + table + "\" (" + names + ") VALUES (" + parameters + ")";
  ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), SQLITE_OK) << sql;
  for (const ExpectedRow& row : rows) {
    ASSERT_EQ(row.values.size(), columns.size() + 1);
    for (size_t k = 0; k < row.values.size(); ++k) {
      const int parameter = static_cast<int>(k) + 1;
      if (row.values[k].isNull) {
        sqlite3_bind_null(insert, parameter);
      } else {
        sqlite3_bind_text(insert, parameter, row.values[k].text.c_str(), -1, SQLITE_TRANSIENT);
      }
    }
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
}

// The rows SQLite 3 holds for the library's rows of one table.
std::vector<std::vector<std::string>> ReferenceRows(const std::string& createSql, const std::string& table,
                                                    const std::vector<ExpectedRow>& rows) {
  Db reference(":memory:");
  reference.Exec(createSql);
  InsertLikeTheLibrary(reference.handle(), table, rows);
  return reference.Query("SELECT rowid, * FROM \"" + table + "\" ORDER BY rowid");
}

class FixtureToSqlite3Test : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureToSqlite3Test, EveryTableHoldsTheRowsTheLibraryRead) {
  const std::string name = GetParam();
  const ExpectedFile expected = LoadExpected(name);
  auto recovery = Scan(FixtureFile(name));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  ScratchDir dir;
  const std::string output = dir.File("out.db");
  ASSERT_TRUE(SaveAll(*recovery, output));
  EXPECT_TRUE(recovery->context.saveReport.errors.empty());

  Db db(output);
  size_t tables = 0;
  for (const ExpectedRow& master : ExpectedMaster(expected)) {
    if (master.values.at(1).text != "table") continue;
    const std::string table = master.values.at(2).text;
    SCOPED_TRACE(table);
    ++tables;
    EXPECT_EQ(db.Query("SELECT rowid, * FROM \"" + table + "\" ORDER BY rowid"),
              ReferenceRows(master.values.at(5).text, table, ExpectedTable(expected, table)));
  }
  EXPECT_GT(tables, 0u);
  // Nothing but the checked tables.
  EXPECT_EQ(db.Column("SELECT count(*) FROM sqlite_master WHERE type = 'table'"),
            std::vector<std::string>{std::to_string(tables)});
}

INSTANTIATE_TEST_SUITE_P(Sqlite2Fixtures, FixtureToSqlite3Test,
                         ::testing::Values("basic", "multi", "overflow", "bigtable", "bigschema", "deleted",
                                           "bigendian", "prefixed"));

TEST(Sqlite2ToSqlite3, TextsKeepTheirBytesAndLongRowsTheirLength) {
  auto recovery = Scan(FixturePath("overflow.db"));
  ScratchDir dir;
  ASSERT_TRUE(SaveAll(*recovery, dir.File("out.db")));
  std::map<int64_t, std::string> bodies;
  for (const ExpectedRow& row : ExpectedTable(LoadExpected("overflow"), "blobs")) bodies[row.Rowid()] = row.values[3].text;
  Db db(dir.File("out.db"));
  sqlite3_stmt* query = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db.handle(), "SELECT id, body, typeof(body) FROM blobs WHERE body IS NOT NULL", -1,
                               &query, nullptr),
            SQLITE_OK);
  int rows = 0;
  while (sqlite3_step(query) == SQLITE_ROW) {
    const int64_t id = sqlite3_column_int64(query, 0);
    const std::string body(reinterpret_cast<const char*>(sqlite3_column_text(query, 1)),
                           static_cast<size_t>(sqlite3_column_bytes(query, 1)));
    EXPECT_EQ(body, bodies.at(id)) << "row " << id;
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(query, 2)), "text");
    ++rows;
  }
  sqlite3_finalize(query);
  EXPECT_EQ(rows, 14);
  EXPECT_EQ(db.Column("SELECT length(body) FROM blobs WHERE id = 14"), std::vector<std::string>{"70000"});
}

TEST(Sqlite2ToSqlite3, LogsEveryStepInOrderAndLeavesTheModesAsFound) {
  auto recovery = Scan(FixturePath("multi.db"));
  ScratchDir dir;
  recovery->frame.ClearRecords();
  ASSERT_TRUE(SaveAll(*recovery, dir.File("out.db")));
  const std::vector<std::string> log = recovery->frame.logLines();
  const std::vector<std::string> steps = {" Creating Database ",
                                          "Database have total 20 Entries",
                                          "Table customers contain 5 rows",
                                          "Total 5 Rows inserted in table successfully",
                                          "Database Table created successfully",
                                          "Database Index schema created successfully",
                                          "Database views created successfully",
                                          "Database Triggers created successfully"};
  auto at = log.begin();
  for (const std::string& step : steps) {
    at = std::find(at, log.end(), step);
    ASSERT_NE(at, log.end()) << "missing or out of order: " << step;
  }
  EXPECT_EQ(recovery->frame.progressRanges().back(), 20);
  EXPECT_EQ(recovery->context.loadMode, LoadMode::Preview);
  EXPECT_FALSE(recovery->context.suppressGrid);
  EXPECT_FALSE(recovery->context.parser->savingFlag);
  EXPECT_EQ(recovery->context.saveReport.indexes, 4);
  EXPECT_EQ(recovery->context.saveReport.views, 1);
  EXPECT_EQ(recovery->context.saveReport.triggers, 1);

  // A second save in the same run writes the same again.
  ASSERT_TRUE(SaveAll(*recovery, dir.File("again.db")));
  EXPECT_EQ(TableRows(dir.File("again.db"), "orders"), TableRows(dir.File("out.db"), "orders"));
  EXPECT_EQ(TableRows(dir.File("again.db"), "orders").size(), 6u);
}

TEST(Sqlite2ToSqlite3, TheTotalCountsOnlyTheCheckedTables) {
  auto recovery = Scan(FixturePath("multi.db"));
  ObjectTree& tree = recovery->frame.Tree();
  tree.SetCheck(recovery->context.rootNode, true);
  for (TreeItem item = tree.GetChildItem(recovery->context.tablesNode); item != kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    const std::string table = recovery->context.parser->catalog().tableDetails[static_cast<size_t>(tree.GetItemData(item))].name;
    tree.SetCheck(item, table == "customers" || table == "products");
  }
  ScratchDir dir;
  recovery->context.outputPath = dir.File("out.db");
  recovery->frame.SetAnswerPolicy([](const MessageRequest&) { return MessageAnswer::Yes; });
  ASSERT_TRUE(recovery->context.parser->CreateRecoveredDatabase(recovery->context.inputPath));
  EXPECT_TRUE(recovery->Logged("Database have total 8 Entries"));
  Db db(dir.File("out.db"));
  EXPECT_EQ(db.Column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
            (std::vector<std::string>{"'customers'", "'products'"}));
}

TEST(Sqlite2ToSqlite3, DecliningTheReplaceQuestionLeavesTheFileAlone) {
  auto recovery = Scan(FixturePath("basic.db"));
  ScratchDir dir;
  const std::string output = dir.File("out.db");
  WriteFileBytes(output, {'k', 'e', 'e', 'p'});
  recovery->frame.Tree().SetCheck(recovery->context.rootNode, true);
  recovery->context.outputPath = output;
  EXPECT_FALSE(recovery->context.parser->CreateRecoveredDatabase(recovery->context.inputPath));
  EXPECT_EQ(ReadFileBytes(output), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  const std::vector<MessageRequest> asked = recovery->frame.messages();
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back().text, "The Database File " + output +
                                   " Already exist.\n Existing file will be Deleted. Do you want to Continue ?");
  EXPECT_EQ(asked.back().icon, MessageIcon::Question);
  EXPECT_EQ(asked.back().buttons, MessageButtons::YesNo);
}

// A damage of bigtable.db's items tree and the rows it leaves reachable.
struct SaveDamage {
  const char* name;
  std::function<std::function<bool(const RowPlace&)>(std::vector<uint8_t>&, const std::vector<RowPlace>&)> damage;
};

const RowPlace& PlaceOf(const std::vector<RowPlace>& places, int64_t rowid) {
  return *std::find_if(places.begin(), places.end(), [&](const RowPlace& p) { return p.rowid == rowid; });
}

constexpr uint32_t kItemsRoot = 3;

const SaveDamage kDamages[] = {
    {"ZeroedLeaf",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       const uint32_t leaf = PlaceOf(places, 1500).page;
       std::fill_n(bytes.begin() + static_cast<long>(PageStart(leaf)), 1024, 0);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) { return p.page == leaf; });
     }},
    {"NextCellPointsBackIntoItsChain",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       const uint32_t leaf = PlaceOf(places, 700).page;
       uint16_t first = 0, second = 0;
       for (const RowPlace& p : places) {
         if (p.page == leaf && p.chainIndex == 0) first = p.cellOffset;
         if (p.page == leaf && p.chainIndex == 1) second = p.cellOffset;
       }
       PutLe16(bytes, PageStart(leaf) + second + 6, first);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) { return p.page == leaf && p.chainIndex > 1; });
     }},
    {"ChildPointsToAnAncestor",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       const RowPlace& place = PlaceOf(places, 2500);
       const uint32_t interior = place.ancestors.at(1);
       const size_t firstCell = PageStart(interior) + Le16(bytes, PageStart(interior) + 4);
       const uint32_t child = Le32(bytes, firstCell);
       PutLe32(bytes, firstCell, kItemsRoot);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) {
         return p.page == child || std::find(p.ancestors.begin(), p.ancestors.end(), child) != p.ancestors.end();
       });
     }},
    {"Truncated",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>&) {
       static constexpr uint32_t kKept = 120;
       bytes.resize(size_t{kKept} * 1024 + 300);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) {
         auto gone = [](uint32_t page) { return page > kKept; };
         return gone(p.page) || std::any_of(p.ancestors.begin(), p.ancestors.end(), gone);
       });
     }},
};

class DamagedSaveTest : public ::testing::TestWithParam<SaveDamage> {};

TEST_P(DamagedSaveTest, TheOutputHoldsEveryRowStillReachable) {
  const std::vector<uint8_t> sound = ReadFileBytes(FixturePath("bigtable.db"));
  const std::vector<RowPlace> places = MapTable(sound, kItemsRoot);
  std::vector<uint8_t> bytes = sound;
  auto lost = GetParam().damage(bytes, places);
  std::vector<int64_t> reachable;
  for (const RowPlace& place : places) {
    if (!lost(place)) reachable.push_back(place.rowid);
  }
  std::sort(reachable.begin(), reachable.end());
  ASSERT_GT(reachable.size(), 1000u);
  ASSERT_LT(reachable.size(), 3000u);

  ScratchDir dir;
  WriteFileBytes(dir.File("damaged.db"), bytes);
  auto recovery = Scan(dir.File("damaged.db"));
  ASSERT_NE(recovery->context.parser, nullptr);
  ASSERT_TRUE(SaveAll(*recovery, dir.File("out.db")));

  std::vector<ExpectedRow> want;
  for (const ExpectedRow& row : ExpectedTable(LoadExpected("bigtable"), "items")) {
    if (std::binary_search(reachable.begin(), reachable.end(), row.Rowid())) want.push_back(row);
  }
  Db db(dir.File("out.db"));
  EXPECT_EQ(db.Query("SELECT rowid, * FROM items ORDER BY rowid"),
            ReferenceRows("CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL)", "items",
                          want));
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSaveTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<SaveDamage>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace salvoran::testing
