// The structures of the files our Jet 4 writer makes that neither reader
// checks (header constants, the global map, free-space maps, the catalog's
// indexes, permissions), decoded from the written bytes and compared with
// the Jet 4 format; and the row layout, byte for byte, against rows the Jet
// engine writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "platform/dao/jet_header_page.h"
#include "platform/dao/jet_rc4.h"
#include "platform/dao/jet_usage_map.h"
#include "tests/support/test_support.h"

namespace salvoran {
namespace {

using testing::ScratchDir;
using Bytes = std::vector<uint8_t>;
constexpr size_t kPage = 4096;

uint16_t U16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint32_t BigEndian(std::span<const uint8_t> b, size_t at, size_t width) {
  uint32_t v = 0;
  for (size_t i = 0; i < width; ++i) v = (v << 8) | b[at + i];
  return v;
}

// A written file, read back page by page.
class JetFile {
 public:
  explicit JetFile(const std::string& path) : bytes_(testing::ReadFileBytes(path)) {}
  size_t PageCount() const { return bytes_.size() / kPage; }
  std::span<const uint8_t> Page(uint32_t n) const { return {bytes_.data() + n * kPage, kPage}; }

  // The rows of a data page, in row-number order.
  std::vector<Bytes> Rows(uint32_t n) const {
    std::span<const uint8_t> page = Page(n);
    std::vector<Bytes> rows;
    size_t end = kPage;
    for (size_t i = 0; i < U16(page, 12); ++i) {
      const size_t start = U16(page, 14 + 2 * i) & 0x1FFF;
      rows.emplace_back(page.begin() + static_cast<std::ptrdiff_t>(start), page.begin() + static_cast<std::ptrdiff_t>(end));
      end = start;
    }
    return rows;
  }
  Bytes Row(uint32_t pointer) const { return Rows(pointer >> 8).at(pointer & 0xFF); }

  // The pages a usage-map row names.
  std::set<uint32_t> MapPages(uint32_t pointer) const {
    const Bytes row = Row(pointer);
    std::set<uint32_t> pages;
    if (row[0] == 0) {
      const uint32_t start = U32(row, 1);
      for (size_t bit = 0; bit < (row.size() - 5) * 8; ++bit) {
        if (row[5 + bit / 8] & (1u << (bit % 8))) pages.insert(start + static_cast<uint32_t>(bit));
      }
    } else {
      EXPECT_EQ(row[0], 1);
      for (size_t k = 0; k < 17; ++k) {
        const uint32_t bitmapPage = U32(row, 1 + 4 * k);
        if (bitmapPage == 0) continue;
        std::span<const uint8_t> bitmap = Page(bitmapPage);
        EXPECT_EQ(bitmap[0], 0x05);
        for (size_t bit = 0; bit < (kPage - 4) * 8; ++bit) {
          if (bitmap[4 + bit / 8] & (1u << (bit % 8))) pages.insert(static_cast<uint32_t>(k * 32736 + bit));
        }
      }
    }
    return pages;
  }

  // Pages of type 01 with this owner.
  std::set<uint32_t> DataPagesOwnedBy(uint32_t owner) const {
    std::set<uint32_t> pages;
    for (uint32_t n = 1; n < PageCount(); ++n) {
      if (Page(n)[0] == 0x01 && U32(Page(n), 4) == owner) pages.insert(n);
    }
    return pages;
  }

 private:
  Bytes bytes_;
};

std::string MakeDatabase(const ScratchDir& dir, const std::string& name, const std::vector<std::string>& ddl) {
  const std::string path = dir.File(name);
  CDaoDatabase db;
  db.Create(path);
  for (const std::string& sql : ddl) db.Execute(sql);
  db.Close();
  return path;
}

TEST(JetFormatTest, TheHeaderPageHoldsJetsConstantsUnderItsMask) {
  // The keystream of the header mask, from the format notes.
  std::array<uint8_t, 16> stream{};
  jet::Rc4Apply(jet::kHeaderMaskKey, stream);
  EXPECT_EQ(stream, (std::array<uint8_t, 16>{0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72,
                                             0x43, 0x3F, 0x00, 0x9C}));
  ScratchDir dir;
  const JetFile file(MakeDatabase(dir, "empty.mdb", {}));
  Bytes page(file.Page(0).begin(), file.Page(0).end());
  EXPECT_EQ(Bytes(page.begin(), page.begin() + 4), (Bytes{0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(std::string(page.begin() + 4, page.begin() + 19), "Standard Jet DB");
  EXPECT_EQ(U32(page, 0x14), 1u);  // Jet 4
  jet::Rc4Apply(jet::kHeaderMaskKey, std::span<uint8_t>(page.data() + 0x18, 128));
  EXPECT_EQ(U16(page, 0x3C), 1252);  // code page
  EXPECT_EQ(U32(page, 0x3E), 0u);    // no page encryption
  for (size_t i = 0; i < 40; i += 4) EXPECT_EQ(U32(page, 0x42 + i), 0x0000A762u) << "empty password mask";
  EXPECT_EQ(U32(page, 0x6A), 0x11A6u);
  EXPECT_EQ(U16(page, 0x6E), 1033);  // sort order General
  EXPECT_EQ(page[0x71], 0);          // legacy version
  EXPECT_EQ(Bytes(page.begin() + 0x72, page.begin() + 0x7A), (Bytes{0x81, 0xAF, 0xD4, 0x6B, 0x4F, 0xEC, 0xE4, 0x40}));
  EXPECT_EQ(U32(page, 0x98), 0x654u);
  EXPECT_EQ(std::memcmp(page.data() + 0x9C, "4.0", 4), 0);
  EXPECT_EQ(U16(page, 0xE00), 0x0101);
  for (size_t i = 0; i < 255; ++i) EXPECT_EQ(U16(page, 0xE02 + 2 * i), 0x0100);
}

TEST(JetFormatTest, AnEmptyDatabaseHasTheFourSystemTablesAndAnExactGlobalMap) {
  ScratchDir dir;
  const JetFile file(MakeDatabase(dir, "empty.mdb", {}));
  const size_t pages = file.PageCount();
  ASSERT_GT(pages, 6u);

  // Page 1: owner 1, the map of free pages (every page at or after the end)
  // and Jet's empty second map.
  std::span<const uint8_t> page1 = file.Page(1);
  EXPECT_EQ(page1[0], 0x01);
  EXPECT_EQ(U32(page1, 4), 1u);
  const std::vector<Bytes> rows = file.Rows(1);
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[0].size(), 5u + 64u);
  EXPECT_EQ(rows[0][0], 0);
  EXPECT_EQ(U32(rows[0], 1), 0u);
  for (size_t p = 0; p < 64 * 8; ++p) {
    EXPECT_EQ((rows[0][5 + p / 8] >> (p % 8)) & 1, p >= pages ? 1 : 0) << "page " << p;
  }
  EXPECT_EQ(rows[1], Bytes(69, 0));

  struct SystemTable {
    uint32_t page;
    uint32_t rows;
    uint16_t columns;
    uint16_t variableColumns;
    uint32_t logicalIndexes;
    uint32_t realIndexes;
  };
  for (const SystemTable& t : {SystemTable{2, 8, 17, 11, 2, 2}, SystemTable{3, 16, 4, 1, 1, 1},
                               SystemTable{4, 0, 8, 4, 1, 1}, SystemTable{5, 0, 8, 5, 3, 3}}) {
    std::span<const uint8_t> tdef = file.Page(t.page);
    EXPECT_EQ(tdef[0], 0x02) << t.page;
    EXPECT_EQ(U32(tdef, 4), 0u);  // one page
    EXPECT_EQ(U32(tdef, 16), t.rows) << t.page;
    EXPECT_EQ(tdef[40], 0x53) << t.page;
    EXPECT_EQ(U16(tdef, 41), t.columns);
    EXPECT_EQ(U16(tdef, 43), t.variableColumns);
    EXPECT_EQ(U16(tdef, 45), t.columns);
    EXPECT_EQ(U32(tdef, 47), t.logicalIndexes);
    EXPECT_EQ(U32(tdef, 51), t.realIndexes);
    // The owned map lists exactly the table's data pages.
    EXPECT_EQ(file.MapPages(U32(tdef, 55)), file.DataPagesOwnedBy(t.page)) << t.page;
    EXPECT_EQ(U16(tdef, 2), kPage - 8 - U32(tdef, 8)) << "free space of " << t.page;
  }
  EXPECT_EQ(file.DataPagesOwnedBy(4).size() + file.DataPagesOwnedBy(5).size(), 0u);
}

TEST(JetFormatTest, RowsAreLaidOutByteForByteAsJetLaysThemOut) {
  ScratchDir dir;
  const std::string path = dir.File("rows.mdb");
  {
    CDaoDatabase db;
    db.Create(path);
    db.Execute("create Table [t] ( [n]  LONG, [s]  TEXT(20), [ok]  YESNO, [m]  MEMO )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [t]", 0);
    rs.AddNew();
    rs.SetFieldValue("n", COleVariant(std::string("7")));
    rs.SetFieldValue("s", COleVariant(std::string("abc")));
    rs.SetFieldValue("ok", COleVariant(std::string("True")));
    rs.SetFieldValue("m", COleVariant(std::string("hi")));
    rs.Update();
    rs.AddNew();
    rs.SetFieldValue("s", COleVariant(std::string("Жу")));
    rs.Update();
    db.Close();
  }
  const JetFile file(path);
  // The first user table takes page 6; its first data page follows.
  ASSERT_EQ(file.Page(6)[0], 0x02);
  std::span<const uint8_t> page = file.Page(7);
  EXPECT_EQ(page[0], 0x01);
  EXPECT_EQ(U32(page, 4), 6u);
  const std::vector<Bytes> rows = file.Rows(7);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Bytes{0x04, 0x00, 0x07, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0x61, 0x62, 0x63, 0x04, 0x00, 0x00,
                            0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x68, 0x00, 0x69, 0x00, 0x1B,
                            0x00, 0x0B, 0x00, 0x06, 0x00, 0x02, 0x00, 0x0F}));
  EXPECT_EQ(rows[1], (Bytes{0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x04, 0x43, 0x04, 0x0A, 0x00, 0x0A, 0x00,
                            0x06, 0x00, 0x02, 0x00, 0x02}));
  EXPECT_EQ(U16(page, 2), kPage - 14 - 2 * 2 - rows[0].size() - rows[1].size());
  EXPECT_EQ(U32(file.Page(6), 16), 2u);  // row count
}

// All entries of an index, walking its tree from the root; checks the page
// layout on the way.
std::vector<Bytes> IndexEntries(const JetFile& file, uint32_t root, uint32_t tablePage, std::set<uint32_t>& pages) {
  std::vector<Bytes> leafEntries;
  std::vector<uint32_t> level{root};
  for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
    std::vector<uint32_t> below;
    for (size_t i = 0; i < level.size(); ++i) {
      std::span<const uint8_t> page = file.Page(level[i]);
      pages.insert(level[i]);
      EXPECT_TRUE(page[0] == 0x03 || page[0] == 0x04);
      EXPECT_EQ(U32(page, 4), tablePage);
      EXPECT_EQ(U32(page, 12), i > 0 ? level[i - 1] : 0u) << "previous page";
      EXPECT_EQ(U32(page, 16), i + 1 < level.size() ? level[i + 1] : 0u) << "next page";
      size_t start = 0x1E0;
      for (size_t bit = 1; bit <= kPage - 0x1E0; ++bit) {
        if (!(page[27 + bit / 8] & (1u << (bit % 8)))) continue;
        Bytes entry(page.begin() + static_cast<std::ptrdiff_t>(start), page.begin() + static_cast<std::ptrdiff_t>(0x1E0 + bit));
        start = 0x1E0 + bit;
        if (page[0] == 0x04) {
          leafEntries.push_back(entry);
        } else {
          const uint32_t child = BigEndian(entry, entry.size() - 4, 4);
          below.push_back(child);
          // A node entry repeats the last entry of its child.
          std::span<const uint8_t> childPage = file.Page(child);
          const size_t childEnd = kPage - U16(childPage, 2);
          const size_t length = entry.size() - 4;
          if (childPage[0] == 0x04) {
            EXPECT_TRUE(std::equal(entry.begin(), entry.end() - 4,
                                   childPage.begin() + static_cast<std::ptrdiff_t>(childEnd - length)));
          }
        }
      }
      EXPECT_EQ(U16(page, 2), kPage - start) << "free space";
    }
    level = below;
  }
  return leafEntries;
}

TEST(JetFormatTest, TheCatalogIndexesHoldEveryObjectInKeyOrder) {
  ScratchDir dir;
  std::vector<std::string> ddl;
  for (int i = 0; i < 400; ++i) ddl.push_back("create Table [Table_" + std::to_string(1000 + i) + "_xyz] ( [v]  LONG )");
  const JetFile file(MakeDatabase(dir, "many.mdb", ddl));
  std::span<const uint8_t> tdef = file.Page(2);
  ASSERT_EQ(U32(tdef, 51), 2u);
  // Real-index blocks follow the slots, the 17 descriptors and the names.
  size_t at = 63 + 2 * 12 + 17 * 25;
  for (int c = 0; c < 17; ++c) at += 2 + U16(tdef, at);
  const std::set<uint32_t> catalogPages = file.DataPagesOwnedBy(2);
  for (int index = 0; index < 2; ++index) {
    const size_t block = at + 52 * static_cast<size_t>(index);
    EXPECT_EQ(U32(tdef, block), 1923u);
    EXPECT_EQ(U32(tdef, 63 + 12 * static_cast<size_t>(index) + 4), 408u) << "distinct keys";
    std::set<uint32_t> pages;
    const std::vector<Bytes> entries = IndexEntries(file, U32(tdef, block + 38), 2, pages);
    ASSERT_EQ(entries.size(), 408u);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_GT(pages.size(), 1u);  // several levels
    EXPECT_EQ(file.MapPages(U32(tdef, block + 34)), pages) << "the index's usage map";
    for (const Bytes& entry : entries) {
      const uint32_t page = BigEndian(entry, entry.size() - 4, 3);
      EXPECT_TRUE(catalogPages.count(page)) << page;
      EXPECT_LT(entry.back(), file.Rows(page).size());
    }
    if (index == 0) {
      // ParentIdName: "Tables" under the root container 0x0F000000.
      const Bytes tables{0x7F, 0x8F, 0x00, 0x00, 0x00, 0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00};
      EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                              [&](const Bytes& e) { return std::equal(tables.begin(), tables.end(), e.begin()) &&
                                                           e.size() == tables.size() + 4; }),
                1);
    } else {
      // Id: 7F and the id with its sign bit flipped; the user tables' ids
      // are their definition pages, 6 and up.
      EXPECT_EQ(Bytes(entries.front().begin(), entries.front().begin() + 5), (Bytes{0x7F, 0x80, 0x00, 0x00, 0x02}));
    }
  }
  // Permissions: 16 rows for the system objects and 3 per table.
  EXPECT_EQ(U32(file.Page(3), 16), 16u + 3 * 400);
}

TEST(JetFormatTest, UsageMapsNameExactlyTheDataAndLongValuePagesOfATable) {
  ScratchDir dir;
  const std::string path = dir.File("maps.mdb");
  {
    CDaoDatabase db;
    db.Create(path);
    db.Execute("create Table [wide] ( [a]  TEXT(255), [m]  MEMO )");
    CDaoRecordset rs(&db);
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [wide]", 0);
    std::string cyrillic;
    for (int i = 0; i < 255; ++i) cyrillic += "Ж";
    for (int i = 0; i < 5000; ++i) {  // 7 rows a page: more pages than an inline map covers
      rs.AddNew();
      rs.SetFieldValue("a", COleVariant(cyrillic));
      if (i % 50 == 0) rs.SetFieldValue("m", COleVariant(std::string(9000, 'x')));
      rs.Update();
    }
    db.Close();
  }
  const JetFile file(path);
  std::span<const uint8_t> tdef = file.Page(6);
  const std::set<uint32_t> dataPages = file.DataPagesOwnedBy(6);
  EXPECT_GT(dataPages.size(), 512u);
  EXPECT_EQ(file.Row(U32(tdef, 55))[0], 1) << "a reference map";
  EXPECT_EQ(file.MapPages(U32(tdef, 55)), dataPages);
  EXPECT_EQ(file.MapPages(U32(tdef, 59)), std::set<uint32_t>{*dataPages.rbegin()}) << "free space: the last page";
  // The long-value map list after the two column names: column 1 (m).
  size_t at = 63 + 2 * 25;
  for (int c = 0; c < 2; ++c) at += 2 + U16(tdef, at);
  EXPECT_EQ(U16(tdef, at), 1);
  const std::set<uint32_t> longPages = file.DataPagesOwnedBy(0x4C41564C);  // "LVAL"
  // 100 memos of 18,000 bytes (long texts are not compressed): four full
  // pieces on pages of their own, and last pieces of 1,712 bytes two to a page.
  EXPECT_EQ(longPages.size(), 100u * 4 + 50u);
  EXPECT_EQ(file.MapPages(U32(tdef, at + 2)), longPages);
  EXPECT_EQ(U16(tdef, at + 10), 0xFFFF);
  // Every page of the file is in use in the global map.
  const Bytes global = file.Rows(1)[0];
  ASSERT_EQ(global[0], 0);
  for (size_t p = 0; p < file.PageCount(); ++p) EXPECT_FALSE(global[5 + p / 8] & (1u << (p % 8))) << p;
}

TEST(JetFormatTest, MapsBeyondTheirInlineWindowUseBitmapPages) {
  jet::PageSet low;
  for (uint32_t p : {7u, 300u, 511u}) low.Add(p);
  EXPECT_TRUE(low.FitsInline());
  EXPECT_EQ(U32(jet::InlineMapRow(low), 1), 0u);
  jet::PageSet high;
  for (uint32_t p : {605u, 900u, 1111u}) high.Add(p);
  ASSERT_TRUE(high.FitsInline());
  const Bytes row = jet::InlineMapRow(high);
  EXPECT_EQ(U32(row, 1), 600u);  // the lowest page rounded down to a multiple of 8
  EXPECT_EQ(row[5], 1u << 5);
  EXPECT_EQ(high.BitmapPagesNeededWith(1111), 0u);
  EXPECT_EQ(high.BitmapPagesNeededWith(1112), 1u);  // past the 512-page window

  jet::PageSet spread;
  for (uint32_t p : {10u, 40000u, 70000u}) spread.Add(p);
  ASSERT_EQ(spread.BitmapPagesNeeded(), 3u);
  const jet::ReferenceMap map = jet::BuildReferenceMap(spread, std::vector<uint32_t>{80000, 80001, 80002});
  EXPECT_EQ(map.row[0], 1);
  EXPECT_EQ(U32(map.row, 1), 80000u);
  EXPECT_EQ(U32(map.row, 5), 80001u);
  EXPECT_EQ(U32(map.row, 9), 80002u);
  ASSERT_EQ(map.pages.size(), 3u);
  EXPECT_EQ(map.pages[1].second[0], 0x05);
  const uint32_t bit = 40000 - 32736;
  EXPECT_TRUE(map.pages[1].second[4 + bit / 8] & (1u << (bit % 8)));

  // A file of 40,000 pages: its global map needs two bitmap pages, which are
  // pages of the file too; bits mark the free pages, at and after the end.
  const size_t bitmapPages = jet::GlobalMapBitmapPagesNeeded(40000);
  ASSERT_EQ(bitmapPages, 2u);
  const auto global = jet::BuildGlobalMapPages(40002, std::vector<uint32_t>{40000, 40001});
  ASSERT_EQ(global.size(), 3u);
  EXPECT_EQ(global[0].first, 1u);
  const std::span<const uint8_t> second(global[2].second.data() + 4, kPage - 4);
  const uint32_t last = 40001 - 32736;
  EXPECT_FALSE(second[last / 8] & (1u << (last % 8)));
  EXPECT_TRUE(second[(last + 1) / 8] & (1u << ((last + 1) % 8)));
  EXPECT_EQ(jet::GlobalMapBitmapPagesNeeded(32032), 0u);
}

}  // namespace
}  // namespace salvoran
