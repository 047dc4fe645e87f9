// The schema scan of SQLite 3 files: what it lists must be what SQLite
// itself reads from the same file, at every page size and text encoding, and
// damage must cost only what it destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "recovery/messages.h"
#include "recovery/text.h"
#include "sqlite3fmt/btree.h"
#include "sqlite3fmt/schema_keywords.h"
#include "sqlite3fmt/schema_tree.h"
#include "sqlite3fmt/sqlite_ver3.h"
#include "sqlite3fmt/table_definition.h"
#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

using sqlite3::Get16;
using sqlite3::Get32;

// What SQLite reports of one table.
struct SqliteTable {
  uint32_t rootPage = 0;
  std::vector<std::string> columns;
  std::string keyColumn;  // the rowid alias, or empty
  bool withoutRowid = false;
};

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') text = text.substr(1, text.size() - 2);
  return text;
}

std::string Quoted(const std::string& name, char quote) {
  std::string out(1, quote);
  for (char c : name) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

// The rowid alias, found the way it behaves rather than how it is declared:
// a value stored into the alias column becomes the row's rowid.
std::string RowidAliasOf(Db& db, const std::string& table, const std::vector<std::vector<std::string>>& info) {
  std::vector<std::string> keyParts;
  for (const auto& column : info) {
    if (column[5] != "0") keyParts.push_back(Unquoted(column[1]));
  }
  if (keyParts.size() != 1) return {};
  db.Exec("SAVEPOINT probe");
  auto rowid = db.Column("INSERT INTO " + Quoted(table, '"') + "(" + Quoted(keyParts[0], '"') +
                         ") VALUES (987654321) RETURNING rowid");
  db.Exec("ROLLBACK TO probe");
  db.Exec("RELEASE probe");
  return !rowid.empty() && rowid[0] == "987654321" ? keyParts[0] : std::string();
}

std::map<std::string, SqliteTable> TablesOf(const std::string& path) {
  Db db(path);
  std::map<std::string, SqliteTable> tables;
  for (const auto& row : db.Query("SELECT name, rootpage FROM sqlite_schema WHERE type = 'table'")) {
    std::string name = Unquoted(row[0]);
    SqliteTable& table = tables[name];
    table.rootPage = static_cast<uint32_t>(std::stoul(row[1]));
    auto info = db.Query("SELECT * FROM pragma_table_xinfo(" + Quoted(name, '\'') + ")");
    for (const auto& column : info) table.columns.push_back(Unquoted(column[1]));
    auto wr = db.Column("SELECT wr FROM pragma_table_list WHERE name = " + Quoted(name, '\''));
    table.withoutRowid = !wr.empty() && wr[0] == "1";
    if (!table.withoutRowid) table.keyColumn = RowidAliasOf(db, name, info);
  }
  return tables;
}

// name -> tbl_name of the indexes, views or triggers SQLite lists with SQL.
std::map<std::string, std::string> ObjectsOf(const std::string& path, const std::string& type) {
  Db db(path);
  std::map<std::string, std::string> objects;
  for (const auto& row : db.Query("SELECT name, tbl_name FROM sqlite_schema WHERE type = '" + type +
                                  "' AND sql IS NOT NULL")) {
    objects[Unquoted(row[0])] = Unquoted(row[1]);
  }
  return objects;
}

const RecoveredCatalog& CatalogOf(const Recovery& recovery) { return recovery.context.parser->catalog(); }

// The tables as the scan lists them: by tree node, through the catalog.
std::map<std::string, SqliteTable> ListedTables(const Recovery& recovery) {
  const RecoveredCatalog& catalog = CatalogOf(recovery);
  std::map<std::string, SqliteTable> tables;
  ObjectTree& tree = const_cast<HeadlessFrame&>(recovery.frame).Tree();
  for (TreeItem item : tree.Children(recovery.context.tablesNode)) {
    const auto k = static_cast<size_t>(tree.GetItemData(item));
    const TableDetails& details = catalog.tableDetails.at(k);
    ParsedDescriptor descriptor = ParseColumnDescriptor(catalog.columnDescriptors.at(k));
    SqliteTable& table = tables[details.name];
    table.rootPage = descriptor.rootPage;
    for (std::string column : descriptor.columns) {
      table.columns.push_back(sqlite3::UnquoteIdentifier(column));
    }
    if (descriptor.keyMarker >= 10) table.keyColumn = table.columns.at(static_cast<size_t>(descriptor.keyMarker - 10));
    table.withoutRowid = details.withoutRowid;
    EXPECT_EQ(details.rootPage, descriptor.rootPage);
    EXPECT_EQ(details.keyColumn, descriptor.keyMarker >= 10 ? descriptor.keyMarker - 10 : -1) << details.name;
  }
  return tables;
}

std::map<std::string, std::string> ListedObjects(const Recovery& recovery, TreeItem category,
                                                 const std::vector<SchemaObjectDetails>& details) {
  std::map<std::string, std::string> objects;
  ObjectTree& tree = const_cast<HeadlessFrame&>(recovery.frame).Tree();
  for (TreeItem item : tree.Children(category)) {
    const SchemaObjectDetails& object = details.at(static_cast<size_t>(tree.GetItemData(item)));
    objects[object.name] = object.tableName;
  }
  return objects;
}

bool operator==(const SqliteTable& a, const SqliteTable& b) {
  return a.rootPage == b.rootPage && a.columns == b.columns && a.keyColumn == b.keyColumn &&
         a.withoutRowid == b.withoutRowid;
}

void PrintTo(const SqliteTable& t, std::ostream* out) {
  *out << "{root " << t.rootPage << ", key '" << t.keyColumn << "', wr " << t.withoutRowid << ", columns";
  for (const auto& c : t.columns) *out << " '" << c << "'";
  *out << "}";
}

void ExpectListsWhatSqliteReads(const Recovery& recovery, const std::string& path) {
  const RecoveredCatalog& catalog = CatalogOf(recovery);
  EXPECT_EQ(ListedTables(recovery), TablesOf(path));
  EXPECT_EQ(ListedObjects(recovery, recovery.context.indexesNode, catalog.indexDetails), ObjectsOf(path, "index"));
  EXPECT_EQ(ListedObjects(recovery, recovery.context.viewsNode, catalog.viewDetails), ObjectsOf(path, "view"));
  EXPECT_EQ(ListedObjects(recovery, recovery.context.triggersNode, catalog.triggerDetails), ObjectsOf(path, "trigger"));
  // The per-table lists stay parallel.
  const size_t tables = catalog.tableSql.size();
  EXPECT_EQ(catalog.accessTableSql.size(), tables);
  EXPECT_EQ(catalog.columnDescriptors.size(), tables);
  EXPECT_EQ(catalog.tableColumnTypes.size(), tables);
  EXPECT_EQ(catalog.tableDetails.size(), tables);
  EXPECT_EQ(catalog.indexDetails.size(), catalog.indexSql.size());
  for (size_t k = 0; k < tables; ++k) {
    EXPECT_EQ(catalog.tableColumnTypes[k].size(), ParseColumnDescriptor(catalog.columnDescriptors[k]).columns.size());
  }
}

std::string InEncoding(const std::string& text, const std::string& encoding) {
  if (encoding == "UTF-8") return text;
  std::string bytes;
  for (char c : text) {
    if (encoding == "UTF-16be") bytes += '\0';
    bytes += c;
    if (encoding == "UTF-16le") bytes += '\0';
  }
  return bytes;
}

// A schema with the shapes the tokenizer has to get right.
const std::vector<std::string> kMixedSchema = {
    "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '', checksum INTEGER, "
    "unique_code TEXT UNIQUE)",
    "CREATE TABLE [order details] ([order id] INTEGER, \"unit price\" REAL, `qty` INT, "
    "PRIMARY KEY([order id], `qty`))",
    "CREATE TABLE \"quoted \"\"name\"\"\"(a, b CHECK (b > 0), c DEFAULT 'x, y)', "
    "CONSTRAINT fk FOREIGN KEY (a) REFERENCES people(id))",
    "CREATE TABLE kv(k TEXT PRIMARY KEY, v BLOB) WITHOUT ROWID",
    "CREATE TABLE desc_key(id INTEGER PRIMARY KEY DESC, note)",
    "CREATE TABLE seq(id INTEGER PRIMARY KEY AUTOINCREMENT, x)",
    "CREATE TABLE pair(id INTEGER, v, PRIMARY KEY(id))",
    "CREATE TABLE spaced(\n  a INTEGER, -- first, the key\n  b TEXT /* two ) */\n)",
    "CREATE TABLE gen(a INTEGER, twice AS (a * 2) VIRTUAL, thrice AS (a * 3) STORED)",
    "CREATE TABLE late(a)",
    "INSERT INTO late VALUES (1)",
    "ALTER TABLE late ADD COLUMN b TEXT DEFAULT 'dflt'",
    "ALTER TABLE late ADD COLUMN c INTEGER DEFAULT '5'",
    "CREATE INDEX people_name ON people(name)",
    "CREATE UNIQUE INDEX people_two ON people(name, checksum)",
    "CREATE INDEX spaced_ab ON spaced(a, b)",
    "CREATE VIEW adults AS SELECT id, name FROM people WHERE checksum > 17",
    "CREATE TRIGGER people_ins AFTER INSERT ON people BEGIN INSERT INTO late(a) VALUES (new.id); END",
};

struct FileLayout {
  int pageSize;
  const char* encoding;
};

class ScanLayoutTest : public ::testing::TestWithParam<FileLayout> {};

TEST_P(ScanLayoutTest, ListsWhatSqliteReads) {
  const FileLayout layout = GetParam();
  ScratchDir dir;
  const std::string path = dir.File("mixed.db");
  MakeDatabase(path, kMixedSchema, layout.pageSize, layout.encoding);
  auto recovery = Scan(path);
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_EQ(recovery->MessageTexts(), std::vector<std::string>{kMsgScanCompleted});
  ExpectListsWhatSqliteReads(*recovery, path);

  const RecoveredCatalog& catalog = CatalogOf(*recovery);
  EXPECT_EQ(catalog.pageHeaders.size(), ReadFileBytes(path).size() / static_cast<size_t>(layout.pageSize));
  const uint8_t rootType = catalog.pageHeaders.front().pageType;
  EXPECT_TRUE(rootType == sqlite3::kTableLeaf || rootType == sqlite3::kTableInterior);

  // Columns added later read as their defaults, with the column's affinity.
  auto late = std::find_if(catalog.tableDetails.begin(), catalog.tableDetails.end(),
                           [](const TableDetails& t) { return t.name == "late"; });
  ASSERT_NE(late, catalog.tableDetails.end());
  ASSERT_EQ(late->columns.size(), 3u);
  EXPECT_FALSE(late->columns[0].hasDefault);
  EXPECT_EQ(late->columns[1].defaultValue, Value::Text(InEncoding("dflt", layout.encoding)));
  EXPECT_EQ(late->columns[2].defaultValue, Value::Integer(5));
  auto gen = std::find_if(catalog.tableDetails.begin(), catalog.tableDetails.end(),
                          [](const TableDetails& t) { return t.name == "gen"; });
  ASSERT_NE(gen, catalog.tableDetails.end());
  ASSERT_EQ(gen->columns.size(), 3u);
  EXPECT_TRUE(gen->columns[0].stored);
  EXPECT_FALSE(gen->columns[1].stored);
  EXPECT_TRUE(gen->columns[2].stored);

  const bool utf8 = std::string(layout.encoding) == "UTF-8";
  if (utf8) {
    EXPECT_TRUE(recovery->Logged("File page_header is reading"));
    EXPECT_TRUE(recovery->Logged("Searching File DDL "));
    EXPECT_TRUE(recovery->Logged("Table peopleis found"));
    EXPECT_TRUE(recovery->Logged("INDEX people_name is found"));
  } else {
    EXPECT_TRUE(recovery->Logged("Reading File page header "));
    EXPECT_FALSE(recovery->Logged("Searching File DDL "));
    EXPECT_TRUE(recovery->Logged("Table people  is found"));
    EXPECT_TRUE(recovery->Logged("Index people_name is found"));
  }
  // A unique index is recorded without a log line.
  EXPECT_FALSE(recovery->Logged(utf8 ? "INDEX people_two is found" : "Index people_two is found"));
}

INSTANTIATE_TEST_SUITE_P(
    PageSizesAndEncodings, ScanLayoutTest,
    ::testing::Values(FileLayout{512, "UTF-8"}, FileLayout{1024, "UTF-8"}, FileLayout{2048, "UTF-8"},
                      FileLayout{4096, "UTF-8"}, FileLayout{8192, "UTF-8"}, FileLayout{16384, "UTF-8"},
                      FileLayout{32768, "UTF-8"}, FileLayout{65536, "UTF-8"}, FileLayout{512, "UTF-16le"},
                      FileLayout{4096, "UTF-16le"}, FileLayout{65536, "UTF-16le"}, FileLayout{1024, "UTF-16be"},
                      FileLayout{4096, "UTF-16be"}, FileLayout{32768, "UTF-16be"}),
    [](const auto& test) {
      std::string name = std::to_string(test.param.pageSize) + "_" + test.param.encoding;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

TEST(ScanTest, TreeNodesAndCatalogEntriesOfTheMixedSchema) {
  ScratchDir dir;
  const std::string path = dir.File("mixed.db");
  MakeDatabase(path, kMixedSchema);
  auto recovery = Scan(path);
  ObjectTree& tree = recovery->frame.Tree();
  const RecoveredCatalog& catalog = CatalogOf(*recovery);

  std::vector<std::string> indexNodes;
  for (TreeItem item : tree.Children(recovery->context.indexesNode)) indexNodes.push_back(tree.GetItemText(item));
  EXPECT_EQ(indexNodes, (std::vector<std::string>{" people_name ON people", " people_two ON people", " spaced_ab ON spaced"}));
  // One entry per indexed column; the node carries the last, whole one.
  EXPECT_EQ(catalog.indexSql, (std::vector<std::string>{"CREATE INDEX people_name ON people(name",
                                                        "CREATE UNIQUE INDEX people_two ON people(name",
                                                        "CREATE UNIQUE INDEX people_two ON people(name, checksum",
                                                        "CREATE INDEX spaced_ab ON spaced(a",
                                                        "CREATE INDEX spaced_ab ON spaced(a, b"}));
  EXPECT_EQ(catalog.indexDetails[2].statement, "CREATE UNIQUE INDEX people_two ON people(name, checksum)");
  EXPECT_EQ(tree.GetItemData(tree.Children(recovery->context.indexesNode)[1]), 2);

  TreeItem view = tree.GetChildItem(recovery->context.viewsNode);
  EXPECT_EQ(tree.GetItemText(view), " adults");
  EXPECT_EQ(catalog.viewSql.at(0), "CREATE VIEW adults AS SELECT id, name FROM people WHERE checksum > 17");
  TreeItem trigger = tree.GetChildItem(recovery->context.triggersNode);
  EXPECT_EQ(tree.GetItemText(trigger), "people_ins");
  EXPECT_EQ(catalog.triggerDetails.at(0).tableName, "people");

  // The tokenizer's entries for the first table.
  EXPECT_EQ(catalog.columnDescriptors.at(0),
            "people+id< P.K >~name~checksum~unique_code~#" + std::to_string(RootPageOf(path, "people")));
  EXPECT_EQ(catalog.tableSql.at(0), kMixedSchema[0].substr(0, kMixedSchema[0].size() - 1));
  EXPECT_EQ(catalog.accessTableSql.at(0),
            "create Table [people] ( [id]  INTEGER, [name]  TEXT, [checksum]  INTEGER, [unique_code]  TEXT )");
  EXPECT_EQ(catalog.tableColumnTypes.at(0), (std::vector<std::string>{"INTEGER", "TEXT", "INTEGER", "TEXT"}));
  EXPECT_EQ(catalog.tableDetails.at(0).statement, kMixedSchema[0]);
  // Tables appear in catalog order, each node named as written.
  std::vector<int32_t> data;
  for (TreeItem item : tree.Children(recovery->context.tablesNode)) data.push_back(tree.GetItemData(item));
  EXPECT_TRUE(std::is_sorted(data.begin(), data.end()));
  EXPECT_EQ(tree.GetItemText(tree.Children(recovery->context.tablesNode).at(1)), " [order details] ");
  for (TreeItem category : {recovery->context.tablesNode, recovery->context.indexesNode,
                            recovery->context.viewsNode, recovery->context.triggersNode}) {
    EXPECT_TRUE(tree.IsExpanded(category));
  }
}

TEST(ScanTest, TheLibraryCorrectsWhatTheTokenizerMisreads) {
  ScratchDir dir;
  const std::string path = dir.File("keys.db");
  MakeDatabase(path, {
                         "CREATE TABLE desc_key(id INTEGER PRIMARY KEY DESC, note)",
                         "CREATE TABLE w(id INTEGER PRIMARY KEY, v) WITHOUT ROWID",
                         "CREATE TABLE pair(id INTEGER, v, PRIMARY KEY(id))",
                         "CREATE TABLE commented(a INTEGER /* not the primary key */, b)",
                         "CREATE TABLE c(a/*name*/ INT, b)",
                     });
  auto recovery = Scan(path);
  const RecoveredCatalog& catalog = CatalogOf(*recovery);
  auto root = [&](const char* name) { return std::to_string(RootPageOf(path, name)); };
  const std::vector<std::string> expected = {"desc_key+id~note~#" + root("desc_key"), "w+id~v~#" + root("w"),
                                             "pair+id< P.K >~v~#" + root("pair"),
                                             "commented+a~b~#" + root("commented"), "c+a~b~#" + root("c")};
  EXPECT_EQ(catalog.columnDescriptors, expected);
  EXPECT_TRUE(catalog.tableDetails.at(1).withoutRowid);
  EXPECT_EQ(catalog.tableDetails.at(2).keyColumn, 0);
  EXPECT_TRUE(recovery->Logged(
      "Table desc_key: SQLite's rowid column is none where the column list marked (id); SQLite's reading is used"));
  EXPECT_TRUE(recovery->Logged(
      "Table c: SQLite names the columns (a, b) where the column list gave (a/*name*/, b); SQLite's reading is used"));
  EXPECT_EQ(catalog.accessTableSql.at(4), "create Table [c] ( [a] TEXT, [b] TEXT )");
  EXPECT_EQ(catalog.tableColumnTypes.at(4), (std::vector<std::string>{"TEXT", "TEXT"}));
}

// Enough tables at 512-byte pages for a schema b-tree with interior pages
// below the root.
std::vector<std::string> ManyTables(int count) {
  std::vector<std::string> sql;
  for (int t = 0; t < count; ++t) {
    sql.push_back("CREATE TABLE table_" + std::to_string(t) +
                  "(id INTEGER PRIMARY KEY, name TEXT, amount REAL, note TEXT DEFAULT 'none', created INTEGER)");
  }
  return sql;
}

TEST(ScanTest, DeepSchemaTreeInBothTreeOrders) {
  ScratchDir dir;
  for (const char* encoding : {"UTF-8", "UTF-16le"}) {
    SCOPED_TRACE(encoding);
    const std::string path = dir.File(std::string("many-") + encoding + ".db");
    MakeDatabase(path, ManyTables(400), 512, encoding);
    ASSERT_GE(PagesOf(path, "sqlite_schema", "internal").size(), 2u);
    auto recovery = Scan(path);
    ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
    ExpectListsWhatSqliteReads(*recovery, path);
    std::vector<int32_t> data;
    ObjectTree& tree = recovery->frame.Tree();
    for (TreeItem item : tree.Children(recovery->context.tablesNode)) data.push_back(tree.GetItemData(item));
    ASSERT_EQ(data.size(), 400u);
    // UTF-8 lists tables in catalog order, UTF-16 newest first.
    if (std::string(encoding) == "UTF-8") {
      EXPECT_TRUE(std::is_sorted(data.begin(), data.end()));
    } else {
      EXPECT_TRUE(std::is_sorted(data.rbegin(), data.rend()));
    }
  }
}

TEST(ScanTest, PageHeaderProgressEveryThousandPages) {
  ScratchDir dir;
  const std::string path = dir.File("big.db");
  MakeDatabase(path, {"CREATE TABLE b(x)", "INSERT INTO b VALUES (zeroblob(1250000))"}, 512);
  const size_t pages = ReadFileBytes(path).size() / 512;
  ASSERT_GE(pages, 2001u);
  ASSERT_LT(pages, 3001u);
  auto recovery = Scan(path);
  auto ranges = recovery->frame.progressRanges();
  auto positions = recovery->frame.progressPositions();
  ASSERT_GE(ranges.size(), 1u);
  EXPECT_EQ(ranges[0], 2);
  ASSERT_GE(positions.size(), 3u);
  EXPECT_EQ(std::vector<int64_t>(positions.begin(), positions.begin() + 3), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(CatalogOf(*recovery).pageHeaders.size(), pages);
}

// Rewrites the schema with SQLite's writable_schema, to store rows that
// SQLite itself would never write.
void EditSchema(const std::string& path, const std::vector<std::string>& statements) {
  Db db(path);
  db.Exec("PRAGMA writable_schema = ON");
  for (const std::string& statement : statements) db.Exec(statement);
}

TEST(ScanTest, DuplicateNamesAndDamagedKeywords) {
  ScratchDir dir;
  for (const char* encoding : {"UTF-8", "UTF-16le"}) {
    SCOPED_TRACE(encoding);
    const std::string path = dir.File(std::string("dup-") + encoding + ".db");
    MakeDatabase(path, {"CREATE TABLE t(a, b)", "CREATE TABLE u(x)", "CREATE VIEW v AS SELECT 1"}, 4096, encoding);
    EditSchema(path, {"INSERT INTO sqlite_schema VALUES ('table', 't', 't', 2, 'CREATE TABLE t(a, b, c)')",
                      "UPDATE sqlite_schema SET sql = '%REATE VIEW v AS SELECT 1' WHERE name = 'v'"});
    auto recovery = Scan(path);
    ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
    const RecoveredCatalog& catalog = CatalogOf(*recovery);
    ASSERT_EQ(catalog.tableSql.size(), 3u);
    EXPECT_EQ(catalog.viewSql, std::vector<std::string>{"%REATE VIEW v AS SELECT 1"});
    ObjectTree& tree = recovery->frame.Tree();
    EXPECT_EQ(tree.GetItemText(tree.GetChildItem(recovery->context.viewsNode)), " v");
    std::vector<std::pair<std::string, int32_t>> nodes;
    for (TreeItem item : tree.Children(recovery->context.tablesNode)) {
      nodes.emplace_back(tree.GetItemText(item), tree.GetItemData(item));
    }
    if (std::string(encoding) == "UTF-8") {
      // One node per name, carrying the later copy.
      EXPECT_EQ(nodes, (std::vector<std::pair<std::string, int32_t>>{{" u", 1}, {" t", 2}}));
    } else {
      EXPECT_EQ(nodes, (std::vector<std::pair<std::string, int32_t>>{{" t", 2}, {" u", 1}, {" t", 0}}));
    }
  }
}

TEST(ScanTest, UnreadableRecordsAreSkippedWithOneMessage) {
  ScratchDir dir;
  const std::string path = dir.File("bad-records.db");
  MakeDatabase(path, {"CREATE TABLE good(a)", "CREATE TABLE other(b)"});
  EditSchema(path, {"INSERT INTO sqlite_schema VALUES ('table', 'open', 'open', 9, 'CREATE TABLE open(a, b')",
                    "INSERT INTO sqlite_schema VALUES ('table', 'junk', 'junk', 9, 'no statement here')",
                    "INSERT INTO sqlite_schema VALUES ('index', 'ix', 'good', 9, 'CREATE INDEX ix')",
                    "INSERT INTO sqlite_schema VALUES ('table', 'after', 'after', 9, 'CREATE TABLE after(z)')"});
  auto recovery = Scan(path);
  EXPECT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_EQ(recovery->MessageTexts(), (std::vector<std::string>{kMsgEndianCorrupted, kMsgScanCompleted}));
  EXPECT_TRUE(recovery->Logged("Schema record 2 on page 1 is skipped: its statement runs past the end of its text"));
  EXPECT_TRUE(recovery->Logged("Schema record 3 on page 1 is skipped: it holds no CREATE statement"));
  EXPECT_TRUE(recovery->Logged("Schema record 4 on page 1 is skipped: its statement runs past the end of its text"));
  const RecoveredCatalog& catalog = CatalogOf(*recovery);
  EXPECT_EQ(catalog.columnDescriptors, (std::vector<std::string>{"good+a~#2", "other+b~#3", "after+z~#9"}));
  EXPECT_TRUE(catalog.indexSql.empty());
  EXPECT_EQ(catalog.tableDetails.size(), 3u);
}

TEST(ScanTest, StatementsFromTheFileRunBoundedAndAlone) {
  ScratchDir dir;
  const std::string path = dir.File("hostile.db");
  const std::string attached = dir.File("created-by-attach.db");
  MakeDatabase(path, {"CREATE TABLE ok(a)"});
  EditSchema(path, {"INSERT INTO sqlite_schema VALUES ('table', 'forever', 'forever', 9, "
                    "'CREATE TABLE forever AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                    "SELECT x FROM c')",
                    "INSERT INTO sqlite_schema VALUES ('table', 'huge', 'huge', 9, "
                    "'CREATE TABLE huge(a DEFAULT (zeroblob(2000000000)), b DEFAULT 7)')",
                    "INSERT INTO sqlite_schema VALUES ('table', 'two', 'two', 9, "
                    "'CREATE TABLE two(a); ATTACH ''" + attached + "'' AS other')"});
  auto recovery = Scan(path);
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_FALSE(std::filesystem::exists(attached));
  const RecoveredCatalog& catalog = CatalogOf(*recovery);
  ASSERT_EQ(catalog.tableDetails.size(), 4u);
  // The endless query is cut off; the tokenizer's reading stands.
  EXPECT_TRUE(catalog.tableDetails[1].columns.empty());
  const TableDetails& huge = catalog.tableDetails[2];
  ASSERT_EQ(huge.columns.size(), 2u);
  EXPECT_FALSE(huge.columns[0].hasDefault);
  EXPECT_EQ(huge.columns[1].defaultValue, Value::Integer(7));
  EXPECT_EQ(catalog.columnDescriptors[3], "two+a~#9");
}

// ---- Damaged files ----------------------------------------------------

const std::vector<std::string> kSmallSchema = {
    "CREATE TABLE a(id INTEGER PRIMARY KEY, v TEXT)", "CREATE TABLE b(x, y)",
    "INSERT INTO a(v) SELECT printf('%.*c', 300, 'v') FROM (SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3)",
    "CREATE INDEX b_x ON b(x)"};

TEST(ScanDamageTest, DatabaseAfterOtherData) {
  for (size_t prefix : {size_t{37}, size_t{4096}}) {
    SCOPED_TRACE(prefix);
    ScratchDir dir;
    const std::string original = dir.File("plain.db");
    MakeDatabase(original, kSmallSchema, 1024);
    std::vector<uint8_t> bytes(prefix, 0x5A);
    auto db = ReadFileBytes(original);
    bytes.insert(bytes.end(), db.begin(), db.end());
    const std::string path = dir.File("prefixed.db");
    WriteFileBytes(path, bytes);
    auto recovery = Scan(path);
    ASSERT_EQ(recovery->context.startOffset, prefix);
    ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
    EXPECT_EQ(recovery->MessageTexts(), std::vector<std::string>{kMsgScanCompleted});
    ExpectListsWhatSqliteReads(*recovery, original);
  }
}

TEST(ScanDamageTest, TruncatedInTheMiddleOfAPage) {
  ScratchDir dir;
  const std::string original = dir.File("whole.db");
  MakeDatabase(original, kSmallSchema, 1024);
  auto bytes = ReadFileBytes(original);
  ASSERT_GT(bytes.size(), 2048u);
  bytes.erase(bytes.end() - 500, bytes.end());
  const std::string path = dir.File("cut.db");
  WriteFileBytes(path, bytes);
  auto recovery = Scan(path);
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_TRUE(recovery->Logged("The last 524 bytes of the file do not make a whole page; they are not read"));
  EXPECT_EQ(CatalogOf(*recovery).pageHeaders.size(), bytes.size() / 1024);
  ExpectListsWhatSqliteReads(*recovery, original);
}

TEST(ScanDamageTest, GarbagePageTypeIsLoggedAndTheScanGoesOn) {
  ScratchDir dir;
  for (const char* encoding : {"UTF-8", "UTF-16be"}) {
    SCOPED_TRACE(encoding);
    const std::string original = dir.File(std::string("typed-") + encoding + ".db");
    MakeDatabase(original, kSmallSchema, 1024, encoding);
    auto bytes = ReadFileBytes(original);
    const uint32_t page = RootPageOf(original, "b");
    bytes[(page - 1) * 1024] = 0x6B;
    const std::string path = dir.File(std::string("garbage-") + encoding + ".db");
    WriteFileBytes(path, bytes);
    auto recovery = Scan(path);
    ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
    const std::string line = "Page " + std::to_string(page) + " begins with the unknown page type 107; it is not used";
    // UTF-16 files do not test page types.
    EXPECT_EQ(recovery->Logged(line), std::string(encoding) == "UTF-8");
    EXPECT_EQ(CatalogOf(*recovery).pageHeaders.at(page - 1).pageType, 0x6B);
    ExpectListsWhatSqliteReads(*recovery, original);
  }
}

TEST(ScanDamageTest, InvalidPageSizeFieldEndsTheScan) {
  ScratchDir dir;
  const std::string path = dir.File("size.db");
  MakeDatabase(path, kSmallSchema, 1024);
  auto bytes = ReadFileBytes(path);
  bytes[16] = 0x06;  // 1536: not a power of two
  bytes[17] = 0x00;
  WriteFileBytes(path, bytes);
  auto recovery = Scan(path);
  EXPECT_EQ(recovery->outcome, ScanOutcome::EndedWithErrors);
  auto messages = recovery->frame.messages();
  ASSERT_GE(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kMsgPageSizeInvalid);
  EXPECT_EQ(messages[0].caption, kCaptionPageSizeError);
  EXPECT_EQ(recovery->MessageTexts().back(), kMsgScanEndedWithErrors);
  EXPECT_TRUE(CatalogOf(*recovery).tableSql.empty());
}

TEST(ScanDamageTest, DamagedFirstPageEndsTheScan) {
  ScratchDir dir;
  const std::string path = dir.File("page1.db");
  MakeDatabase(path, kSmallSchema, 1024);
  auto bytes = ReadFileBytes(path);
  std::mt19937 random(7);
  for (size_t i = 100; i < 1024; ++i) bytes[i] = static_cast<uint8_t>(random());
  bytes[100] = 0x42;
  WriteFileBytes(path, bytes);
  auto recovery = Scan(path);
  EXPECT_EQ(recovery->outcome, ScanOutcome::EndedWithErrors);
  auto messages = recovery->frame.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, kMsgContentNotInForm);
  EXPECT_EQ(messages[0].caption, kCaptionCorrupted);
  EXPECT_EQ(messages[1].text, kMsgScanEndedWithErrors);
}

TEST(ScanDamageTest, FilesThatHoldNoDatabase) {
  ScratchDir dir;
  std::mt19937 random(11);
  std::vector<uint8_t> noise(20000);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  std::vector<uint8_t> small(511, 0);
  const std::string signature = "SQLite format 3";
  std::copy(signature.begin(), signature.end(), small.begin());
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::vector<uint8_t>>>{
           {"empty", {}}, {"random", noise}, {"short", small}}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    auto recovery = Scan(path);
    EXPECT_EQ(recovery->outcome, ScanOutcome::NotScanned);
    EXPECT_FALSE(recovery->MessageTexts().empty());
    EXPECT_EQ(recovery->context.parser, nullptr);
  }
}

// Scans a database whose schema b-tree has interior pages below the root,
// after damage to it.
class SchemaTreeDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = dir_.File("many.db");
    MakeDatabase(original_, ManyTables(300), 512);
    bytes_ = ReadFileBytes(original_);
    internal_ = PagesOf(original_, "sqlite_schema", "internal");
    leaves_ = PagesOf(original_, "sqlite_schema", "leaf");
    ASSERT_GE(internal_.size(), 2u);
  }
  const uint8_t* Page(uint32_t n) const { return bytes_.data() + size_t{n - 1} * 512; }
  uint16_t CellCount(uint32_t n) const { return Get16(Page(n) + (n == 1 ? 100 : 0) + 3); }
  std::unique_ptr<Recovery> ScanDamaged() {
    const std::string path = dir_.File("damaged.db");
    WriteFileBytes(path, bytes_);
    return Scan(path);
  }
  // Every listed table is a real one with its real root page and columns.
  void ExpectListedAreIntact(const Recovery& recovery, size_t expectedCount) {
    auto listed = ListedTables(recovery);
    auto real = TablesOf(original_);
    EXPECT_EQ(listed.size(), expectedCount);
    for (const auto& [name, table] : listed) {
      ASSERT_TRUE(real.count(name)) << name;
      EXPECT_EQ(table, real[name]) << name;
    }
  }

  ScratchDir dir_;
  std::string original_;
  std::vector<uint8_t> bytes_;
  std::vector<uint32_t> internal_;
  std::vector<uint32_t> leaves_;
};

TEST_F(SchemaTreeDamageTest, ZeroedLeafLosesOnlyItsTables) {
  const uint32_t leaf = leaves_[leaves_.size() / 2];
  const size_t lost = CellCount(leaf);
  ASSERT_GT(lost, 0u);
  FillPage(bytes_, leaf, 0);
  auto recovery = ScanDamaged();
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_EQ(recovery->MessageTexts(), (std::vector<std::string>{kMsgEndianCorrupted, kMsgScanCompleted}));
  ExpectListedAreIntact(*recovery, 300 - lost);
}

TEST_F(SchemaTreeDamageTest, ChildPointersBackToAnAncestorOrOutOfTheFile) {
  const uint32_t interior = internal_.back();  // not page 1
  ASSERT_NE(interior, 1u);
  const size_t pointerAt = size_t{interior - 1} * 512 + Get16(Page(interior) + 12);
  const uint32_t child = Get32(bytes_.data() + pointerAt);
  ASSERT_EQ(Page(child)[0], sqlite3::kTableLeaf);
  const size_t lost = CellCount(child);
  const std::vector<uint8_t> intact = bytes_;
  const std::string revisited = "was already read; the pointer to it is not followed";
  const std::string outside = "is not in the file; skipped";
  for (const auto& [target, phrase] : std::vector<std::pair<uint32_t, std::string>>{
           {1, revisited}, {interior, revisited}, {0, outside}, {0x7FFFFFFF, outside}}) {
    SCOPED_TRACE(target);
    bytes_ = intact;
    bytes_[pointerAt] = static_cast<uint8_t>(target >> 24);
    bytes_[pointerAt + 1] = static_cast<uint8_t>(target >> 16);
    bytes_[pointerAt + 2] = static_cast<uint8_t>(target >> 8);
    bytes_[pointerAt + 3] = static_cast<uint8_t>(target);
    auto recovery = ScanDamaged();
    ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
    const std::string line =
        "Schema page " + std::to_string(target) + " (child of page " + std::to_string(interior) + ") " + phrase;
    EXPECT_TRUE(recovery->Logged(line)) << line;
    ExpectListedAreIntact(*recovery, 300 - lost);
  }
}

TEST_F(SchemaTreeDamageTest, RandomDamageNeverCrashes) {
  const std::vector<uint8_t> intact = bytes_;
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    bytes_ = intact;
    std::mt19937 random(seed);
    // Damage anywhere after the file header, densely in the schema pages.
    for (int k = 0; k < 200; ++k) {
      const uint32_t page = k % 2 == 0 ? internal_[random() % internal_.size()] : leaves_[random() % leaves_.size()];
      const size_t at = size_t{page - 1} * 512 + (page == 1 ? 100 : 0) + random() % (page == 1 ? 412 : 512);
      bytes_[at] = static_cast<uint8_t>(random());
    }
    auto recovery = ScanDamaged();
    EXPECT_NE(recovery->outcome, ScanOutcome::NotScanned);
    const RecoveredCatalog& catalog = CatalogOf(*recovery);
    EXPECT_EQ(catalog.columnDescriptors.size(), catalog.tableSql.size());
    EXPECT_EQ(catalog.tableDetails.size(), catalog.tableSql.size());
    EXPECT_LE(recovery->frame.messages().size(), 2u);
  }
}

// ---- Texts of the schema records --------------------------------------

TEST(SchemaTextTest, KeywordSearchDecidesTheKind) {
  using sqlite3::SchemaKind;
  struct Case {
    std::string text;
    std::optional<SchemaKind> kind;
    size_t position;
  };
  const Case cases[] = {
      {"CREATE TABLE t(a)", SchemaKind::Table, 0},
      {"create table t(a)", SchemaKind::Table, 0},
      {"CREATE INDEX i ON t(a)", SchemaKind::Index, 0},
      {"CREATE UNIQUE INDEX i ON t(a)", SchemaKind::UniqueIndex, 0},
      {"CREATE VIRTUAL TABLE f USING fts5(x)", SchemaKind::Skipped, 0},
      {"indexsqlite_autoindex_t_1t\x02", SchemaKind::Skipped, 11},
      {"CREATE VIEW v AS SELECT 1", SchemaKind::View, 0},
      {"%REATE VIEW v AS SELECT 1", SchemaKind::View, 0},
      {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", SchemaKind::Trigger, 0},
      {"&REATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", SchemaKind::Trigger, 0},
      {"xx CREATE TABLE t(a)", SchemaKind::Table, 3},
      {"$REATE VIEW v AS SELECT 1", std::nullopt, 0},
      {"nothing to see", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto match = sqlite3::FindSchemaKeyword(c.text);
    ASSERT_EQ(match.has_value(), c.kind.has_value());
    if (!match) continue;
    EXPECT_EQ(match->kind, *c.kind);
    EXPECT_EQ(match->position, c.position);
  }
}

TEST(SchemaTextTest, IndexEntriesOnePerColumn) {
  struct Case {
    std::string text;
    std::vector<std::string> entries;  // empty: runs past the text
  };
  const Case cases[] = {
      {"CREATE INDEX i ON t(a, b)", {"CREATE INDEX i ON t(a", "CREATE INDEX i ON t(a, b"}},
      {"CREATE INDEX i ON t(a)", {"CREATE INDEX i ON t(a"}},
      {"CREATE UNIQUE INDEX u ON t (a,b,c)",
       {"CREATE UNIQUE INDEX u ON t (a", "CREATE UNIQUE INDEX u ON t (a,b", "CREATE UNIQUE INDEX u ON t (a,b,c"}},
      {"CREATE INDEX \"my idx\" ON \"my table\"(\"a b\")", {"CREATE INDEX \"my idx\" ON \"my table\"(\"a b\""}},
      {"CREATE INDEX i\n  ON t(a)", {"CREATE INDEX i\n  ON t(a"}},
      {"CREATE INDEX i", {}},
      {"CREATE INDEX i ON t(a, b", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto match = sqlite3::FindSchemaKeyword(c.text);
    ASSERT_TRUE(match.has_value());
    sqlite3::IndexEntries index;
    const bool read = sqlite3::ReadIndexEntries(c.text, *match, &index);
    EXPECT_EQ(read, !c.entries.empty());
    if (read) {
      EXPECT_EQ(index.entries, c.entries);
    }
  }
}

TEST(SchemaTextTest, NodeNamesAreCutFromTheStatements) {
  EXPECT_EQ(sqlite3::TableNodeName("CREATE TABLE t (id INTEGER"), " t ");
  EXPECT_EQ(sqlite3::TableNodeName("CREATE TABLE [My Table] ([First Name] TEXT"), " [My Table] ");
  EXPECT_EQ(sqlite3::IndexNodeName("CREATE INDEX i ON t(a, b"), " i ON t");
  EXPECT_EQ(sqlite3::ViewNodeName("CREATE VIEW v AS SELECT 1"), " v");
  EXPECT_EQ(sqlite3::ViewNodeName("CREATE VIEW assets as select 1"), " assets");
  EXPECT_EQ(sqlite3::ViewNodeName("%REATE VIEW \"my assets\" AS SELECT 1"), " \"my assets\"");
  EXPECT_EQ(sqlite3::TriggerNodeName("CREATE TRIGGER   tr AFTER INSERT ON t BEGIN SELECT 1; END"), "tr");
  EXPECT_EQ(sqlite3::TriggerTableName("CREATE TRIGGER on_x AFTER UPDATE OF a ON \"main\".\"t t\" BEGIN END"), "t t");
}

}  // namespace
}  // namespace salvoran::testing
