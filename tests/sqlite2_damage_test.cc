// Damaged and displaced SQLite 2 files: every walk ends, and keeps exactly
// the rows (and schema objects) that the damage leaves reachable, each with
// the values the real library read from the sound file.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/sqlite2_fixtures.h"

namespace salvoran::testing {
namespace {

using namespace sqlite2fixtures;

constexpr uint32_t kItemsRoot = 3;  // table items of bigtable.db

// The place of the row with this rowid.
const RowPlace& PlaceOf(const std::vector<RowPlace>& places, int64_t rowid) {
  return *std::find_if(places.begin(), places.end(), [&](const RowPlace& p) { return p.rowid == rowid; });
}

bool Below(const RowPlace& place, uint32_t page) {
  return place.page == page || std::find(place.ancestors.begin(), place.ancestors.end(), page) != place.ancestors.end();
}

// One kind of damage: it changes the bytes and says which rows it loses.
struct DamageCase {
  const char* name;
  std::function<std::function<bool(const RowPlace&)>(std::vector<uint8_t>&, const std::vector<RowPlace>&)> damage;
  bool logged;  // the walk reports what it met
};

const DamageCase kCases[] = {
    {"ZeroedLeaf",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       uint32_t leaf = PlaceOf(places, 1500).page;
       std::fill_n(bytes.begin() + static_cast<long>(PageStart(leaf)), 1024, 0);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) { return p.page == leaf; });
     },
     true},
    {"NextCellPointsBackIntoItsChain",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       uint32_t leaf = PlaceOf(places, 1500).page;
       uint16_t first = 0, third = 0;
       for (const RowPlace& p : places) {
         if (p.page == leaf && p.chainIndex == 0) first = p.cellOffset;
         if (p.page == leaf && p.chainIndex == 2) third = p.cellOffset;
       }
       PutLe16(bytes, PageStart(leaf) + third + 6, first);
       return std::function<bool(const RowPlace&)>(
           [=](const RowPlace& p) { return p.page == leaf && p.chainIndex > 2; });
     },
     true},
    {"LeafRightChildPointsToTheRoot",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       PutLe32(bytes, PageStart(PlaceOf(places, 1500).page), kItemsRoot);
       return std::function<bool(const RowPlace&)>([](const RowPlace&) { return false; });
     },
     true},
    {"InteriorLeftChildPointsToTheRoot",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>& places) {
       const RowPlace& place = PlaceOf(places, 1500);
       uint32_t interior = place.ancestors.at(1);
       size_t firstCell = PageStart(interior) + Le16(bytes, PageStart(interior) + 4);
       uint32_t child = Le32(bytes, firstCell);
       PutLe32(bytes, firstCell, kItemsRoot);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) { return Below(p, child); });
     },
     true},
    {"Truncated",
     [](std::vector<uint8_t>& bytes, const std::vector<RowPlace>&) {
       static constexpr uint32_t kKept = 150;
       bytes.resize(size_t{kKept} * 1024 + 500);
       return std::function<bool(const RowPlace&)>([=](const RowPlace& p) {
         auto gone = [](uint32_t page) { return page > kKept; };
         return gone(p.page) || std::any_of(p.ancestors.begin(), p.ancestors.end(), gone);
       });
     },
     true},
};

class DamagedTableTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedTableTest, KeepsEveryRowStillReachable) {
  const std::vector<uint8_t> sound = ReadFileBytes(FixturePath("bigtable.db"));
  const std::vector<RowPlace> places = MapTable(sound, kItemsRoot);
  ASSERT_EQ(places.size(), 3000u);
  std::vector<uint8_t> bytes = sound;
  auto lost = GetParam().damage(bytes, places);
  std::vector<int64_t> reachable;
  for (const RowPlace& place : places) {
    if (!lost(place)) reachable.push_back(place.rowid);
  }
  ASSERT_GT(reachable.size(), 2000u);

  ScratchDir dir;
  WriteFileBytes(dir.File("damaged.db"), bytes);
  auto recovery = Scan(dir.File("damaged.db"));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  std::vector<RecoveredRow> rows = RecoverRows(*recovery, "items");

  std::vector<int64_t> rowids;
  for (const RecoveredRow& row : rows) rowids.push_back(row.rowid);
  EXPECT_EQ(rowids, reachable);
  std::map<int64_t, ExpectedRow> want;
  for (const ExpectedRow& row : ExpectedTable(LoadExpected("bigtable"), "items")) want[row.Rowid()] = row;
  for (const RecoveredRow& row : rows) ExpectSameRow(row, want.at(row.rowid), 0);

  bool logged = false;
  for (const std::string& line : recovery->frame.logLines()) logged = logged || line.rfind("Table items: ", 0) == 0;
  EXPECT_EQ(logged, GetParam().logged);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedTableTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(Sqlite2Damage, BrokenOverflowChainKeepsTheValueRead) {
  std::vector<uint8_t> bytes = ReadFileBytes(FixturePath("overflow.db"));
  const RowPlace place = PlaceOf(MapTable(bytes, 3), 14);
  // Follow row 14's chain for ten pages and send the tenth one nowhere.
  uint32_t overflow = Le32(bytes, PageStart(place.page) + place.cellOffset + 12 + 236);
  for (int k = 1; k < 10; ++k) overflow = Le32(bytes, PageStart(overflow));
  PutLe32(bytes, PageStart(overflow), 99999);
  ScratchDir dir;
  WriteFileBytes(dir.File("cut.db"), bytes);
  auto recovery = Scan(dir.File("cut.db"));
  std::vector<RecoveredRow> rows = RecoverRows(*recovery, "blobs");
  std::vector<ExpectedRow> want = ExpectedTable(LoadExpected("overflow"), "blobs");
  ASSERT_EQ(rows.size(), want.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].rowid == 14) continue;
    ExpectSameRow(rows[r], want[r], 0);
  }
  // 232 record bytes in the cell and ten full pages; the body starts after
  // 12 bytes of offsets and the 4 bytes of its label.
  const Value& body = rows[13].values.at(2);
  EXPECT_EQ(body, Value::Text(want[13].values.at(3).text.substr(0, 232 + 10 * 1020 - 16)));
  EXPECT_TRUE(recovery->Logged("Table blobs: row 14 on page " + std::to_string(place.page) +
                               " is cut short; the values read are kept"));
}

TEST(Sqlite2Damage, SchemaChildPointingToItsRootLosesOnlyThatSubtree) {
  std::vector<uint8_t> bytes = ReadFileBytes(FixturePath("bigschema.db"));
  const std::vector<RowPlace> places = MapTable(bytes, 2);
  ASSERT_EQ(places.size(), 91u);
  const uint32_t interior = places.front().ancestors.at(1);
  const size_t firstCell = PageStart(interior) + Le16(bytes, PageStart(interior) + 4);
  const uint32_t child = Le32(bytes, firstCell);
  PutLe32(bytes, firstCell, 2);
  std::set<int64_t> lost;
  for (const RowPlace& place : places) {
    if (Below(place, child)) lost.insert(place.rowid);
  }
  ASSERT_FALSE(lost.empty());

  ScratchDir dir;
  WriteFileBytes(dir.File("schema.db"), bytes);
  auto recovery = Scan(dir.File("schema.db"));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  ExpectedFile expected = LoadExpected("bigschema");
  std::vector<std::string> want;
  for (const ExpectedRow& row : ExpectedMaster(expected)) {
    if (row.values[1].text == "table" && !lost.count(row.Rowid())) want.push_back(row.values[2].text);
  }
  std::vector<std::string> got;
  for (const TableDetails& table : recovery->context.parser->catalog().tableDetails) got.push_back(table.name);
  EXPECT_EQ(got, want);
  EXPECT_TRUE(recovery->Logged("Schema table: page 2 (child of page " + std::to_string(interior) +
                               ") was already read; the loop is not followed"));
  // The tables still listed give their rows.
  for (const std::string& table : {want.front(), want.back()}) {
    std::vector<RecoveredRow> rows = RecoverRows(*recovery, table);
    ASSERT_EQ(rows.size(), 1u) << table;
    ExpectSameRow(rows[0], ExpectedTable(expected, table).at(0), 0);
  }
}

TEST(Sqlite2Damage, DatabaseAfterOtherBytesIsReadFromItsStart) {
  std::vector<uint8_t> bytes(37);
  for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 37 + 11);
  std::vector<uint8_t> database = ReadFileBytes(FixturePath("bigendian.db"));
  bytes.insert(bytes.end(), database.begin(), database.end());
  ScratchDir dir;
  WriteFileBytes(dir.File("inside.bin"), bytes);
  auto recovery = Scan(dir.File("inside.bin"));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_EQ(recovery->context.startOffset, 37u);
  ExpectedFile expected = LoadExpected("bigendian");
  for (const char* table : {"people", "customers", "orders", "products", "audit", "blobs"}) {
    SCOPED_TRACE(table);
    std::vector<ExpectedRow> want = ExpectedTable(expected, table);
    std::vector<RecoveredRow> rows = RecoverRows(*recovery, table);
    ASSERT_EQ(rows.size(), want.size());
    for (size_t r = 0; r < rows.size(); ++r) ExpectSameRow(rows[r], want[r], KeyColumnOf(*recovery, table));
  }
}

TEST(Sqlite2Damage, FileWithoutASchemaPageEndsTheScanWithErrors) {
  std::vector<uint8_t> bytes = ReadFileBytes(FixturePath("basic.db"));
  bytes.resize(1024 + 300);
  ScratchDir dir;
  WriteFileBytes(dir.File("short.db"), bytes);
  auto recovery = Scan(dir.File("short.db"));
  EXPECT_EQ(recovery->outcome, ScanOutcome::EndedWithErrors);
  EXPECT_TRUE(recovery->frame.Tree().Children(recovery->context.tablesNode).empty());
}

}  // namespace
}  // namespace salvoran::testing
