// Rows recovered from SQLite 3 files and saved into a new database: value
// for value and type for type what SQLite itself reads from the original.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "recovery/object_preview.h"
#include "sqlite3fmt/sqlite_ver3.h"
#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

// Statements for a database that exercises every serial type.
std::vector<std::string> EveryKindOfValue() {
  std::vector<std::string> sql = {
      "CREATE TABLE numbers(id INTEGER PRIMARY KEY, i INTEGER, r REAL, t TEXT, b BLOB, n)",
      "CREATE TABLE plain(x, y)",
      "CREATE TABLE kv(k TEXT PRIMARY KEY, v) WITHOUT ROWID",
      "CREATE TABLE older(a, b)",
      "INSERT INTO older VALUES (1, 'before')",
      "ALTER TABLE older ADD COLUMN c TEXT DEFAULT 'dflt'",
      "ALTER TABLE older ADD COLUMN d INTEGER DEFAULT 42",
      "ALTER TABLE older ADD COLUMN e",
      "INSERT INTO older VALUES (2, 'after', 'x', 7, 8)",
      "CREATE INDEX numbers_i ON numbers(i, t)",
      "CREATE VIEW big AS SELECT id FROM numbers WHERE i > 100",
      "CREATE TRIGGER numbers_ins AFTER INSERT ON numbers BEGIN INSERT INTO plain VALUES (new.id, 'trig'); END",
  };
  // Integers at the 1, 2, 3, 4, 6 and 8-byte boundaries, both signs.
  const char* integers[] = {"0", "1", "-1", "127", "128", "-128", "-129", "32767", "32768", "-32768",
                            "-32769", "8388607", "8388608", "-8388608", "-8388609", "2147483647",
                            "2147483648", "-2147483648", "-2147483649", "140737488355327",
                            "140737488355328", "-140737488355328", "-140737488355329",
                            "9223372036854775807", "-9223372036854775808"};
  for (const char* v : integers) sql.push_back(std::string("INSERT INTO numbers(i) VALUES (") + v + ")");
  for (const char* r : {"0.1", "1e-300", "-0.0", "1.5", "3.141592653589793", "1e308", "-2.5e-10", "7.0"}) {
    sql.push_back(std::string("INSERT INTO numbers(r, n) VALUES (") + r + ", " + r + ")");
  }
  sql.push_back("INSERT INTO numbers(t, b) VALUES ('it''s', x'00ff00')");
  sql.push_back("INSERT INTO numbers(t, b) VALUES ('', zeroblob(0))");
  sql.push_back("INSERT INTO numbers(t) VALUES ('ünïcødé ✓ 𝄞 — "
                "\xe4\xb8\xad\xe6\x96\x87')");
  // Values that overflow through many pages at every page size.
  sql.push_back("INSERT INTO numbers(t, b) VALUES (printf('%.*c', 70000, 'z') || 'end', randomblob(90000))");
  sql.push_back("INSERT INTO numbers(t, n) VALUES (printf('%.*c', 3000, 'q'), 12)");
  for (int k = 0; k < 300; ++k) {
    sql.push_back("INSERT INTO plain VALUES (" + std::to_string(k) + ", hex(randomblob(" +
                  std::to_string(k % 50) + ")))");
    sql.push_back("INSERT INTO kv VALUES ('key" + std::to_string(k) + "', " + std::to_string(k * 1.25) + ")");
  }
  sql.push_back("DELETE FROM plain WHERE x % 7 = 3");
  return sql;
}

struct Layout {
  int pageSize;
  const char* encoding;
};

class RoundTripTest : public ::testing::TestWithParam<Layout> {};

TEST_P(RoundTripTest, OutputHoldsExactlyTheRowsSqliteReads) {
  ScratchDir dir;
  std::string input = dir.File("in.db");
  MakeDatabase(input, EveryKindOfValue(), GetParam().pageSize, GetParam().encoding);
  auto recovery = Scan(input);
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  std::string output = dir.File("out.db");
  ASSERT_TRUE(SaveAll(*recovery, output));
  EXPECT_TRUE(recovery->context.saveReport.errors.empty());

  for (const auto& [table, order] : std::vector<std::pair<std::string, std::string>>{
           {"numbers", "rowid"}, {"plain", "rowid"}, {"kv", "k"}, {"older", "rowid"}}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(TableRows(output, table, order), TableRows(input, table, order));
  }
  Db in(input);
  Db out(output);
  const char* schema = "SELECT type, name, tbl_name FROM sqlite_schema ORDER BY name";
  EXPECT_EQ(out.Query(schema), in.Query(schema));
  EXPECT_EQ(out.Column("PRAGMA encoding"), in.Column("PRAGMA encoding"));
  // The trigger is created after the rows: it fired for none of them.
  const char* fired = "SELECT count(*) FROM plain WHERE y = 'trig'";
  EXPECT_EQ(out.Column(fired), in.Column(fired));
}

INSTANTIATE_TEST_SUITE_P(PageSizesAndEncodings, RoundTripTest,
                         ::testing::Values(Layout{512, "UTF-8"}, Layout{1024, "UTF-16le"},
                                           Layout{2048, "UTF-16be"}, Layout{4096, "UTF-8"},
                                           Layout{8192, "UTF-16le"}, Layout{16384, "UTF-8"},
                                           Layout{32768, "UTF-16be"}, Layout{65536, "UTF-8"}));

TEST(RowsTest, MillionRowTableWithThreeLevels) {
  ScratchDir dir;
  std::string input = dir.File("big.db");
  MakeDatabase(input, {"CREATE TABLE t(id INTEGER PRIMARY KEY, v INTEGER, s TEXT)",
                       "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000) "
                       "INSERT INTO t SELECT x, x * 7 - 3500000, 'r' || x FROM c"});
  {
    Db db(input);
    // A root, interior pages below it, and the leaves.
    auto depth = db.Column("SELECT max(length(path) - length(replace(path, '/', ''))) FROM dbstat WHERE name='t'");
    ASSERT_GE(std::stoi(depth.at(0)), 3);
  }
  auto recovery = Scan(input);
  std::string output = dir.File("out.db");
  ASSERT_TRUE(SaveAll(*recovery, output));
  ASSERT_EQ(recovery->context.saveReport.tables.size(), 1u);
  EXPECT_EQ(recovery->context.saveReport.tables[0].rowsInserted, 1000000);
  Db db(output);
  db.Exec("ATTACH '" + input + "' AS original");
  EXPECT_EQ(db.Column("SELECT count(*) FROM (SELECT * FROM original.t EXCEPT SELECT * FROM main.t)"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(db.Column("SELECT count(*), sum(v) FROM main.t")[0], "1000000");
}

// Where each leaf page's rows lie in key order, from SQLite's own account of
// the table's pages: (leaf page, first row index, cell count, the pages whose
// damage could touch these rows).
struct LeafRows {
  uint32_t page;
  size_t first;
  size_t count;
  std::set<uint32_t> dependsOn;
};

std::vector<LeafRows> LeafLayout(const std::string& dbPath, const std::string& table) {
  Db db(dbPath);
  auto pages = db.Query("SELECT pageno, path, pagetype, ncell FROM dbstat WHERE name='" + table + "' ORDER BY path");
  // dbstat paths: "/" for the root, "/000/" for its first child, and
  // "/000/003+000001" for the second overflow page of cell 3 of that child.
  auto unquote = [](const std::string& text) { return text.substr(1, text.size() - 2); };
  std::vector<LeafRows> leaves;
  size_t index = 0;
  for (auto& row : pages) {
    if (row[2] != "'leaf'") continue;
    std::string path = unquote(row[1]);
    LeafRows leaf{static_cast<uint32_t>(std::stoul(row[0])), index, std::stoul(row[3]), {}};
    index += leaf.count;
    for (auto& other : pages) {
      std::string otherPath = unquote(other[1]);
      bool overflow = otherPath.find('+') != std::string::npos;
      bool ancestor = !overflow && path.rfind(otherPath, 0) == 0;
      bool ownOverflow = overflow && otherPath.rfind(path, 0) == 0 &&
                         otherPath.find('/', path.size()) == std::string::npos;
      if (ancestor || ownOverflow) leaf.dependsOn.insert(static_cast<uint32_t>(std::stoul(other[0])));
    }
    leaves.push_back(leaf);
  }
  return leaves;
}

// Every row that lies wholly on pages the damage did not touch is in the
// output, exactly.
void ExpectIntactRowsRecovered(const std::string& original, const std::string& output, const std::string& table,
                               const std::set<uint32_t>& damaged) {
  auto originalRows = TableRows(original, table);
  std::set<std::vector<std::string>> recovered;
  for (auto& row : TableRows(output, table)) recovered.insert(row);
  size_t expected = 0;
  for (const LeafRows& leaf : LeafLayout(original, table)) {
    bool touched = false;
    for (uint32_t page : leaf.dependsOn) touched = touched || damaged.count(page) > 0;
    if (touched) continue;
    for (size_t i = leaf.first; i < leaf.first + leaf.count; ++i) {
      ++expected;
      EXPECT_TRUE(recovered.count(originalRows[i])) << "row " << originalRows[i][0] << " is missing";
    }
  }
  EXPECT_GT(expected, 0u);
}

struct Damaged {
  std::string input;
  std::string output;
  std::unique_ptr<Recovery> recovery;
};

class DamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = dir_.File("original.db");
    std::vector<std::string> sql = {"CREATE TABLE t(id INTEGER PRIMARY KEY, s TEXT, b BLOB)"};
    for (int k = 1; k <= 3000; ++k) {
      std::string size = std::to_string(k % 97 == 0 ? 3000 : 20);
      sql.push_back("INSERT INTO t VALUES (" + std::to_string(k) + ", printf('%.*c', " + size +
                    ", 'a'), randomblob(" + std::to_string(k % 13) + "))");
    }
    MakeDatabase(original_, sql, 1024);
  }

  // Applies damage to a copy of the original and recovers it.
  Damaged Recover(const std::function<void(std::vector<uint8_t>&)>& damage) {
    Damaged result;
    result.input = dir_.File("damaged" + std::to_string(++copies_) + ".db");
    result.output = dir_.File("out" + std::to_string(copies_) + ".db");
    std::vector<uint8_t> bytes = ReadFileBytes(original_);
    damage(bytes);
    WriteFileBytes(result.input, bytes);
    result.recovery = Scan(result.input);
    SaveAll(*result.recovery, result.output);
    EXPECT_EQ(ReadFileBytes(result.input), bytes) << "the input file was written to";
    return result;
  }

  uint32_t PageOf(const std::string& pagetype, size_t which) {
    auto pages = PagesOf(original_, "t", pagetype);
    EXPECT_GT(pages.size(), which);
    return pages.at(which);
  }

  ScratchDir dir_;
  std::string original_;
  int copies_ = 0;
};

TEST_F(DamageTest, ZeroedLeafPageLosesOnlyItsRows) {
  uint32_t leaf = PageOf("leaf", 3);
  Damaged d = Recover([&](auto& bytes) { FillPage(bytes, leaf, 0); });
  ExpectIntactRowsRecovered(original_, d.output, "t", {leaf});
  size_t lost = 0;
  for (const LeafRows& rows : LeafLayout(original_, "t")) {
    if (rows.page == leaf) lost = rows.count;
  }
  EXPECT_EQ(d.recovery->context.saveReport.tables.at(0).rowsInserted, static_cast<int64_t>(3000 - lost));
  EXPECT_TRUE(d.recovery->Logged("Total " + std::to_string(3000 - lost) + " Rows inserted in table successfully"));
}

TEST_F(DamageTest, ZeroedInteriorPageKeepsTheOtherSubtrees) {
  uint32_t interior = PageOf("internal", 1);  // not the root
  Damaged d = Recover([&](auto& bytes) { FillPage(bytes, interior, 0); });
  ExpectIntactRowsRecovered(original_, d.output, "t", {interior});
}

TEST_F(DamageTest, BrokenOverflowChainKeepsEveryOtherRow) {
  uint32_t overflow = PageOf("overflow", 2);
  Damaged d = Recover([&](auto& bytes) { FillPage(bytes, overflow, 0xFF); });
  ExpectIntactRowsRecovered(original_, d.output, "t", {overflow});
  auto texts = d.recovery->MessageTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Error in reading"), 1);
}

TEST_F(DamageTest, OverwrittenCellPointerArrayAndCircularChildPointer) {
  uint32_t leaf = PageOf("leaf", 5);
  uint32_t root = RootPageOf(original_, "t");
  uint32_t interior = PageOf("internal", 1);
  Damaged d = Recover([&](auto& bytes) {
    size_t pageSize = PageSizeOf(bytes);
    // The leaf's cell pointers point at garbage offsets.
    for (size_t k = 8; k < 60; ++k) bytes[(leaf - 1) * pageSize + k] = static_cast<uint8_t>(k * 37);
    // The interior page's right-most child points back at the root.
    size_t right = (interior - 1) * pageSize + 8;
    bytes[right] = static_cast<uint8_t>(root >> 24), bytes[right + 1] = static_cast<uint8_t>(root >> 16);
    bytes[right + 2] = static_cast<uint8_t>(root >> 8), bytes[right + 3] = static_cast<uint8_t>(root);
  });
  ExpectIntactRowsRecovered(original_, d.output, "t", {leaf, interior});
  // No row is delivered twice, however the pointers loop.
  Db out(d.output);
  EXPECT_EQ(out.Column("SELECT count(*) - count(DISTINCT id) FROM t"), std::vector<std::string>{"0"});
}

TEST_F(DamageTest, RandomBitFlipsNeverCrashAndKeepUntouchedPages) {
  std::mt19937 random(20261211);
  std::set<uint32_t> damaged;
  Damaged d = Recover([&](auto& bytes) {
    size_t pageSize = PageSizeOf(bytes);
    for (int k = 0; k < 40; ++k) {
      // Leave page 1 alone so that the schema survives.
      size_t at = pageSize + random() % (bytes.size() - pageSize);
      bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
      damaged.insert(static_cast<uint32_t>(at / pageSize + 1));
    }
  });
  ExpectIntactRowsRecovered(original_, d.output, "t", damaged);
}

TEST(RowsTest, RowsThatViolateTheOutputsConstraintsAreLoggedAndSkipped) {
  ScratchDir dir;
  std::string input = dir.File("in.db");
  MakeDatabase(input, {"CREATE TABLE t(a, b, c)", "INSERT INTO t VALUES (1, 'x', 5)",
                       "INSERT INTO t VALUES (NULL, 'y', 6)", "INSERT INTO t VALUES (3, 'x', 7)",
                       "INSERT INTO t VALUES (4, 'z', -1)", "INSERT INTO t VALUES (5, 'w', 8)"});
  {
    // The stored statement now declares constraints that some stored rows
    // break, as a damaged or hand-edited file can.
    Db db(input);
    db.Exec("PRAGMA writable_schema = ON");
    db.Exec("UPDATE sqlite_schema SET sql = 'CREATE TABLE t(a NOT NULL, b UNIQUE, c CHECK (c > 0))' WHERE name = 't'");
  }
  auto recovery = Scan(input);
  std::string output = dir.File("out.db");
  SaveAll(*recovery, output);
  EXPECT_EQ(TableRows(output, "t"),
            (std::vector<std::vector<std::string>>{{"1", "'x'", "5"}, {"5", "'w'", "8"}}));
  const auto& table = recovery->context.saveReport.tables.at(0);
  EXPECT_EQ(table.rowsInserted, 2);
  EXPECT_EQ(table.rowsRejected, 3);
  int rejectedLines = 0;
  for (const std::string& line : recovery->frame.logLines()) {
    if (line.rfind("Error: ", 0) == 0 && line.find("is not written") != std::string::npos) ++rejectedLines;
  }
  EXPECT_EQ(rejectedLines, 3);
}

TEST(RowsTest, SaveLogsEachPhaseAndAsksBeforeReplacing) {
  ScratchDir dir;
  std::string input = dir.File("shop.db");
  MakeDatabase(input, {"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT)", "INSERT INTO t VALUES (1, 'a')",
                       "INSERT INTO t VALUES (2, 'b')"});
  auto recovery = Scan(input);
  std::string output = MakeRepairedPath(input);
  EXPECT_EQ(output, dir.File("Repaired_shop.db"));
  WriteFileBytes(output, {'o', 'l', 'd'});
  recovery->context.outputPath.clear();
  recovery->frame.Tree().SetCheck(recovery->context.rootNode, true);
  // Declining keeps the old file.
  EXPECT_FALSE(recovery->context.parser->CreateRecoveredDatabase(input));
  EXPECT_EQ(ReadFileBytes(output), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(recovery->MessageTexts().back(), "The Database File " + output +
                                                 " Already exist.\n Exisitng file will be Deleted. Do you want "
                                                 "to Continue ?");
  // Accepting replaces it.
  ASSERT_TRUE(SaveAll(*recovery, output));
  EXPECT_EQ(TableRows(output, "t"), TableRows(input, "t"));
  for (const char* line : {"Creating Database", "Database have total 2 Entries", "Table t contain 2 rows",
                           "Total 2 Rows inserted in table successfully", "Database Table created successfully",
                           "Database Index schema created successfully", "Database views created successfully",
                           "Database Triggers created successfully"}) {
    EXPECT_TRUE(recovery->Logged(line)) << line;
  }
  EXPECT_EQ(recovery->frame.Grid().RowCount(), 0u);
}

TEST(RowsTest, SaveToAnUnwritableFolderIsReported) {
  ScratchDir dir;
  std::string input = dir.File("in.db");
  MakeDatabase(input, {"CREATE TABLE t(a)", "INSERT INTO t VALUES (1)"});
  auto recovery = Scan(input);
  EXPECT_FALSE(SaveAll(*recovery, dir.File("no/such/folder/out.db")));
  EXPECT_TRUE(recovery->context.saveReport.outputUnwritable);
  ASSERT_FALSE(recovery->context.saveReport.errors.empty());
  EXPECT_EQ(recovery->context.saveReport.errors[0].rfind("Error: ", 0), 0u);
}

// The preview of a table, an index and a category, as a click would start it.
TEST(PreviewTest, TableIndexAndCategoryPreviews) {
  ScratchDir dir;
  std::string input = dir.File("in.db");
  MakeDatabase(input, {"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, r REAL, b BLOB, n)",
                       "INSERT INTO t VALUES (1, 'it''s', 1.5, x'01', NULL)",
                       "INSERT INTO t VALUES (2, 'two', 0.1, NULL, 3)", "CREATE INDEX t_name ON t(name, r)"});
  auto recovery = Scan(input);
  ObjectTree& tree = recovery->frame.Tree();
  TreeItem table = tree.GetChildItem(recovery->context.tablesNode);
  TreeItem index = tree.GetChildItem(recovery->context.indexesNode);
  ASSERT_NE(table, kNoItem);
  ASSERT_NE(index, kNoItem);

  TreeItem previewItem = kNoItem;
  ASSERT_TRUE(StartObjectPreview(recovery->context, recovery->frame, table, &previewItem));
  // A second click while the first runs is refused.
  EXPECT_FALSE(StartObjectPreview(recovery->context, recovery->frame, index, &previewItem));
  EXPECT_EQ(recovery->MessageTexts().back(), "Please wait for the running process.");
  ObjectPreviewWorker(recovery->context, recovery->frame);
  EXPECT_FALSE(recovery->context.running);
  RecordGrid& grid = recovery->frame.Grid();
  ASSERT_EQ(grid.ColumnCount(), 5u);
  EXPECT_EQ(grid.ColumnHeader(0), "id< P.K >");
  EXPECT_EQ(grid.Row(0), (GridRow{"1", "it's", "1.5", "< Blob Data >", "NULL"}));
  EXPECT_EQ(grid.Row(1), (GridRow{"2", "two", "0.1", "NULL", "3"}));
  EXPECT_EQ(recovery->frame.captionText(), tree.GetItemText(table) + "[2]");
  EXPECT_TRUE(recovery->frame.gridShown());
  EXPECT_TRUE(recovery->Logged("Scanning process completed for folder: " + tree.GetItemText(table)));
  EXPECT_EQ(recovery->frame.progressRanges().back(), 2);

  ASSERT_TRUE(StartObjectPreview(recovery->context, recovery->frame, index, &previewItem));
  ObjectPreviewWorker(recovery->context, recovery->frame);
  EXPECT_EQ(recovery->frame.sqlText(), "CREATE INDEX t_name ON t(name, r)");
  EXPECT_EQ(grid.ColumnCount(), 0u);
  EXPECT_FALSE(recovery->frame.gridShown());

  ASSERT_TRUE(StartObjectPreview(recovery->context, recovery->frame, recovery->context.tablesNode, &previewItem));
  ObjectPreviewWorker(recovery->context, recovery->frame);
  EXPECT_EQ(recovery->frame.captionText(), "TABLES  ");
  EXPECT_FALSE(recovery->Logged("Scanning process completed for folder: TABLES  "));
}

TEST(PreviewTest, StopEndsALongPreviewEarly) {
  ScratchDir dir;
  std::string input = dir.File("in.db");
  MakeDatabase(input, {"CREATE TABLE t(a)", "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                            "WHERE x < 200000) INSERT INTO t SELECT x FROM c"});
  auto recovery = Scan(input);
  TreeItem table = recovery->frame.Tree().GetChildItem(recovery->context.tablesNode);
  recovery->frame.SetProgressListener([&](int64_t position, int64_t) {
    if (position >= 1000) recovery->context.stopRequested = true;
  });
  TreeItem previewItem = kNoItem;
  ASSERT_TRUE(StartObjectPreview(recovery->context, recovery->frame, table, &previewItem));
  ObjectPreviewWorker(recovery->context, recovery->frame);
  size_t rows = recovery->frame.Grid().RowCount();
  EXPECT_GE(rows, 1000u);
  EXPECT_LT(rows, 200000u);
  EXPECT_FALSE(recovery->context.stopRequested);  // cleared after the load
  EXPECT_EQ(recovery->frame.progressPositions().back(), 200000);
}

}  // namespace
}  // namespace salvoran::testing
