// Rows recovered from SQLite 2 files: value for value what the real SQLite
// 2.8 library read from them, in key order, through the preview and the
// insert paths, with counts, stop requests and both readers.
#include <gtest/gtest.h>

#include "recovery/object_preview.h"
#include "recovery/value_text.h"
#include "sqlite2fmt/sqlite_ver2.h"
#include "tests/sqlite2_fixtures.h"

namespace salvoran::testing {
namespace {

using namespace sqlite2fixtures;

// The tables of a ground-truth file, by the titles of its table sections.
std::vector<std::string> ExpectedTables(const ExpectedFile& file) {
  std::vector<std::string> tables;
  for (const auto& [title, rows] : file) {
    if (title.rfind("table ", 0) == 0) tables.push_back(title.substr(6, title.find(" (") - 6));
  }
  return tables;
}

void ExpectTableAsRead(Recovery& recovery, const ExpectedFile& expected, const std::string& table) {
  SCOPED_TRACE(table);
  std::vector<ExpectedRow> want = ExpectedTable(expected, table);
  std::vector<RecoveredRow> got = RecoverRows(recovery, table);
  ASSERT_EQ(got.size(), want.size());
  const int key = KeyColumnOf(recovery, table);
  for (size_t r = 0; r < got.size(); ++r) ExpectSameRow(got[r], want[r], key);
}

class FixtureRowsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRowsTest, EveryTableGivesTheRowsTheLibraryRead) {
  const std::string name = GetParam();
  auto recovery = Scan(FixturePath(name == "prefixed" ? "prefixed.bin" : name + ".db"));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  ExpectedFile expected = LoadExpected(name);
  std::vector<std::string> tables = ExpectedTables(expected);
  ASSERT_FALSE(tables.empty());
  for (const std::string& table : tables) ExpectTableAsRead(*recovery, expected, table);
  EXPECT_TRUE(recovery->frame.messages().size() == 1) << "only the completion message is shown";
}

INSTANTIATE_TEST_SUITE_P(Sqlite2Fixtures, FixtureRowsTest,
                         ::testing::Values("basic", "multi", "overflow", "bigtable", "bigschema", "deleted",
                                           "bigendian", "prefixed"));

TEST(Sqlite2Rows, OverflowRowsKeepTheirWholeValues) {
  auto recovery = Scan(FixturePath("overflow.db"));
  std::vector<RecoveredRow> rows = RecoverRows(*recovery, "blobs");
  ASSERT_EQ(rows.size(), 15u);
  // The body lengths of the fixture, NULL for row 1.
  const size_t lengths[] = {0, 0, 223, 224, 239, 240, 246, 247, 1239, 1240, 1500, 5000, 65522, 70000, 10};
  for (size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].values.at(2).bytes.size(), lengths[r]) << "row " << rows[r].rowid;
  }
  EXPECT_EQ(rows[0].values.at(2).type, ValueType::Null);
  EXPECT_EQ(rows[13].values.at(2).bytes.substr(0, 9), "[14:70000");
  EXPECT_EQ(rows[14].values.at(1).bytes.size(), 300u);
}

TEST(Sqlite2Rows, PreviewFillsTheGridAndReportsProgress) {
  auto recovery = Scan(FixturePath("basic.db"));
  ObjectTree& tree = recovery->frame.Tree();
  std::vector<TreeItem> tables = tree.Children(recovery->context.tablesNode);
  ASSERT_EQ(tables.size(), 1u);
  recovery->frame.ClearRecords();
  TreeItem previewItem = kNoItem;
  ASSERT_TRUE(StartObjectPreview(recovery->context, recovery->frame, tables[0], &previewItem));
  ObjectPreviewWorker(recovery->context, recovery->frame);

  std::vector<ExpectedRow> want = ExpectedTable(LoadExpected("basic"), "people");
  RecordGrid& grid = recovery->frame.Grid();
  ASSERT_EQ(grid.RowCount(), want.size());
  EXPECT_EQ(grid.ColumnHeader(0), "id< P.K >");
  for (size_t r = 0; r < want.size(); ++r) {
    GridRow expected;
    for (size_t c = 1; c < want[r].values.size(); ++c) {
      expected.push_back(want[r].values[c].isNull ? kNullText : want[r].values[c].text);
    }
    EXPECT_EQ(grid.Row(r), expected);
  }
  EXPECT_EQ(recovery->frame.progressRanges(), std::vector<int64_t>{8});
  std::vector<int64_t> positions = recovery->frame.progressPositions();
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  EXPECT_EQ(positions, (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_TRUE(recovery->Logged("Table peoplehave8 entry"));
  EXPECT_EQ(recovery->frame.captionText(), " people[8]");
  EXPECT_FALSE(recovery->context.running);
}

TEST(Sqlite2Rows, CountsMatchTheRowsOfEveryTable) {
  for (const char* name : {"multi", "bigtable", "bigschema", "bigendian"}) {
    SCOPED_TRACE(name);
    auto recovery = Scan(FixturePath(std::string(name) + ".db"));
    sqlite_base& parser = *recovery->context.parser;
    ExpectedFile expected = LoadExpected(name);
    int64_t sum = 0;
    for (const std::string& table : ExpectedTables(expected)) {
      int index = TableIndex(parser.catalog(), table);
      ASSERT_GE(index, 0) << table;
      parser.rowCountAccumulator = 0;
      int64_t count = parser.CountTableRecords(recovery->context.inputPath,
                                               parser.catalog().tableDetails[static_cast<size_t>(index)].rootPage);
      EXPECT_EQ(count, static_cast<int64_t>(ExpectedTable(expected, table).size())) << table;
      sum += count;
    }
    recovery->frame.Tree().SetCheck(recovery->context.rootNode, true);
    EXPECT_EQ(parser.CountSelectedRecords(), sum);
  }
}

TEST(Sqlite2Rows, StopRequestEndsTheWalkAndReportsTheTotal) {
  auto recovery = Scan(FixturePath("bigtable.db"));
  CapturingSink sink;
  sink.afterRow = [&](size_t rows) {
    if (rows == 100) recovery->context.stopRequested = true;
  };
  recovery->frame.ClearRecords();
  EXPECT_EQ(RecoverRows(*recovery, "items", &sink).size(), 100u);
  EXPECT_EQ(recovery->frame.progressPositions().back(), 3000);

  // Asked before it starts, the walk delivers nothing.
  EXPECT_TRUE(RecoverRows(*recovery, "items").empty());
  recovery->context.stopRequested = false;
  EXPECT_EQ(RecoverRows(*recovery, "items").size(), 3000u);
}

TEST(Sqlite2Rows, InsertModeFeedsTheSinkAndTheGridUnlessSuppressed) {
  auto recovery = Scan(FixturePath("multi.db"));
  RecoveryContext& context = recovery->context;
  for (bool suppress : {false, true}) {
    SCOPED_TRACE(suppress);
    recovery->frame.Grid().DeleteAllRows();
    context.suppressGrid = suppress;
    context.insertedRows = 0;
    context.progressPosition = 0;
    EXPECT_EQ(RecoverRows(*recovery, "orders").size(), 6u);
    EXPECT_EQ(context.insertedRows, 6u);
    EXPECT_EQ(context.progressPosition, 6u);
    EXPECT_EQ(recovery->frame.Grid().RowCount(), suppress ? 0u : 6u);
  }
}

TEST(Sqlite2Rows, DiskReaderGivesTheSameRows) {
  for (const char* name : {"overflow", "bigendian"}) {
    SCOPED_TRACE(name);
    auto recovery = Scan(FixturePath(std::string(name) + ".db"));
    auto disk = std::make_unique<Reader_Disk>();
    ASSERT_TRUE(disk->Open(recovery->context.inputPath));
    recovery->context.reader = std::move(disk);
    ExpectedFile expected = LoadExpected(name);
    for (const std::string& table : ExpectedTables(expected)) ExpectTableAsRead(*recovery, expected, table);
  }
}

}  // namespace
}  // namespace salvoran::testing
