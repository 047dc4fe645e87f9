// The SQLite 2 library against files made by the real SQLite 2.8.17
// library (tests/data/sqlite2lib, described in the fixtures' README): it must
// load every row and schema object of them, rebuild exactly the index keys
// they store, pass them through its integrity check (and catch damage to
// them), append to them, and write the same entries when it is given the
// same statements.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sqlite2/database_loader.h"
#include "platform/sqlite2/file_format.h"
#include "platform/sqlite2/file_reader.h"
#include "platform/sqlite2/file_writer.h"
#include "platform/sqlite2/integrity_check.h"
#include "platform/sqlite2/record.h"
#include "platform/sqlite2/sqlite.h"
#include "tests/support/test_support.h"

namespace salvoran::sqlite2 {
namespace {

const char* const kFixtures[] = {"basic", "multi", "overflow", "bigtable", "bigschema", "deleted",
                                 "bigendian"};

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

std::string FixturePath(const std::string& name, const std::string& suffix) {
  return std::string(SALVORAN_TEST_DATA) + "/sqlite2lib/" + name + suffix;
}

using Row = std::vector<FieldValue>;

// The rows of the "sqlite_master" and "table T" sections of an expected
// file: each INSERT line's values (the first is the rowid), with NULL as an
// empty optional and quoted text unquoted.
std::map<std::string, std::vector<Row>> ParseExpected(const std::string& path) {
  std::map<std::string, std::vector<Row>> sections;
  std::ifstream in(path);
  std::string line;
  std::string section;
  std::string statement;
  auto parseStatement = [&](const std::string& text) {
    Row row;
    size_t i = text.find("VALUES(") + 7;
    while (i < text.size() && text[i] != ')') {
      if (text.compare(i, 4, "NULL") == 0) {
        row.emplace_back();
        i += 4;
      } else if (text[i] == '\'') {
        std::string value;
        for (++i; i < text.size(); ++i) {
          if (text[i] == '\'') {
            if (i + 1 < text.size() && text[i + 1] == '\'') {
              value.push_back('\'');
              ++i;
              continue;
            }
            ++i;
            break;
          }
          value.push_back(text[i]);
        }
        row.emplace_back(value);
      } else {
        const size_t end = text.find_first_of(",)", i);
        row.emplace_back(text.substr(i, end - i));
        i = end;
      }
      if (i < text.size() && text[i] == ',') ++i;
    }
    sections[section].push_back(std::move(row));
  };
  while (std::getline(in, line)) {
    if (statement.empty() && line.rfind("--", 0) == 0) {
      if (line.rfind("-- section: ", 0) == 0) {
        const std::string title = line.substr(12);
        if (title == "sqlite_master") {
          section = title;
        } else if (title.rfind("table ", 0) == 0) {
          section = title.substr(6, title.find(' ', 6) - 6);
        } else {
          section.clear();
        }
      }
      continue;
    }
    if (section.empty()) continue;
    statement += statement.empty() ? line : "\n" + line;
    const size_t quotes = static_cast<size_t>(std::count(statement.begin(), statement.end(), '\''));
    if (quotes % 2 == 0 && statement.size() >= 2 && statement.compare(statement.size() - 2, 2, ");") == 0) {
      parseStatement(statement);
      statement.clear();
    }
  }
  return sections;
}

// The sqlite_master rows of a file as stored: rowid, the five fields.
struct MasterRow {
  int32_t rowid;
  std::vector<FieldValue> fields;
};

std::vector<MasterRow> ReadMaster(const std::string& file) {
  const auto header = ParseHeader(file);
  EXPECT_TRUE(header);
  if (!header) return {};
  const PageSource source{file, header->order, static_cast<uint32_t>(file.size() / kPageSize)};
  std::vector<TreeEntry> entries;
  std::string problem;
  EXPECT_TRUE(ReadTree(source, kMasterRootPage, entries, problem)) << problem;
  std::vector<MasterRow> rows;
  for (const TreeEntry& entry : entries) {
    MasterRow row;
    row.rowid = DecodeRowidKey(reinterpret_cast<const uint8_t*>(entry.key.data()));
    for (const FieldView& field : DecodeRecord(entry.data).value_or(std::vector<FieldView>{})) {
      row.fields.push_back(field ? FieldValue(std::string(*field)) : FieldValue());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// Every object's tree entries, by object name.
std::map<std::string, std::vector<TreeEntry>> ReadObjectTrees(const std::string& file) {
  const auto header = ParseHeader(file);
  const PageSource source{file, header->order, static_cast<uint32_t>(file.size() / kPageSize)};
  std::map<std::string, std::vector<TreeEntry>> trees;
  for (const MasterRow& row : ReadMaster(file)) {
    const uint32_t root = static_cast<uint32_t>(std::stoul(*row.fields[3]));
    if (root == 0) continue;
    std::string problem;
    EXPECT_TRUE(ReadTree(source, root, trees[*row.fields[1]], problem)) << *row.fields[1] << ": " << problem;
  }
  return trees;
}

Database LoadOrFail(const std::string& bytes) {
  Database db;
  const LoadResult result = LoadDatabase(bytes, db);
  EXPECT_EQ(result.code, SQLITE_OK) << result.message;
  return db;
}

class Sqlite2FixtureTest : public ::testing::TestWithParam<const char*> {
 protected:
  std::string name() const { return GetParam(); }
  std::string bytes() const { return ReadBytes(FixturePath(name(), ".db")); }
};

TEST_P(Sqlite2FixtureTest, LoadsTheSchemaAndEveryRowAsTheRealLibraryPrintsThem) {
  const Database db = LoadOrFail(bytes());
  const auto expected = ParseExpected(FixturePath(name(), ".expected.txt"));
  ASSERT_TRUE(expected.count("sqlite_master"));

  const std::vector<Row>& master = expected.at("sqlite_master");
  ASSERT_EQ(db.objects.size(), master.size());
  for (size_t i = 0; i < master.size(); ++i) {
    const SchemaObject& object = db.objects[i];
    EXPECT_NE(object.kind, ObjectKind::Unparsed) << object.name;
    EXPECT_EQ(std::to_string(object.masterRowid), *master[i][0]);
    EXPECT_EQ(object.type, *master[i][1]);
    EXPECT_EQ(object.name, *master[i][2]);
    EXPECT_EQ(object.tableName, *master[i][3]);
    EXPECT_EQ(object.sql, master[i][5]);
  }

  size_t tablesSeen = 0;
  for (const SchemaObject& object : db.objects) {
    if (object.kind != ObjectKind::Table) continue;
    ++tablesSeen;
    ASSERT_TRUE(expected.count(object.name)) << object.name;
    const std::vector<Row>& rows = expected.at(object.name);
    ASSERT_EQ(object.rows.size(), rows.size()) << object.name;
    auto stored = object.rows.begin();
    for (const Row& row : rows) {
      ASSERT_EQ(std::to_string(stored->first), *row[0]) << object.name;
      const auto fields = DecodeRecord(stored->second);
      ASSERT_TRUE(fields);
      ASSERT_EQ(fields->size() + 1, row.size()) << object.name << " row " << *row[0];
      for (size_t c = 0; c < fields->size(); ++c) {
        const FieldView& value = (*fields)[c];
        if (static_cast<int>(c) == object.table.integerKey) {
          EXPECT_FALSE(value);  // stored as NULL; the rowid is its value
          EXPECT_EQ(row[c + 1], row[0]);
        } else {
          EXPECT_EQ(value ? FieldValue(std::string(*value)) : FieldValue(), row[c + 1])
              << object.name << " row " << *row[0] << " column " << c;
        }
      }
      ++stored;
    }
  }
  EXPECT_GT(tablesSeen, 0u);
}

TEST_P(Sqlite2FixtureTest, RebuildsExactlyTheIndexKeysTheFileStores) {
  const std::string file = bytes();
  const Database db = LoadOrFail(file);
  const auto trees = ReadObjectTrees(file);
  for (const SchemaObject& object : db.objects) {
    if (object.kind != ObjectKind::Index) continue;
    std::vector<std::string> stored;
    for (const TreeEntry& entry : trees.at(object.name)) {
      EXPECT_TRUE(entry.data.empty());
      stored.push_back(entry.key);
    }
    EXPECT_EQ(stored, std::vector<std::string>(object.keys.begin(), object.keys.end())) << object.name;
  }
}

TEST_P(Sqlite2FixtureTest, RealFilesPassTheIntegrityCheck) {
  EXPECT_EQ(CheckIntegrity(bytes()), std::vector<std::string>{});
}

TEST_P(Sqlite2FixtureTest, ReopeningAndAppendingKeepsTheOldRowsAndTheSchema) {
  testing::ScratchDir dir;
  const std::string path = dir.File(name() + ".db");
  WriteBytes(path, bytes());
  const Database before = LoadOrFail(bytes());
  const SchemaObject* table = nullptr;
  for (const SchemaObject& object : before.objects) {
    if (object.kind == ObjectKind::Table && !table) table = &object;
  }
  ASSERT_TRUE(table);
  // New text in every column (unique in the file), NULL for the INTEGER
  // PRIMARY KEY so that the library picks the rowid.
  std::string values;
  for (size_t c = 0; c < table->table.columns.size(); ++c) {
    if (!values.empty()) values += ",";
    values += static_cast<int>(c) == table->table.integerKey ? "NULL" : "'appended " + std::to_string(c) + "'";
  }
  char* error = nullptr;
  sqlite* db = sqlite_open(path.c_str(), 0, &error);
  ASSERT_NE(db, nullptr) << (error ? error : "");
  const std::string insert = "INSERT INTO " + table->name + " VALUES(" + values + ");";
  ASSERT_EQ(sqlite_exec(db, insert.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  EXPECT_EQ(sqlite_changes(db), 1);
  sqlite_close(db);

  const std::string after = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(after), std::vector<std::string>{});
  EXPECT_EQ(after.substr(kMagicOffset, 4), std::string("\x28\x75\xe3\xda", 4));  // now little-endian
  const Database reloaded = LoadOrFail(after);
  ASSERT_EQ(reloaded.objects.size(), before.objects.size());
  for (size_t i = 0; i < before.objects.size(); ++i) {
    const SchemaObject& old = before.objects[i];
    const SchemaObject& now = reloaded.objects[i];
    EXPECT_EQ(now.masterRowid, old.masterRowid);
    EXPECT_EQ(now.name, old.name);
    EXPECT_EQ(now.sql, old.sql);
    if (old.name != table->name) {
      EXPECT_EQ(now.rows, old.rows) << old.name;
      continue;
    }
    EXPECT_EQ(now.rows.size(), old.rows.size() + 1);
    for (const auto& [rowid, record] : old.rows) EXPECT_EQ(now.rows.at(rowid), record);
    EXPECT_EQ(now.rows.rbegin()->first, old.rows.rbegin()->first + 1);  // largest rowid + 1
  }
  EXPECT_EQ(reloaded.schemaCookie, before.schemaCookie);
  EXPECT_EQ(reloaded.metaTail, before.metaTail);
}

// Replays a fixture through the 2.8 calls: its CREATE statements in
// sqlite_master order (triggers last, since this library does not run them),
// then its rows as printed by the real library, every value quoted.
void Replay(const std::string& name, const std::string& path) {
  const auto expected = ParseExpected(FixturePath(name, ".expected.txt"));
  char* error = nullptr;
  sqlite* db = sqlite_open(path.c_str(), 0, &error);
  ASSERT_NE(db, nullptr);
  auto run = [&](const std::string& sql) {
    ASSERT_EQ(sqlite_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << sql.substr(0, 200) << ": " << (error ? error : "");
  };
  std::vector<std::string> triggers;
  std::vector<std::string> tables;
  for (const Row& row : expected.at("sqlite_master")) {
    if (!row[5]) continue;  // automatic index
    if (*row[1] == "trigger") {
      triggers.push_back(*row[5]);
      continue;
    }
    run(*row[5]);
    if (*row[1] == "table") tables.push_back(*row[2]);
  }
  for (const std::string& table : tables) {
    for (const Row& row : expected.at(table)) {
      std::string sql = "INSERT INTO " + table + " VALUES(";
      for (size_t c = 1; c < row.size(); ++c) {
        char* value = sqlite_mprintf("%Q", row[c] ? row[c]->c_str() : nullptr);
        sql += (c > 1 ? "," : "") + std::string(value);
        sqlite_freemem(value);
      }
      run(sql + ")");
    }
  }
  for (const std::string& trigger : triggers) run(trigger);
  sqlite_close(db);
}

TEST_P(Sqlite2FixtureTest, TheSameStatementsGiveTheSameEntriesAsTheRealLibrary) {
  testing::ScratchDir dir;
  const std::string path = dir.File("replayed.db");
  Replay(name(), path);
  if (HasFatalFailure()) return;
  const std::string ours = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(ours), std::vector<std::string>{});

  const std::string theirs = bytes();
  const auto ourTrees = ReadObjectTrees(ours);
  const auto theirTrees = ReadObjectTrees(theirs);
  ASSERT_EQ(ourTrees.size(), theirTrees.size());
  for (const auto& [object, entries] : theirTrees) {
    ASSERT_TRUE(ourTrees.count(object)) << object;
    const std::vector<TreeEntry>& mine = ourTrees.at(object);
    ASSERT_EQ(mine.size(), entries.size()) << object;
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(mine[i].key, entries[i].key) << object << " entry " << i;
      EXPECT_EQ(mine[i].data, entries[i].data) << object << " entry " << i;
    }
  }
  // The schema rows agree but for the root page numbers (and the place of
  // triggers, which the replay creates last).
  auto byName = [](const std::vector<MasterRow>& rows) {
    std::map<std::string, std::vector<FieldValue>> named;
    for (const MasterRow& row : rows) named[*row.fields[1]] = {row.fields[0], row.fields[2], row.fields[4]};
    return named;
  };
  EXPECT_EQ(byName(ReadMaster(ours)), byName(ReadMaster(theirs)));
}

INSTANTIATE_TEST_SUITE_P(RealFiles, Sqlite2FixtureTest, ::testing::ValuesIn(kFixtures),
                         [](const auto& test) { return std::string(test.param); });

// overflow.db with the chain of its 70,000-character row cut after the
// first page.
std::string ShortenLongestOverflowChain(std::string file) {
  const auto header = ParseHeader(file);
  const PageSource source{file, header->order, static_cast<uint32_t>(file.size() / kPageSize)};
  for (uint32_t page = 2; page <= source.pageCount; ++page) {
    std::string problem;
    const auto content = ParseBtreePage(source, page, problem);
    if (!content) continue;
    for (const CellInfo& cell : content->cells) {
      if (cell.Payload() != 70021) continue;
      const uint32_t first = header->order.U32(source.Page(page) + cell.offset + kCellHeaderSize + kMaxLocalPayload);
      header->order.PutU32(reinterpret_cast<uint8_t*>(file.data()) + size_t{first - 1} * kPageSize, 0);
      return file;
    }
  }
  ADD_FAILURE() << "no 70,000-character row in overflow.db";
  return file;
}

// Damage that the integrity check must report, each applied to a copy of a
// real file.
TEST(Sqlite2IntegrityCheckTest, ReportsDamageToRealFiles) {
  const std::string basic = ReadBytes(FixturePath("basic", ".db"));
  const std::string overflow = ReadBytes(FixturePath("overflow", ".db"));
  const std::string multi = ReadBytes(FixturePath("multi", ".db"));
  ASSERT_EQ(CheckIntegrity(basic), std::vector<std::string>{});
  const ByteOrder le{false};
  auto patch16 = [&](std::string file, size_t at, uint32_t value) {
    le.PutU16(reinterpret_cast<uint8_t*>(file.data()) + at, value);
    return file;
  };
  auto patch32 = [&](std::string file, size_t at, uint32_t value) {
    le.PutU32(reinterpret_cast<uint8_t*>(file.data()) + at, value);
    return file;
  };
  struct Case {
    const char* what;
    std::string file;
    std::string expectedPrefix;
  };
  std::string wrongKey = basic;
  wrongKey[2048 + 8 + 12 + 3] = '\x7f';  // rowid 1 becomes 127: out of order
  std::string indexEntry = multi;
  indexEntry[8 * kPageSize + 80 + 12 + 5] = '\x63';  // the cell at offset 80: rowid 4 becomes 99
  // Page 9 (idx_customers_city): its first key "a" 0x00 + rowid 4 gets
  // another rowid.
  const Case cases[] = {
      {"wrong magic", patch32(basic, kMagicOffset, 0x12345678), "not an SQLite 2.1 database"},
      {"cell offset not a multiple of 4", patch16(basic, 2048 + 4, 10), "tree people: page 3: cell offset"},
      {"an extra page nobody uses", basic + std::string(kPageSize, '\0'), "Page 4 is never used"},
      {"free page count too high", patch32(basic, kFreePageCountOffset, 2),
       "2 pages missing from overflow list"},
      {"a key out of order", wrongKey, "tree people: page 3: Key is out of order"},
      {"an overflow chain one page short", ShortenLongestOverflowChain(overflow), "tree blobs"},
      {"a table tree reaching page 1", patch32(basic, kPageSize + 0, 1), "tree sqlite_master"},
      {"an index entry for another row", indexEntry, "rowid 4 missing from index idx_customers_city"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> problems = CheckIntegrity(c.file);
    ASSERT_FALSE(problems.empty()) << c.what;
    EXPECT_EQ(problems.front().rfind(c.expectedPrefix, 0), 0u) << c.what << ": " << problems.front();
  }
}

// Rows of sqlite_master that the library would not load are kept as they
// are, tree included, through a load and a write.
TEST(Sqlite2LoaderTest, KeepsRowsItCannotTakeInAsTheyAre) {
  Database made;
  auto unparsed = [&](int32_t rowid, std::vector<FieldValue> fields, bool withTree) {
    SchemaObject object;
    object.kind = ObjectKind::Unparsed;
    object.masterRowid = rowid;
    object.masterFields = std::move(fields);
    object.hasTree = withTree;
    if (withTree) object.entries.emplace_back(RowidKey(1), EncodeRecord({FieldView("kept")}));
    made.objects.push_back(std::move(object));
  };
  // An index listed before its table, a statement no 2.8 parser takes, a
  // table row without its statement.
  unparsed(1, {"index", "early", "t", "0", "CREATE INDEX early ON t(v)"}, true);
  SchemaObject table;
  table.kind = ObjectKind::Table;
  table.masterRowid = 2;
  table.type = "table";
  table.name = table.tableName = "t";
  table.sql = "CREATE TABLE t(v)";
  table.table.name = "t";
  table.table.columns.push_back(Column{"v", "", false, false, ConflictAction::Default, std::nullopt});
  table.rows.emplace(1, EncodeRecord({FieldView("row")}));
  made.objects.push_back(std::move(table));
  unparsed(3, {"table", "odd", "odd", "0", "CREATE TABLE odd(a) WITH SOMETHING"}, true);
  unparsed(4, {"table", "nosql", "nosql", "0", std::nullopt}, false);
  const std::vector<uint8_t> built = BuildDatabaseFile(made);
  const std::string file(built.begin(), built.end());

  testing::ScratchDir dir;
  const std::string path = dir.File("kept.db");
  WriteBytes(path, file);
  sqlite* db = sqlite_open(path.c_str(), 0, nullptr);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(sqlite_exec(db, "INSERT INTO t VALUES('more')", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite_exec(db, "INSERT INTO odd VALUES(1)", nullptr, nullptr, nullptr), SQLITE_ERROR);
  sqlite_close(db);

  const Database loaded = LoadOrFail(ReadBytes(path));
  ASSERT_EQ(loaded.objects.size(), 4u);
  const ObjectKind kinds[] = {ObjectKind::Unparsed, ObjectKind::Table, ObjectKind::Unparsed, ObjectKind::Unparsed};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(loaded.objects[i].kind, kinds[i]) << i;
    EXPECT_EQ(loaded.objects[i].masterRowid, static_cast<int32_t>(i + 1));
  }
  EXPECT_EQ(loaded.objects[1].rows.size(), 2u);
  for (size_t i : {0u, 2u}) {
    ASSERT_EQ(loaded.objects[i].entries.size(), 1u);
    EXPECT_EQ(loaded.objects[i].entries[0].second, EncodeRecord({FieldView("kept")}));
    EXPECT_EQ(loaded.objects[i].masterFields[4], made.objects[i].masterFields[4]);
    EXPECT_NE(loaded.objects[i].masterFields[3], FieldValue("0"));  // now names its tree's page
  }
  EXPECT_FALSE(loaded.objects[3].masterFields[4]);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

}  // namespace
}  // namespace salvoran::sqlite2
