// The CREATE TABLE tokenizer: the four per-table catalog entries it builds
// from a statement, and the statements it must refuse.
#include "sqlite3fmt/table_definition.h"

#include <gtest/gtest.h>

namespace salvoran::sqlite3 {
namespace {

struct DefinitionCase {
  std::string text;
  std::string descriptor;  // with root page 2
  std::string statement;
  std::string access;
  std::vector<std::string> types;
};

class TableDefinitionTest : public ::testing::TestWithParam<DefinitionCase> {};

TEST_P(TableDefinitionTest, BuildsTheCatalogEntries) {
  const DefinitionCase& c = GetParam();
  const size_t q = c.text.find("CREATE TABLE");
  ASSERT_NE(q, std::string::npos);
  TableDefinition definition;
  ASSERT_TRUE(ParseTableDefinition(c.text, q, &definition));
  EXPECT_EQ(definition.Descriptor(2), c.descriptor);
  EXPECT_EQ(definition.statement, c.statement);
  EXPECT_EQ(definition.accessStatement, c.access);
  EXPECT_EQ(definition.columnTypes, c.types);
  EXPECT_EQ(definition.columns.size(), definition.columnTypes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Statements, TableDefinitionTest,
    ::testing::Values(
        DefinitionCase{"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)", "t +id< P.K >~name~#2",
                       "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT",
                       "create Table [t] ( [id]  INTEGER, [name]  TEXT )", {"INTEGER", "TEXT"}},
        DefinitionCase{"CREATE TABLE t(a VARCHAR(20), b BLOB)", "t+a~b~#2", "CREATE TABLE t(a VARCHAR(20), b BLOB",
                       "create Table [t] ( [a] TEXT, [b]  OLE Object )", {"TEXT", "OLE Object"}},
        // The key mark needs the word INTEGER.
        DefinitionCase{"CREATE TABLE t(id INT PRIMARY KEY)", "t+id~#2", "CREATE TABLE t(id INT PRIMARY KEY",
                       "create Table [t] ( [id] TEXT )", {"TEXT"}},
        DefinitionCase{"CREATE TABLE t(id integer not null primary key autoincrement, v)", "t+id< P.K >~v~#2",
                       "CREATE TABLE t(id integer not null primary key autoincrement, v",
                       "create Table [t] ( [id]  INTEGER, [v] TEXT )", {"INTEGER", "TEXT"}},
        // A table constraint ends the column list; the statement ends
        // before the table's own closing parenthesis.
        DefinitionCase{"CREATE TABLE t(a, b, PRIMARY KEY(a, b))", "t+a~b~#2", "CREATE TABLE t(a, b, PRIMARY KEY(a, b)",
                       "create Table [t] ( [a] TEXT, [b] TEXT )", {"TEXT", "TEXT"}},
        DefinitionCase{"CREATE TABLE t(a INTEGER, CONSTRAINT pk PRIMARY KEY (a), UNIQUE (a))", "t+a~#2",
                       "CREATE TABLE t(a INTEGER, CONSTRAINT pk PRIMARY KEY (a), UNIQUE (a)",
                       "create Table [t] ( [a]  INTEGER )", {"INTEGER"}},
        DefinitionCase{"CREATE TABLE t(a, b, FOREIGN  KEY (a) REFERENCES u(x), CHECK (b > (a + 1)))", "t+a~b~#2",
                       "CREATE TABLE t(a, b, FOREIGN  KEY (a) REFERENCES u(x), CHECK (b > (a + 1))",
                       "create Table [t] ( [a] TEXT, [b] TEXT )", {"TEXT", "TEXT"}},
        // Keywords count only as whole words.
        DefinitionCase{"CREATE TABLE t(checksum INTEGER, b TEXT)", "t+checksum~b~#2",
                       "CREATE TABLE t(checksum INTEGER, b TEXT",
                       "create Table [t] ( [checksum]  INTEGER, [b]  TEXT )", {"INTEGER", "TEXT"}},
        DefinitionCase{"CREATE TABLE t(unique_code TEXT, constraints INTEGER, recheck INTEGER)",
                       "t+unique_code~constraints~recheck~#2",
                       "CREATE TABLE t(unique_code TEXT, constraints INTEGER, recheck INTEGER",
                       "create Table [t] ( [unique_code]  TEXT, [constraints]  INTEGER, [recheck]  INTEGER )",
                       {"TEXT", "INTEGER", "INTEGER"}},
        DefinitionCase{"CREATE TABLE [My Table] ([First Name] TEXT)", "[My Table] +[First Name]~#2",
                       "CREATE TABLE [My Table] ([First Name] TEXT",
                       "create Table [MyTable] ( [FirstName]  TEXT )", {"TEXT"}},
        // Commas and parentheses inside strings, nested parentheses,
        // checks and comments do not end a column.
        DefinitionCase{"CREATE TABLE t(a TEXT DEFAULT 'x, y)', b INTEGER CHECK (b > abs(-1)), "
                       "c DECIMAL(10, 2) DEFAULT (round(1.5, 0)), -- d, e)\n \"e f\" DOUBLE)",
                       "t+a~b~c~\"e f\"~#2",
                       "CREATE TABLE t(a TEXT DEFAULT 'x, y)', b INTEGER CHECK (b > abs(-1)), "
                       "c DECIMAL(10, 2) DEFAULT (round(1.5, 0)), -- d, e)\n \"e f\" DOUBLE",
                       "create Table [t] ( [a]  TEXT, [b]  INTEGER, [c] TEXT, [ef]  DOUBLE )",
                       {"TEXT", "INTEGER", "TEXT", "DOUBLE"}},
        // Text before the keyword is not part of the statement.
        DefinitionCase{"junk CREATE TABLE t(x)", "t+x~#2", "CREATE TABLE t(x", "create Table [t] ( [x] TEXT )", {"TEXT"}},
        DefinitionCase{"CREATE TABLE t(x) WITHOUT ROWID", "t+x~#2", "CREATE TABLE t(x", "create Table [t] ( [x] TEXT )",
                       {"TEXT"}},
        DefinitionCase{"CREATE TABLE t\t(\n\tid\tINTEGER PRIMARY KEY\n)", "t\t+id< P.K >~#2",
                       "CREATE TABLE t\t(\n\tid\tINTEGER PRIMARY KEY\n", "create Table [t] ( [id]  INTEGER )",
                       {"INTEGER"}},
        // A name without plain letters keeps its own form in the Access
        // statement.
        DefinitionCase{"CREATE TABLE `\xD1\x82`(\xD0\xB0 YESNO)", "`\xD1\x82`+\xD0\xB0~#2",
                       "CREATE TABLE `\xD1\x82`(\xD0\xB0 YESNO", "create Table [\xD1\x82] ( [\xD0\xB0]  YESNO )",
                       {"YESNO"}}));

TEST(TableDefinitionTest, RefusesStatementsThatRunPastTheirText) {
  for (const char* text : {"CREATE TABLE t", "CREATE TABLE", "CREATE TABLE t(a, b", "CREATE TABLE t(a DEFAULT 'x)",
                           "CREATE TABLE t([a b INTEGER)", "CREATE TABLE t(a, CHECK (a > 0)",
                           "CREATE TABLE t(a CHECK ((a > 0)", "CREATE TABLE t(a, b) ", "CREATE TABLE t(a /* x)"}) {
    SCOPED_TRACE(text);
    TableDefinition definition;
    definition.name = "untouched";
    const bool parsed = ParseTableDefinition(text, 0, &definition);
    if (std::string_view(text) == "CREATE TABLE t(a, b) ") {
      EXPECT_TRUE(parsed);  // the control case: a whole statement
      continue;
    }
    EXPECT_FALSE(parsed);
    EXPECT_EQ(definition.name, "untouched");
  }
}

TEST(TableDefinitionTest, MarkedColumnsAndNames) {
  TableDefinition definition;
  ASSERT_TRUE(ParseTableDefinition("CREATE TABLE t(a, id INTEGER PRIMARY KEY, b)", 0, &definition));
  EXPECT_EQ(definition.MarkedColumns(), std::vector<int>{1});

  struct NameCase {
    const char* written;
    const char* unquoted;
    const char* clean;
  };
  for (const NameCase& c : {NameCase{"[My Table] ", "My Table", "My Table"}, NameCase{"\"a\"\"b\"", "a\"b", "a\"b"},
                            NameCase{" `c` ", "c", "c"}, NameCase{"'d'", "d", "d"}, NameCase{"t ", "t", "t"},
                            NameCase{"id< P.K >", "id", "id"}, NameCase{"IF NOT EXISTS x", "IF NOT EXISTS x", "x"},
                            NameCase{"main.\"t.u\" ", "main.\"t.u\"", "t.u"}, NameCase{"[open", "[open", "[open"}}) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(UnquoteIdentifier(c.written), c.unquoted);
    EXPECT_EQ(CleanTableName(c.written), c.clean);
  }
}

}  // namespace
}  // namespace salvoran::sqlite3
