// The scan of SQLite 2 files: the objects listed for files made by the real
// SQLite 2.8 library are exactly those the library lists, and the schema
// statements are taken apart as the catalog needs them.
#include <gtest/gtest.h>

#include "recovery/text.h"
#include "sqlite2fmt/schema_statements.h"
#include "sqlite2fmt/sqlite_ver2.h"
#include "tests/sqlite2_fixtures.h"

namespace salvoran::testing {
namespace {

using namespace sqlite2fixtures;

struct Fixture {
  const char* file;
  const char* expected;
  uint64_t startOffset;
  bool bigEndian;
};

const Fixture kFixtures[] = {
    {"basic.db", "basic", 0, false},         {"multi.db", "multi", 0, false},
    {"overflow.db", "overflow", 0, false},   {"bigtable.db", "bigtable", 0, false},
    {"bigschema.db", "bigschema", 0, false}, {"deleted.db", "deleted", 0, false},
    {"bigendian.db", "bigendian", 0, true},  {"prefixed.bin", "prefixed", 37, false},
};

std::string LeadingWord(const std::string& label) {
  std::string trimmed = TrimWhitespace(label);
  return trimmed.substr(0, trimmed.find_first_of(" \t\r\n"));
}

// Names in list order, each once (index entries repeat per column).
std::vector<std::string> DistinctNames(const std::vector<SchemaObjectDetails>& details) {
  std::vector<std::string> names;
  for (const SchemaObjectDetails& entry : details) {
    if (names.empty() || names.back() != entry.name) names.push_back(entry.name);
  }
  return names;
}

class FixtureScanTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(FixtureScanTest, ListsExactlyTheObjectsTheLibraryLists) {
  const Fixture& fixture = GetParam();
  auto recovery = Scan(FixturePath(fixture.file));
  ASSERT_EQ(recovery->outcome, ScanOutcome::Complete);
  EXPECT_EQ(recovery->context.startOffset, fixture.startOffset);
  auto* parser = dynamic_cast<sqlite_ver2*>(recovery->context.parser.get());
  ASSERT_NE(parser, nullptr);
  EXPECT_EQ(parser->layout().order == sqlite2::ByteOrder::Big, fixture.bigEndian);
  EXPECT_TRUE(parser->layout().magicFound);

  const RecoveredCatalog& catalog = parser->catalog();
  ExpectedFile expected = LoadExpected(fixture.expected);
  std::vector<std::pair<std::string, uint32_t>> wantTables;
  for (const ExpectedRow& row : ExpectedMaster(expected)) {
    if (row.values[1].text == "table") {
      wantTables.emplace_back(row.values[2].text, static_cast<uint32_t>(std::stoul(row.values[4].text)));
    }
  }
  std::vector<std::pair<std::string, uint32_t>> gotTables;
  for (size_t k = 0; k < catalog.tableDetails.size(); ++k) {
    gotTables.emplace_back(catalog.tableDetails[k].name, catalog.tableDetails[k].rootPage);
    EXPECT_EQ(ParseColumnDescriptor(catalog.columnDescriptors[k]).rootPage, catalog.tableDetails[k].rootPage);
  }
  EXPECT_EQ(gotTables, wantTables);
  ASSERT_EQ(catalog.tableSql.size(), wantTables.size());
  EXPECT_EQ(catalog.accessTableSql.size(), wantTables.size());
  EXPECT_EQ(catalog.tableColumnTypes.size(), wantTables.size());
  EXPECT_EQ(catalog.columnDescriptors.size(), wantTables.size());
  EXPECT_EQ(DistinctNames(catalog.indexDetails), ExpectedNames(expected, "index"));
  EXPECT_EQ(DistinctNames(catalog.viewDetails), ExpectedNames(expected, "view"));
  EXPECT_EQ(DistinctNames(catalog.triggerDetails), ExpectedNames(expected, "trigger"));
  EXPECT_EQ(catalog.recordTexts.size(), ExpectedMaster(expected).size());
  EXPECT_EQ(catalog.rawRecordLengths.size(), catalog.recordTexts.size());
  EXPECT_EQ(catalog.pageTable.size(), (ReadFileBytes(FixturePath(fixture.file)).size() - fixture.startOffset) / 1024);

  // One node per object, in creation order, each carrying its entry.
  ObjectTree& tree = recovery->frame.Tree();
  struct Category {
    TreeItem node;
    const char* type;
    std::function<std::string(int32_t)> nameOf;
  };
  const Category categories[] = {
      {recovery->context.tablesNode, "table", [&](int32_t k) { return catalog.tableDetails.at(k).name; }},
      {recovery->context.indexesNode, "index", [&](int32_t k) { return catalog.indexDetails.at(k).name; }},
      {recovery->context.viewsNode, "view", [&](int32_t k) { return catalog.viewDetails.at(k).name; }},
      {recovery->context.triggersNode, "trigger", [&](int32_t k) { return catalog.triggerDetails.at(k).name; }},
  };
  for (const Category& category : categories) {
    SCOPED_TRACE(category.type);
    std::vector<std::string> labels;
    for (TreeItem item : tree.Children(category.node)) {
      labels.push_back(LeadingWord(tree.GetItemText(item)));
      EXPECT_EQ(category.nameOf(tree.GetItemData(item)), labels.back());
    }
    std::vector<std::string> want;
    if (std::string(category.type) == "table") {
      for (const auto& table : wantTables) want.push_back(table.first);
    } else {
      want = ExpectedNames(expected, category.type);
    }
    EXPECT_EQ(labels, want);
    EXPECT_TRUE(tree.IsExpanded(category.node));
  }
}

INSTANTIATE_TEST_SUITE_P(Sqlite2Fixtures, FixtureScanTest, ::testing::ValuesIn(kFixtures),
                         [](const ::testing::TestParamInfo<Fixture>& param) {
                           return std::string(param.param.expected);
                         });

TEST(Sqlite2ScanLog, NamesEveryTableAndPlainIndex) {
  auto recovery = Scan(FixturePath("multi.db"));
  for (const char* table : {"customers", "orders", "products", "audit"}) {
    EXPECT_TRUE(recovery->Logged(std::string("Table ") + table + " is found")) << table;
  }
  for (const char* index : {"idx_customers_city", "idx_orders_cust_placed", "idx_orders_amount"}) {
    EXPECT_TRUE(recovery->Logged(std::string("Index ") + index + " is found")) << index;
  }
  EXPECT_FALSE(recovery->Logged("Index ux_products_title is found"));
  // Two automatic indexes, four tables, four indexes, a view, a trigger.
  const RecoveredCatalog& catalog = recovery->context.parser->catalog();
  EXPECT_EQ(catalog.rootPages, (std::vector<uint32_t>{4, 0, 5, 7, 0, 8, 9, 10, 11, 14, 0, 0}));
  EXPECT_EQ(catalog.columnDescriptors[0], "customers+id< P.K >~name~email~city~age~#4");
  EXPECT_EQ(catalog.columnDescriptors[2], "products+sku~title~price~qty~#7");
  EXPECT_EQ(SchemaObjectStatement(catalog, kIndexesItemData, catalog.indexSql.size() - 1),
            "CREATE INDEX idx_orders_amount ON orders(amount)");
  EXPECT_EQ(catalog.triggerDetails.at(0).tableName, "orders");
}

struct TableCase {
  const char* sql;
  uint32_t root;
  const char* statement;
  const char* access;
  const char* descriptor;
  std::vector<std::string> types;
};

class TableStatementTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableStatementTest, GivesTheCatalogEntries) {
  const TableCase& c = GetParam();
  sqlite2::FoundStatement found = sqlite2::FindStatement(c.sql);
  ASSERT_EQ(found.kind, sqlite2::StatementKind::Table);
  sqlite2::TableStatement table;
  ASSERT_TRUE(sqlite2::ParseTableStatement(c.sql, found.bodyPosition, &table));
  EXPECT_EQ(table.statement, c.statement);
  EXPECT_EQ(table.accessStatement, c.access);
  EXPECT_EQ(table.Descriptor(c.root), c.descriptor);
  EXPECT_EQ(table.accessTypes, c.types);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableStatementTest,
    ::testing::Values(
        TableCase{"CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT)", 3, "CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT",
                  "create Table [t] ( [a]  INTEGER , [b]  TEXT )", "t+a< P.K >~b~#3", {"INTEGER", "TEXT"}},
        TableCase{"CREATE TABLE t(x varchar(20), y)", 2, "CREATE TABLE t(x varchar(20), y",
                  "create Table [t] ( [x] TEXT , [y] TEXT )", "t+x~y~#2", {"TEXT", "TEXT"}},
        TableCase{"CREATE TABLE t(a, b, PRIMARY KEY(a))", 4, "CREATE TABLE t(a, b, PRIMARY KEY(a)",
                  "create Table [t] ( [a] TEXT , [b] TEXT )", "t+a~b~#4", {"TEXT", "TEXT"}},
        // PRIMARY KEY(id) over an INTEGER column makes it the rowid.
        TableCase{"create table t(id integer, v TEXT, PRIMARY KEY(id))", 70000,
                  "create table t(id integer, v TEXT, PRIMARY KEY(id)",
                  "create Table [t] ( [id]  INTEGER , [v]  TEXT )", "t+id< P.K >~v~#70000", {"INTEGER", "TEXT"}},
        // Commas inside a size, whole-word constraints only.
        TableCase{"CREATE TABLE t(price DECIMAL(10,2), unique_code TEXT, checksum INT, CHECK(price > 0))", 6,
                  "CREATE TABLE t(price DECIMAL(10,2), unique_code TEXT, checksum INT, CHECK(price > 0)",
                  "create Table [t] ( [price] TEXT , [unique_code]  TEXT , [checksum] TEXT )",
                  "t+price~unique_code~checksum~#6", {"TEXT", "TEXT", "TEXT"}},
        TableCase{"CREATE TABLE customers(\n  id INTEGER PRIMARY KEY,\n  name TEXT NOT NULL,\n"
                  "  email TEXT UNIQUE\n)",
                  4,
                  "CREATE TABLE customers(\n  id INTEGER PRIMARY KEY,\n  name TEXT NOT NULL,\n  email TEXT UNIQUE\n",
                  "create Table [customers] ( [id]  INTEGER , [name]  TEXT , [email]  TEXT )",
                  "customers+id< P.K >~name~email~#4", {"INTEGER", "TEXT", "TEXT"}},
        // Quoted names with blanks and commas; INT PRIMARY KEY and
        // INTEGER(10) PRIMARY KEY are ordinary columns.
        TableCase{"CREATE TABLE [my table](\"odd, name\" TEXT DEFAULT 'a,b', n INT PRIMARY KEY NOT NULL, "
                  "m INTEGER(10))",
                  7,
                  "CREATE TABLE [my table](\"odd, name\" TEXT DEFAULT 'a,b', n INT PRIMARY KEY NOT NULL, "
                  "m INTEGER(10)",
                  "create Table [mytable] ( [oddname]  TEXT , [n] TEXT , [m] TEXT )",
                  "[my table]+\"odd, name\"~n~m~#7", {"TEXT", "TEXT", "TEXT"}},
        TableCase{"CREATE TABLE t(a INTEGER(10) PRIMARY KEY, b)", 8, "CREATE TABLE t(a INTEGER(10) PRIMARY KEY, b",
                  "create Table [t] ( [a] TEXT , [b] TEXT )", "t+a~b~#8", {"TEXT", "TEXT"}},
        // A statement cut short is used as far as it goes.
        TableCase{"CREATE TABLE t(a TEXT, b", 9, "CREATE TABLE t(a TEXT, b",
                  "create Table [t] ( [a]  TEXT , [b] TEXT )", "t+a~b~#9", {"TEXT", "TEXT"}}));

TEST(Sqlite2Statements, IndexElementsEndWithTheWholeColumnList) {
  struct Case {
    const char* sql;
    const char* name;
    const char* table;
    std::vector<std::string> elements;
  };
  const Case cases[] = {
      {"CREATE INDEX i ON t(a, b)", "i", "t", {"CREATE INDEX i ON t(a", "CREATE INDEX i ON t(a, b"}},
      {"CREATE UNIQUE INDEX ux ON products(title)", "ux", "products", {"CREATE UNIQUE INDEX ux ON products(title"}},
      {"create index [my idx] on [my table] (c)", "[my idx]", "[my table]", {"create index [my idx] on [my table] (c"}},
      {"CREATE INDEX i ON t(a", "i", "t", {"CREATE INDEX i ON t(a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    sqlite2::FoundStatement found = sqlite2::FindStatement(c.sql);
    ASSERT_TRUE(found.kind == sqlite2::StatementKind::Index || found.kind == sqlite2::StatementKind::UniqueIndex);
    sqlite2::IndexStatement index;
    ASSERT_TRUE(sqlite2::ParseIndexStatement(c.sql, found.bodyPosition, &index));
    EXPECT_EQ(index.name, c.name);
    EXPECT_EQ(index.tableName, c.table);
    EXPECT_EQ(index.elements, c.elements);
  }
}

TEST(Sqlite2Statements, FindsTheKindAndWhereItStarts) {
  using sqlite2::StatementKind;
  struct Case {
    const char* text;
    StatementKind kind;
    size_t position;
  };
  const Case cases[] = {
      {"CREATE TABLE t(a)", StatementKind::Table, 0},
      {"xx create\n  table t(a)", StatementKind::Table, 3},
      {"CREATE UNIQUE INDEX u ON t(a)", StatementKind::UniqueIndex, 0},
      {"%REATE VIEW v AS SELECT 1", StatementKind::View, 0},
      {"ab&REATE TRIGGER g AFTER INSERT ON t BEGIN SELECT 1; END", StatementKind::Trigger, 2},
      {"(customers autoindex 1)", StatementKind::Skipped, 11},
      {"CREATE VIRTUAL TABLE v USING x", StatementKind::Skipped, 0},
      {"CREATE TABLES", StatementKind::None, 0},
      {"", StatementKind::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sqlite2::FoundStatement found = sqlite2::FindStatement(c.text);
    EXPECT_EQ(found.kind, c.kind);
    if (c.kind != StatementKind::None) {
      EXPECT_EQ(found.position, c.position);
    }
  }
}

TEST(Sqlite2Statements, TreeLabelsKeepTheTextAfterTheKeyword) {
  using sqlite2::StatementKind;
  const std::tuple<StatementKind, const char*, const char*> cases[] = {
      {StatementKind::Table, "CREATE TABLE t(a", " t"},
      {StatementKind::Table, "CREATE TABLE customers(\n  id", " customers"},
      {StatementKind::Index, "CREATE INDEX i ON t(a, b", " i ON t"},
      {StatementKind::View, "CREATE VIEW v AS SELECT 1", " v"},
      {StatementKind::View, "CREATE VIEW assets AS SELECT 1", " assets"},
      {StatementKind::View, "%REATE VIEW v\nAS SELECT 1", " v"},
      {StatementKind::Trigger, "CREATE TRIGGER  trg AFTER INSERT ON t BEGIN SELECT 1; END", "trg"},
      {StatementKind::Table, "no keyword here", ""},
  };
  for (const auto& [kind, text, label] : cases) EXPECT_EQ(sqlite2::TreeLabel(kind, text), label) << text;
}

// A schema row as the library writes it: five zero-terminated texts (or
// NULLs) after one-byte offsets.
std::string SchemaRecord(const std::vector<const char*>& fields) {
  std::string body;
  std::vector<size_t> ends;
  for (const char* field : fields) {
    if (field != nullptr) body += std::string(field) + '\0';
    ends.push_back(body.size());
  }
  const size_t header = fields.size() + 1;
  std::string record(1, static_cast<char>(header));
  for (size_t end : ends) record.push_back(static_cast<char>(header + end));
  return record + body;
}

TEST(Sqlite2Statements, SchemaRecordsGiveStatementAndWholeRootPage) {
  using sqlite2::StatementKind;
  std::string table = SchemaRecord({"table", "t", "t", "70000", "CREATE TABLE t(a)"});
  sqlite2::SchemaStatement read = sqlite2::ReadSchemaStatement(table);
  EXPECT_EQ(read.kind, StatementKind::Table);
  EXPECT_EQ(read.rootPage, 70000u);
  EXPECT_EQ(read.text, "CREATE TABLE t(a)");

  // Damaged offsets: the raw bytes are searched, the root page read before
  // the statement.
  std::string damaged = table;
  damaged[0] = static_cast<char>(0xff);
  read = sqlite2::ReadSchemaStatement(damaged);
  EXPECT_EQ(read.kind, StatementKind::Table);
  EXPECT_EQ(read.rootPage, 70000u);
  EXPECT_EQ(read.text, "CREATE TABLE t(a)");

  // An automatic index has no statement; a table whose name mentions
  // autoindex is still a table.
  EXPECT_EQ(sqlite2::ReadSchemaStatement(SchemaRecord({"index", "(t autoindex 1)", "t", "3", nullptr})).kind,
            StatementKind::Skipped);
  EXPECT_EQ(sqlite2::ReadSchemaStatement(
                SchemaRecord({"table", "my_autoindex", "my_autoindex", "4", "CREATE TABLE my_autoindex(a)"}))
                .kind,
            StatementKind::Table);
}

}  // namespace
}  // namespace salvoran::testing
