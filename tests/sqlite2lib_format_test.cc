// The bytes of the files the SQLite 2 library writes, read back here with a
// small page reader of the test's own: page 1 and its meta values,
// sqlite_master cells, cells in key order, overflow chains, trees of several
// levels for 100,000 rows, 70,000-byte rows and a multi-level schema.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sqlite2/database_loader.h"
#include "platform/sqlite2/integrity_check.h"
#include "platform/sqlite2/record.h"
#include "platform/sqlite2/sqlite.h"
#include "tests/support/test_support.h"

namespace salvoran::sqlite2 {
namespace {

constexpr size_t kPage = 1024;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

uint32_t U16(const std::string& f, size_t at) {
  return static_cast<uint8_t>(f[at]) | static_cast<uint32_t>(static_cast<uint8_t>(f[at + 1])) << 8;
}
uint32_t U32(const std::string& f, size_t at) { return U16(f, at) | U16(f, at + 2) << 16; }

// Runs statements through one connection, one sqlite_exec per statement as
// the writers do.
void RunEach(const std::string& path, const std::vector<std::string>& statements) {
  char* error = nullptr;
  sqlite* db = sqlite_open(path.c_str(), 0, &error);
  ASSERT_NE(db, nullptr);
  for (const std::string& sql : statements) {
    ASSERT_EQ(sqlite_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << sql.substr(0, 100) << ": " << (error ? error : "");
  }
  sqlite_close(db);
}

// A cell as this test reads it from the bytes of a little-endian file.
struct TestCell {
  size_t offset;  // in the page
  uint32_t left;
  uint32_t keySize;
  uint32_t dataSize;
  std::string payload;  // whole, overflow pages followed
  uint32_t overflowPages = 0;
};

struct TestPage {
  uint32_t right;
  std::vector<TestCell> cells;
  uint32_t used = 0;  // bytes of cells
};

// Follows the chain of a payload by hand: next-page numbers, 1020 bytes
// each, the last next-page number 0.
std::string ReadChain(const std::string& f, const TestCell& cell, size_t cellStart, uint32_t& pages) {
  const uint32_t total = cell.keySize + cell.dataSize;
  std::string payload = f.substr(cellStart + 12, std::min<uint32_t>(total, 236));
  uint32_t next = total > 236 ? U32(f, cellStart + 12 + 236) : 0;
  while (payload.size() < total) {
    EXPECT_NE(next, 0u);
    if (next == 0) break;
    const size_t at = (next - 1) * kPage;
    ++pages;
    payload += f.substr(at + 4, std::min<size_t>(1020, total - payload.size()));
    const uint32_t following = U32(f, at);
    if (payload.size() == total) {
      EXPECT_EQ(following, 0u);
    }
    next = following;
  }
  return payload;
}

TestPage ReadPage(const std::string& f, uint32_t page) {
  TestPage result;
  const size_t base = (page - 1) * kPage;
  result.right = U32(f, base);
  for (uint32_t offset = U16(f, base + 4); offset != 0 && result.cells.size() < 100;) {
    TestCell cell;
    cell.offset = offset;
    const size_t at = base + offset;
    cell.left = U32(f, at);
    cell.keySize = U16(f, at + 4) + (static_cast<uint32_t>(static_cast<uint8_t>(f[at + 8])) << 16);
    cell.dataSize = U16(f, at + 10) + (static_cast<uint32_t>(static_cast<uint8_t>(f[at + 9])) << 16);
    const uint32_t total = cell.keySize + cell.dataSize;
    cell.payload = ReadChain(f, cell, at, cell.overflowPages);
    result.used += total > 236 ? 252 : 12 + ((total + 3) & ~3u);
    offset = U16(f, at + 6);
    result.cells.push_back(std::move(cell));
  }
  return result;
}

// The pages of a tree by level, the root first.
std::vector<std::vector<TestPage>> Levels(const std::string& f, uint32_t root) {
  std::vector<std::vector<TestPage>> levels;
  std::vector<uint32_t> current{root};
  while (!current.empty() && levels.size() < 10) {
    std::vector<TestPage> pages;
    std::vector<uint32_t> next;
    for (uint32_t page : current) {
      TestPage p = ReadPage(f, page);
      for (const TestCell& cell : p.cells) {
        if (cell.left) next.push_back(cell.left);
      }
      if (p.right) next.push_back(p.right);
      pages.push_back(std::move(p));
    }
    levels.push_back(std::move(pages));
    current = std::move(next);
  }
  return levels;
}

// The root page of an object, from the sqlite_master cells.
uint32_t RootOf(const std::string& f, const std::string& name) {
  std::vector<uint32_t> pages{2};
  for (size_t i = 0; i < pages.size(); ++i) {
    const TestPage page = ReadPage(f, pages[i]);
    for (const TestCell& cell : page.cells) {
      const auto fields = DecodeRecord(std::string_view(cell.payload).substr(4));
      if (fields && (*fields)[1] == name) return static_cast<uint32_t>(std::stoul(std::string(*(*fields)[3])));
      if (cell.left) pages.push_back(cell.left);
    }
    if (page.right) pages.push_back(page.right);
  }
  ADD_FAILURE() << "no object " << name;
  return 0;
}

class Sqlite2FormatTest : public ::testing::Test {
 protected:
  testing::ScratchDir dir;
  std::string path = dir.File("out.db");
};

TEST_F(Sqlite2FormatTest, AnEmptyTableFileHasTheHeaderTheSchemaCellAndAFormattedPage) {
  RunEach(path, {"CREATE TABLE t(a)"});
  const std::string f = ReadBytes(path);
  ASSERT_EQ(f.size(), 3 * kPage);
  EXPECT_EQ(f.substr(0, 48), std::string("** This file contains an SQLite 2.1 database **\0", 48));
  EXPECT_EQ(Hex(f.substr(48, 20)), "28 75 e3 da 00 00 00 00 00 00 00 00 01 00 00 00 04 00 00 00");
  EXPECT_EQ(f.substr(68, kPage - 68), std::string(kPage - 68, '\0'));

  // Page 2: one cell at 8, the rest one free block.
  EXPECT_EQ(Hex(f.substr(kPage, 8)), "00 00 00 00 08 00 3c 00");
  EXPECT_EQ(Hex(f.substr(kPage + 8, 16)), "00 00 00 00 04 00 00 00 00 00 24 00 80 00 00 01");
  EXPECT_EQ(Hex(f.substr(kPage + 24, 6)), "06 0c 0e 10 12 24");
  EXPECT_EQ(f.substr(kPage + 30, 30), std::string("table\0t\0t\0" "3\0CREATE TABLE t(a)\0", 30));
  EXPECT_EQ(Hex(f.substr(kPage + 60, 4)), "c4 03 00 00");  // free block of 964 bytes
  // Page 3: the formatted empty page.
  EXPECT_EQ(Hex(f.substr(2 * kPage, 12)), "00 00 00 00 00 00 08 00 f8 03 00 00");
  EXPECT_EQ(f.substr(2 * kPage + 12), std::string(kPage - 12, '\0'));
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});
}

TEST_F(Sqlite2FormatTest, AConnectionThatWritesNothingLeavesAnEmptyFile) {
  RunEach(path, {});
  EXPECT_EQ(ReadBytes(path), "");  // a valid empty database, as the library leaves it
  RunEach(path, {"CREATE TABLE t(a)"});
  EXPECT_EQ(ReadBytes(path).size(), 3 * kPage);
}

TEST_F(Sqlite2FormatTest, CellsArePackedInKeyOrder) {
  RunEach(path, {"CREATE TABLE t(id INTEGER PRIMARY KEY, v)", "INSERT INTO t VALUES(5, 'five')",
                 "INSERT INTO t VALUES(-3, 'minus three')", "INSERT INTO t VALUES(1, 'one')"});
  const std::string f = ReadBytes(path);
  const TestPage page = ReadPage(f, 3);
  ASSERT_EQ(page.cells.size(), 3u);
  EXPECT_EQ(page.right, 0u);
  size_t expectedOffset = 8;
  const char* keys[] = {"7f ff ff fd", "80 00 00 01", "80 00 00 05"};
  const char* values[] = {"minus three", "one", "five"};
  for (size_t i = 0; i < 3; ++i) {
    const TestCell& cell = page.cells[i];
    EXPECT_EQ(cell.offset, expectedOffset);
    EXPECT_EQ(cell.left, 0u);
    EXPECT_EQ(cell.keySize, 4u);
    EXPECT_EQ(Hex(cell.payload.substr(0, 4)), keys[i]);
    const auto fields = DecodeRecord(std::string_view(cell.payload).substr(4));
    ASSERT_TRUE(fields);
    EXPECT_FALSE((*fields)[0]);  // the INTEGER PRIMARY KEY is stored as NULL
    EXPECT_EQ((*fields)[1], values[i]);
    expectedOffset += 12 + ((cell.keySize + cell.dataSize + 3) & ~3u);
  }
  // The free block starts where the last cell ends and runs to the page end.
  EXPECT_EQ(U16(f, 2 * kPage + 6), expectedOffset);
  EXPECT_EQ(U16(f, 2 * kPage + expectedOffset), kPage - expectedOffset);
  EXPECT_EQ(U16(f, 2 * kPage + expectedOffset + 2), 0u);
}

TEST_F(Sqlite2FormatTest, LargePayloadsGoToExactOverflowChains) {
  // Table ov(id INTEGER PRIMARY KEY, body): payload = 4 + record, the record
  // 3 + L + 1 bytes with 1-byte offsets, 6 + L + 1 with 2-byte and 9 + L + 1
  // with 3-byte ones.
  const struct {
    uint32_t body;
    uint32_t payload;
    uint32_t overflowPages;
  } cases[] = {{228, 236, 0}, {229, 237, 1}, {1245, 1256, 1}, {1246, 1257, 2}, {5000, 5011, 5}, {70007, 70021, 69}};
  std::vector<std::string> statements{"CREATE TABLE ov(id INTEGER PRIMARY KEY, body TEXT)"};
  std::vector<std::string> bodies;
  for (const auto& c : cases) {
    std::string body;
    for (uint32_t i = 0; i < c.body; ++i) body.push_back("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"[(i * 7 + c.body) % 62]);
    bodies.push_back(body);
    statements.push_back("INSERT INTO ov VALUES(NULL, '" + body + "')");
  }
  RunEach(path, statements);
  const std::string f = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});

  std::map<int32_t, TestCell> byRowid;
  for (const auto& level : Levels(f, RootOf(f, "ov"))) {
    for (const TestPage& page : level) {
      for (const TestCell& cell : page.cells) {
        byRowid[DecodeRowidKey(reinterpret_cast<const uint8_t*>(cell.payload.data()))] = cell;
      }
    }
  }
  ASSERT_EQ(byRowid.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TestCell& cell = byRowid.at(static_cast<int32_t>(i + 1));
    EXPECT_EQ(cell.keySize + cell.dataSize, cases[i].payload) << cases[i].body;
    EXPECT_EQ(cell.overflowPages, cases[i].overflowPages) << cases[i].body;
    const auto fields = DecodeRecord(std::string_view(cell.payload).substr(4));
    ASSERT_TRUE(fields) << cases[i].body;
    EXPECT_EQ((*fields)[1], bodies[i]);
  }
  // The 70021-byte payload needs the high byte of the data size: 70017 =
  // 0x011181.
  const TestCell& largest = byRowid.at(6);
  EXPECT_EQ(largest.dataSize, 70017u);
}

// Every page of a level but its last was filled until the next cell would
// not fit; the levels count up to the root.
void ExpectGreedyFill(const std::vector<std::vector<TestPage>>& levels, const std::string& what) {
  for (size_t l = 1; l < levels.size(); ++l) {
    for (size_t p = 0; p + 1 < levels[l].size(); ++p) {
      EXPECT_GT(levels[l][p].used, 1016u - 252u) << what << " level " << l << " page " << p;
      EXPECT_LE(levels[l][p].used, 1016u);
    }
    for (const TestPage& page : levels[l]) EXPECT_FALSE(page.cells.empty()) << what;
  }
}

TEST_F(Sqlite2FormatTest, HundredThousandRowsMakeMultiLevelTrees) {
  constexpr int kRows = 100000;
  std::vector<std::string> statements{"CREATE TABLE big(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)"};
  statements.reserve(kRows + 1);
  for (int i = 1; i <= kRows; ++i) {
    char* sql = sqlite_mprintf("insert into big values(%d,'%q',%d);", i, ("item " + std::to_string(i) + " 'x'").c_str(),
                               (i * 37) % 1000);
    statements.emplace_back(sql);
    sqlite_freemem(sql);
  }
  RunEach(path, statements);
  RunEach(path, {"CREATE INDEX big_qty ON big(qty)"});
  RunEach(path, {"INSERT INTO big VALUES(NULL, 'appended', 5)"});
  const std::string f = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});

  const auto table = Levels(f, RootOf(f, "big"));
  const auto index = Levels(f, RootOf(f, "big_qty"));
  EXPECT_GE(table.size(), 3u);
  EXPECT_GE(index.size(), 3u);
  ExpectGreedyFill(table, "big");
  ExpectGreedyFill(index, "big_qty");
  size_t cells = 0;
  for (const auto& level : table) {
    for (const TestPage& page : level) cells += page.cells.size();
  }
  EXPECT_EQ(cells, static_cast<size_t>(kRows + 1));

  Database db;
  ASSERT_EQ(LoadDatabase(f, db).code, SQLITE_OK);
  const SchemaObject& big = db.objects[0];
  ASSERT_EQ(big.rows.size(), static_cast<size_t>(kRows + 1));
  const auto row = DecodeRecord(big.rows.at(54321));
  ASSERT_TRUE(row);
  EXPECT_EQ((*row)[1], "item 54321 'x'");
  EXPECT_EQ((*row)[2], std::to_string((54321 * 37) % 1000));
  EXPECT_EQ(big.rows.rbegin()->first, kRows + 1);
  EXPECT_EQ(db.objects[1].keys.size(), static_cast<size_t>(kRows + 1));
}

TEST_F(Sqlite2FormatTest, RowsOf70000BytesWithIndexesOverThem) {
  std::vector<std::string> statements{"CREATE TABLE wide(id INTEGER PRIMARY KEY, label TEXT, body TEXT)",
                                      "CREATE INDEX wide_label ON wide(label)", "CREATE INDEX wide_body ON wide(body)"};
  std::vector<std::string> bodies;
  for (int i = 0; i < 20; ++i) {
    std::string body(70000, static_cast<char>('a' + i));
    body.replace(0, 8, "row " + std::to_string(100 + i) + ":");
    bodies.push_back(body);
    statements.push_back("INSERT INTO wide VALUES(NULL, 'label " + std::string(250, static_cast<char>('z' - i)) + "', '" +
                         body + "')");
  }
  RunEach(path, statements);
  const std::string f = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});
  const auto index = Levels(f, RootOf(f, "wide_label"));
  ASSERT_FALSE(index.empty());
  size_t overflowingKeys = 0;
  for (const auto& level : index) {
    for (const TestPage& page : level) {
      for (const TestCell& cell : page.cells) {
        EXPECT_EQ(cell.dataSize, 0u);
        overflowingKeys += cell.overflowPages > 0;
      }
    }
  }
  EXPECT_EQ(overflowingKeys, 20u);  // 258-byte keys continue on overflow pages

  Database db;
  ASSERT_EQ(LoadDatabase(f, db).code, SQLITE_OK);
  ASSERT_EQ(db.objects[0].rows.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    const auto fields = DecodeRecord(db.objects[0].rows.at(i + 1));
    ASSERT_TRUE(fields);
    EXPECT_EQ((*fields)[2], bodies[static_cast<size_t>(i)]);
  }
}

TEST_F(Sqlite2FormatTest, ALargeSchemaMakesSqliteMasterMultiLevel) {
  std::vector<std::string> statements;
  for (int i = 0; i < 300; ++i) {
    statements.push_back("CREATE TABLE t" + std::to_string(i) + "(id INTEGER PRIMARY KEY, name TEXT UNIQUE, " +
                         "value NUMERIC, a_rather_long_column_name_to_fill_the_schema_pages VARCHAR(100))");
  }
  RunEach(path, statements);
  RunEach(path, {"INSERT INTO t299 VALUES(1, 'last', 2, 'x')"});
  const std::string f = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});
  EXPECT_GE(Levels(f, 2).size(), 3u);
  Database db;
  ASSERT_EQ(LoadDatabase(f, db).code, SQLITE_OK);
  ASSERT_EQ(db.objects.size(), 600u);  // each table with its automatic index
  EXPECT_EQ(db.objects[599].name, "(t299 autoindex 1)");
  EXPECT_EQ(db.objects[599].masterRowid, 600);
  EXPECT_EQ(db.objects[598].rows.size(), 1u);
  EXPECT_EQ(U32(f, 60), 300u);  // schema cookie: one change per CREATE
}

TEST_F(Sqlite2FormatTest, MetaValuesSurviveAndTheCookieMovesOnlyWithTheSchema) {
  RunEach(path, {"CREATE TABLE t(a)"});
  std::string f = ReadBytes(path);
  // PRAGMA default_cache_size=1234, default_synchronous=FULL,
  // default_temp_store=MEMORY, as the library records them.
  const std::string meta = Hex(std::string("\xd2\x04\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00", 16));
  std::memcpy(f.data() + 68, "\xd2\x04\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00", 16);
  WriteBytes(path, f);
  RunEach(path, {"INSERT INTO t VALUES(1)"});
  f = ReadBytes(path);
  EXPECT_EQ(Hex(f.substr(68, 16)), meta);
  EXPECT_EQ(U32(f, 60), 1u);
  RunEach(path, {"CREATE INDEX ta ON t(a)"});
  f = ReadBytes(path);
  EXPECT_EQ(Hex(f.substr(68, 16)), meta);
  EXPECT_EQ(U32(f, 60), 2u);
  EXPECT_EQ(U32(f, 52), 0u);  // no free list
  EXPECT_EQ(U32(f, 56), 0u);
  EXPECT_EQ(CheckIntegrity(f), std::vector<std::string>{});
}

}  // namespace
}  // namespace salvoran::sqlite2
