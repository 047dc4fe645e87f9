// The SQLite 2 connection classes and the SQLite 2 row sink: code names,
// exception messages and copies, the closed connection, an output that
// cannot be opened, changed-row counts, the INSERT text and the retry list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "writers/cpp_sqlite_db.h"
#include "writers/sqlite2_row_sink.h"

namespace salvoran::testing {
namespace {

struct CodeName {
  int code;
  const char* name;
};

const CodeName kCodeNames[] = {
    {0, "SQLITE_OK"},          {1, "SQLITE_ERROR"},       {5, "SQLITE_BUSY"},     {11, "SQLITE_CORRUPT"},
    {13, "SQLITE_FULL"},       {14, "SQLITE_CANTOPEN"},   {19, "SQLITE_CONSTRAINT"}, {24, "SQLITE_FORMAT"},
    {25, "SQLITE_RANGE"},      {26, "UNKNOWN_ERROR"},     {99, "UNKNOWN_ERROR"},  {100, "SQLITE_ROW"},
    {101, "SQLITE_DONE"},      {102, "UNKNOWN_ERROR"},    {-1, "UNKNOWN_ERROR"},  {1000, "CPPSQLITE_ERROR"},
};

TEST(CppSqliteDb, ErrorCodeNames) {
  for (const CodeName& c : kCodeNames) EXPECT_STREQ(ErrorCodeName(c.code), c.name) << c.code;
}

TEST(CppSqliteDb, TheMessageNamesTheCodeAndCopiesOwnTheirText) {
  char* detail = sqlite_mprintf("%s", "disk I/O error");
  CppSQLiteException error(10, detail, true);  // releases detail
  EXPECT_EQ(error.errorCode(), 10);
  ASSERT_NE(error.errorMessage(), nullptr);
  EXPECT_STREQ(error.errorMessage(), "SQLITE_IOERR[10]: disk I/O error");
  CppSQLiteException copy(error);
  EXPECT_EQ(copy.errorCode(), 10);
  EXPECT_STREQ(copy.errorMessage(), error.errorMessage());
  EXPECT_NE(copy.errorMessage(), error.errorMessage());
  CppSQLiteException noDetail(1, nullptr, true);
  EXPECT_STREQ(noDetail.errorMessage(), "SQLITE_ERROR[1]: ");
  copy = noDetail;
  EXPECT_STREQ(copy.errorMessage(), "SQLITE_ERROR[1]: ");
}

TEST(CppSqliteDb, AClosedConnectionRaisesCode1000) {
  CppSQLiteDB db;
  EXPECT_EQ(db.busyTimeout(), 60000);
  try {
    db.ExecuteStatement("CREATE TABLE t(a)");
    FAIL() << "no exception";
  } catch (const CppSQLiteException& error) {
    EXPECT_EQ(error.errorCode(), 1000);
    EXPECT_STREQ(error.errorMessage(), "CPPSQLITE_ERROR[1000]: Database not open");
  }
}

TEST(CppSqliteDb, AnOutputThatCannotBeOpenedRaisesCantOpen) {
  ScratchDir dir;
  CppSQLiteDB db;
  try {
    db.OpenDatabase(dir.File("missing/folder/out.db").c_str());
    FAIL() << "no exception";
  } catch (const CppSQLiteException& error) {
    EXPECT_EQ(error.errorCode(), 14);
    ASSERT_NE(error.errorMessage(), nullptr);
    EXPECT_EQ(std::strncmp(error.errorMessage(), "SQLITE_CANTOPEN[14]: ", 21), 0) << error.errorMessage();
    EXPECT_GT(std::strlen(error.errorMessage()), 21u) << "the library's reason follows";
  }
  EXPECT_FALSE(db.isOpen());
}

TEST(CppSqliteDb, StatementsReportTheRowsTheyChangedOrMinusOne) {
  ScratchDir dir;
  CppSQLiteDB db;
  db.OpenDatabase(dir.File("out.db").c_str());
  EXPECT_EQ(db.ExecuteStatement("CREATE TABLE t(a UNIQUE)"), 0);
  EXPECT_EQ(db.ExecuteStatement("INSERT INTO t VALUES('x')"), 1);
  EXPECT_EQ(db.ExecuteStatement("INSERT INTO t VALUES('x')"), -1);
  EXPECT_EQ(db.ExecuteStatement("no statement at all"), -1);
  db.Close();
  EXPECT_FALSE(db.isOpen());
  db.OpenDatabase(dir.File("out.db").c_str());
  EXPECT_EQ(db.ExecuteStatement("INSERT INTO t VALUES('y')"), 1) << "the table was written at close";
}

TEST(Sqlite2RowSink, TheInsertTextQuotesTheNameAndEveryText) {
  EXPECT_EQ(Sqlite2RowSink::InsertStatement("my \"t\"", {Value::Integer(-3), Value::Text("O'Brien"), Value::Null(),
                                                        Value::Text("")}),
            "insert into \"my \"\"t\"\"\" values(-3,'O''Brien',NULL,'');");
}

TEST(Sqlite2RowSink, RowsTheOutputRefusesAreRetriedABoundedNumberOfTimesAndReported) {
  ScratchDir dir;
  CppSQLiteDB db;
  db.OpenDatabase(dir.File("out.db").c_str());
  ASSERT_EQ(db.ExecuteStatement("CREATE TABLE t(id INTEGER PRIMARY KEY, a UNIQUE)"), 0);
  std::vector<std::string> errors;
  Sqlite2RowSink sink(db, "t", [&](const std::string& message) { errors.push_back(message); });
  int accepted = 0;
  for (int i = 1; i <= 20; ++i) {
    // Every odd row repeats the value of the row before it.
    const std::string value = "v" + std::to_string(i % 2 == 1 && i > 1 ? i - 1 : i);
    if (sink.WriteRow({Value::Integer(i), Value::Text(value)}, i)) ++accepted;
  }
  sink.Finish();
  EXPECT_EQ(accepted, 11);
  EXPECT_EQ(sink.retriedRows(), 0);
  EXPECT_EQ(sink.rejectedRows(), 9);
  ASSERT_EQ(errors.size(), 9u);
  EXPECT_EQ(errors.front(), "row 3 of t is not written");
  EXPECT_EQ(errors.back(), "row 19 of t is not written");
}

TEST(Sqlite2RowSink, ARowThatFailsFirstGoesInOnARetry) {
  ScratchDir dir;
  CppSQLiteDB db;
  db.OpenDatabase(dir.File("out.db").c_str());
  Sqlite2RowSink sink(db, "t", [](const std::string&) {});
  // The table does not exist yet: the row waits for a retry.
  EXPECT_FALSE(sink.WriteRow({Value::Text("early")}, 1));
  ASSERT_EQ(db.ExecuteStatement("CREATE TABLE t(a)"), 0);
  sink.Finish();
  EXPECT_EQ(sink.retriedRows(), 1);
  EXPECT_EQ(sink.rejectedRows(), 0);
}

}  // namespace
}  // namespace salvoran::testing
