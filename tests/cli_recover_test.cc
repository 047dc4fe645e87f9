// salvoran-cli rows and recover as a user runs them, without a terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/sqlite2/integrity_check.h"
#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

// Runs salvoran-cli through the shell with stdin from /dev/null, so that it
// sees no terminal; stdout is captured, stderr dropped.
CliRun RunCli(const ScratchDir& dir, const std::string& args) {
  std::string outPath = dir.File("stdout.txt");
  std::string command = std::string("'") + SALVORAN_CLI + "' -q " + args + " < /dev/null > '" + outPath +
                        "' 2> /dev/null";
  CliRun run;
  int raw = std::system(command.c_str());
  if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  std::ifstream in(outPath);
  std::stringstream text;
  text << in.rdbuf();
  run.out = text.str();
  return run;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

void MakeShop(const std::string& path, const std::string& encoding = "UTF-8") {
  MakeDatabase(path,
               {"CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, price REAL, pic BLOB)",
                "CREATE TABLE notes(n)", "CREATE INDEX items_name ON items(name)",
                "CREATE VIEW cheap AS SELECT * FROM items WHERE price < 2",
                "CREATE TRIGGER items_gone AFTER DELETE ON items BEGIN DELETE FROM notes; END",
                "INSERT INTO items VALUES (1, 'tea, green', 1.5, x'00')",
                "INSERT INTO items VALUES (2, 'say \"hi\"', 0.1, NULL)", "INSERT INTO notes VALUES ('x')"},
               4096, encoding);
}

TEST(CliRowsTest, PrintsTheGridAsTextAndCsvInEveryEncoding) {
  for (const char* encoding : {"UTF-8", "UTF-16le", "UTF-16be"}) {
    SCOPED_TRACE(encoding);
    ScratchDir dir;
    std::string db = dir.File("shop.db");
    MakeShop(db, encoding);
    CliRun text = RunCli(dir, "rows " + Quote(db) + " items");
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "id< P.K >\tname\tprice\tpic\n"
              "1\ttea, green\t1.5\t< Blob Data >\n"
              "2\tsay \"hi\"\t0.1\tNULL\n");
    CliRun csv = RunCli(dir, "rows " + Quote(db) + " ITEMS --csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out,
              "id< P.K >,name,price,pic\r\n"
              "1,\"tea, green\",1.5,< Blob Data >\r\n"
              "2,\"say \"\"hi\"\"\",0.1,NULL\r\n");
  }
}

TEST(CliRowsTest, UnknownTableIsAUsageError) {
  ScratchDir dir;
  std::string db = dir.File("shop.db");
  MakeShop(db);
  EXPECT_EQ(RunCli(dir, "rows " + Quote(db) + " nosuch").status, 2);
}

TEST(CliRecoverTest, SavesEverythingAndPrintsTheSummary) {
  ScratchDir dir;
  std::string db = dir.File("shop.db");
  MakeShop(db);
  CliRun run = RunCli(dir, "recover " + Quote(db));
  EXPECT_EQ(run.status, 0);
  std::string output = dir.File("Repaired_shop.db");
  EXPECT_EQ(run.out,
            "Output: " + output +
                "\nTables: 2\n  items: 2 rows\n  notes: 1 rows\nIndexes: 1\nViews: 1\nTriggers: 1\nErrors: 0\n");
  EXPECT_EQ(TableRows(output, "items"), TableRows(db, "items"));

  // Without a terminal and without --yes the existing output stays.
  std::vector<uint8_t> before = ReadFileBytes(output);
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db)).status, 1);
  EXPECT_EQ(ReadFileBytes(output), before);
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db) + " --yes").status, 0);
}

TEST(CliRecoverTest, OnlyTheNamedTablesAndTheirObjects) {
  ScratchDir dir;
  std::string db = dir.File("shop.db");
  MakeShop(db);
  std::string output = dir.File("only-notes.db");
  CliRun run = RunCli(dir, "recover " + Quote(db) + " --table notes --output " + Quote(output));
  EXPECT_EQ(run.status, 0);
  Db out(output);
  EXPECT_EQ(out.Column("SELECT name FROM sqlite_schema ORDER BY name"), std::vector<std::string>{"'notes'"});
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db) + " --table nosuch --output " + Quote(dir.File("x.db"))).status, 2);
}

TEST(CliRecoverTest, DamagedInputAndUnwritableOutput) {
  ScratchDir dir;
  std::string db = dir.File("shop.db");
  std::vector<std::string> sql = {"CREATE TABLE t(a, b)"};
  for (int k = 0; k < 2000; ++k) sql.push_back("INSERT INTO t VALUES (" + std::to_string(k) + ", 'row')");
  MakeDatabase(db, sql, 1024);
  std::vector<uint8_t> bytes = ReadFileBytes(db);
  FillPage(bytes, PagesOf(db, "t", "leaf").at(2), 0);
  WriteFileBytes(db, bytes);
  CliRun damaged = RunCli(dir, "recover " + Quote(db) + " --yes");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("Errors: 1"), std::string::npos) << damaged.out;
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db) + " --output " + Quote(dir.File("missing/dir/out.db"))).status, 4);
  EXPECT_EQ(RunCli(dir, "recover " + Quote(dir.File("absent.db"))).status, 3);
}

// basic.db of the SQLite 2.8 library, copied into dir.
std::string CopySqlite2Fixture(const ScratchDir& dir) {
  const std::string copy = dir.File("people.db");
  WriteFileBytes(copy, ReadFileBytes(std::string(SALVORAN_TEST_DATA) + "/sqlite2/basic.db"));
  return copy;
}

TEST(CliSqlite2Test, RowsOfAnSqlite2Table) {
  ScratchDir dir;
  const std::string db = CopySqlite2Fixture(dir);
  CliRun run = RunCli(dir, "rows " + Quote(db) + " people --csv");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("2,O'Brien,82,NULL\r\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("11,Auto Id,007,rowid assigned by the library\r\n"), std::string::npos) << run.out;
}

TEST(CliSqlite2Test, RecoverWritesSqlite3ByDefaultAndSqlite2WithTo) {
  ScratchDir dir;
  const std::string db = CopySqlite2Fixture(dir);
  const std::string output = dir.File("Repaired_people.db");
  CliRun sqlite3 = RunCli(dir, "recover " + Quote(db));
  EXPECT_EQ(sqlite3.status, 0);
  EXPECT_EQ(sqlite3.out, "Output: " + output +
                             "\nTables: 1\n  people: 8 rows\nIndexes: 0\nViews: 0\nTriggers: 0\nErrors: 0\n");
  Db out(output);
  EXPECT_EQ(out.Column("SELECT name FROM people WHERE id = 2"), std::vector<std::string>{"'O'Brien'"});
  const std::vector<std::vector<std::string>> sqlite3Rows = TableRows(output, "people");
  ASSERT_EQ(sqlite3Rows.size(), 8u);

  CliRun sqlite2 = RunCli(dir, "recover " + Quote(db) + " --to sqlite2 --yes");
  EXPECT_EQ(sqlite2.status, 0);
  EXPECT_EQ(sqlite2.out, sqlite3.out);
  std::vector<uint8_t> bytes = ReadFileBytes(output);
  std::string file(bytes.begin(), bytes.end());
  EXPECT_EQ(file.rfind("** This file contains an SQLite 2.1 database **", 0), 0u);
  EXPECT_EQ(sqlite2::CheckIntegrity(file), std::vector<std::string>{});
  // And back into SQLite 3 from the SQLite 2 output.
  const std::string again = dir.File("again.db");
  EXPECT_EQ(RunCli(dir, "recover " + Quote(output) + " --to sqlite3 -o " + Quote(again)).status, 0);
  EXPECT_EQ(TableRows(again, "people"), sqlite3Rows);
}

TEST(CliSqlite2Test, Sqlite2OutputOfSqlite3InputAndUnknownKindsAreUsageErrors) {
  ScratchDir dir;
  const std::string db = dir.File("shop.db");
  MakeShop(db);
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db) + " --to sqlite2").status, 2);
  EXPECT_EQ(RunCli(dir, "recover " + Quote(db) + " --to sqlite4").status, 2);
  EXPECT_FALSE(std::ifstream(dir.File("Repaired_shop.db")).good());
}

}  // namespace
}  // namespace salvoran::testing
