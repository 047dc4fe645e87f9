// The statements of the SQLite 2 library through its 2.8 calls: what is
// accepted and stored, what is refused with which code and message, the
// constraints (UNIQUE, NOT NULL, INTEGER PRIMARY KEY) and their ON CONFLICT
// actions, transactions, connections opened and closed per object, stale
// journals and files that cannot be used.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sqlite2/database_loader.h"
#include "platform/sqlite2/file_format.h"
#include "platform/sqlite2/integrity_check.h"
#include "platform/sqlite2/sqlite.h"
#include "tests/support/test_support.h"

namespace salvoran::sqlite2 {
namespace {

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

struct Outcome {
  int code;
  std::string message;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) { return out << o.code << " \"" << o.message << "\""; }

// One connection through the 2.8 calls.
class Connection2 {
 public:
  explicit Connection2(const std::string& path) {
    char* error = nullptr;
    db_ = sqlite_open(path.c_str(), 0, &error);
    EXPECT_NE(db_, nullptr) << (error ? error : "");
    EXPECT_EQ(error, nullptr);
    sqlite_freemem(error);
    if (db_) sqlite_busy_timeout(db_, 60000);
  }
  ~Connection2() { Close(); }
  Connection2(const Connection2&) = delete;
  Connection2& operator=(const Connection2&) = delete;

  Outcome Exec(const std::string& sql) {
    char* error = reinterpret_cast<char*>(1);  // must be overwritten
    const int code = sqlite_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    Outcome outcome{code, error ? error : ""};
    if (code == SQLITE_OK) {
      EXPECT_EQ(error, nullptr);
    }
    sqlite_freemem(error);
    return outcome;
  }
  void Run(const std::string& sql) { ASSERT_EQ(Exec(sql), (Outcome{SQLITE_OK, ""})) << sql; }
  int Changes() { return sqlite_changes(db_); }
  void Close() {
    sqlite_close(db_);
    db_ = nullptr;
  }

 private:
  sqlite* db_ = nullptr;
};

Database Load(const std::string& path) {
  Database db;
  const LoadResult result = LoadDatabase(ReadBytes(path), db);
  EXPECT_EQ(result.code, SQLITE_OK) << result.message;
  return db;
}

const SchemaObject& Object(const Database& db, const std::string& name) {
  for (const SchemaObject& object : db.objects) {
    if (object.name == name) return object;
  }
  ADD_FAILURE() << "no object " << name;
  static const SchemaObject none;
  return none;
}

// The values of a table's rows: rowid, then the stored fields (NULL as
// "NULL").
std::vector<std::vector<std::string>> Rows(const Database& db, const std::string& table) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& [rowid, record] : Object(db, table).rows) {
    std::vector<std::string> row{std::to_string(rowid)};
    for (const FieldView& field : DecodeRecord(record).value_or(std::vector<FieldView>{})) {
      row.push_back(field ? std::string(*field) : "NULL");
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

class Sqlite2SqlTest : public ::testing::Test {
 protected:
  testing::ScratchDir dir;
  std::string path = dir.File("out.db");
};

constexpr const char* kSetup =
    "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL, email TEXT UNIQUE, n NUMERIC);"
    "CREATE VIEW v AS SELECT * FROM t;"
    "CREATE INDEX t_n ON t(n);";

TEST_F(Sqlite2SqlTest, RefusedStatementsGiveTheLibraryCodeAndMessage) {
  const std::string unsupported = "not supported by this SQLite 2 writer: ";
  const struct {
    const char* sql;
    Outcome outcome;
  } cases[] = {
      {"SELECT * FROM t", {SQLITE_ERROR, unsupported + "SELECT statements"}},
      {"DROP TABLE t", {SQLITE_ERROR, unsupported + "DROP statements"}},
      {"update t set n = 1", {SQLITE_ERROR, unsupported + "UPDATE statements"}},
      {"PRAGMA default_cache_size=10", {SQLITE_ERROR, unsupported + "PRAGMA statements"}},
      {"CREATE TEMP TABLE u(a)", {SQLITE_ERROR, unsupported + "temporary objects"}},
      {"CREATE TABLE u AS SELECT 1", {SQLITE_ERROR, unsupported + "CREATE TABLE ... AS SELECT"}},
      {"INSERT INTO t SELECT * FROM t", {SQLITE_ERROR, unsupported + "INSERT ... SELECT"}},
      {"INSERT INTO t VALUES(1,'a',NULL,1+1)",
       {SQLITE_ERROR, unsupported + "expressions in VALUES (only literal values are written)"}},
      {"HELLO", {SQLITE_ERROR, "near \"HELLO\": syntax error"}},
      {"CREATE TABLE t(a)", {SQLITE_ERROR, "table t already exists"}},
      {"CREATE TABLE [T](a)", {SQLITE_ERROR, "table [T] already exists"}},
      {"CREATE TABLE v(a)", {SQLITE_ERROR, "table v already exists"}},
      {"CREATE TABLE t_n(a)", {SQLITE_ERROR, "there is already an index named t_n"}},
      {"CREATE TABLE sqlite_master(a)", {SQLITE_ERROR, "table sqlite_master already exists"}},
      {"CREATE TABLE u(a, A)", {SQLITE_ERROR, "duplicate column name: A"}},
      {"CREATE TABLE u(a PRIMARY KEY, b PRIMARY KEY)", {SQLITE_ERROR, "table \"u\" has more than one primary key"}},
      {"CREATE TABLE u(a, PRIMARY KEY(b))", {SQLITE_ERROR, "table u has no column named b"}},
      {"CREATE TABLE u(a", {SQLITE_ERROR, "near \"a\": syntax error"}},
      {"CREATE TABLE u a", {SQLITE_ERROR, "near \"a\": syntax error"}},
      {"CREATE TABLE u(a) garbage", {SQLITE_ERROR, "near \"garbage\": syntax error"}},
      {"CREATE TABLE u(a varchar(x))", {SQLITE_ERROR, "near \"x\": syntax error"}},
      {"CREATE TABLE select(a)", {SQLITE_ERROR, "near \"select\": syntax error"}},
      {"CREATE TABLE u(a `b`)", {SQLITE_ERROR, "unrecognized token: \"`\""}},
      {"CREATE TABLE u(a 'unterminated)", {SQLITE_ERROR, "unrecognized token: \"'unterminated)\""}},
      {"CREATE INDEX i ON nosuch(a)", {SQLITE_ERROR, "no such table: nosuch"}},
      {"CREATE INDEX i ON other.t(a)", {SQLITE_ERROR, "no such table: other.t"}},
      {"CREATE INDEX i ON v(a)", {SQLITE_ERROR, "views may not be indexed"}},
      {"CREATE INDEX i ON sqlite_master(name)", {SQLITE_ERROR, "table sqlite_master may not be indexed"}},
      {"CREATE INDEX t_n ON t(name)", {SQLITE_ERROR, "index t_n already exists"}},
      {"CREATE INDEX t ON t(name)", {SQLITE_ERROR, "there is already a table named t"}},
      {"CREATE INDEX i ON t(nosuch)", {SQLITE_ERROR, "table t has no column named nosuch"}},
      {"CREATE VIEW v AS SELECT 1", {SQLITE_ERROR, "table v already exists"}},
      {"CREATE VIEW w AS SELECT (1", {SQLITE_ERROR, "near \"1\": syntax error"}},
      {"CREATE VIEW w AS 1", {SQLITE_ERROR, "near \"1\": syntax error"}},
      {"CREATE TRIGGER tr AFTER INSERT ON nosuch BEGIN SELECT 1; END", {SQLITE_ERROR, "no such table: nosuch"}},
      {"CREATE TRIGGER tr INSTEAD OF INSERT ON t BEGIN SELECT 1; END",
       {SQLITE_ERROR, "cannot create INSTEAD OF trigger on table: t"}},
      {"CREATE TRIGGER tr BEFORE INSERT ON v BEGIN SELECT 1; END",
       {SQLITE_ERROR, "cannot create BEFORE trigger on view: v"}},
      {"CREATE TRIGGER tr AFTER INSERT ON sqlite_master BEGIN SELECT 1; END",
       {SQLITE_ERROR, "cannot create trigger on system table"}},
      {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN END", {SQLITE_ERROR, "near \"END\": syntax error"}},
      {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; ", {SQLITE_ERROR, "near \";\": syntax error"}},
      {"INSERT INTO nosuch VALUES(1)", {SQLITE_ERROR, "no such table: nosuch"}},
      {"INSERT INTO v VALUES(1,'a',NULL,1)", {SQLITE_ERROR, "cannot modify v because it is a view"}},
      {"INSERT INTO sqlite_master VALUES(1,2,3,4,5)", {SQLITE_ERROR, "table sqlite_master may not be modified"}},
      {"INSERT INTO t VALUES(1,'a')", {SQLITE_ERROR, "table t has 4 columns but 2 values were supplied"}},
      {"INSERT INTO t(name, nosuch) VALUES('a', 1)", {SQLITE_ERROR, "table t has no column named nosuch"}},
      {"INSERT INTO t(name) VALUES('a', 1)", {SQLITE_ERROR, "2 values for 1 columns"}},
      {"INSERT INTO t VALUES(1,'a',NULL,x)", {SQLITE_ERROR, "no such column: x"}},
      {"INSERT INTO t VALUES('x','a',NULL,1)", {SQLITE_MISMATCH, "datatype mismatch"}},
      {"INSERT INTO t VALUES(1.5,'a',NULL,1)", {SQLITE_MISMATCH, "datatype mismatch"}},
      {"INSERT INTO t VALUES(4294967296,'a',NULL,1)", {SQLITE_MISMATCH, "datatype mismatch"}},
      {"INSERT INTO t VALUES(NULL,NULL,NULL,1)", {SQLITE_CONSTRAINT, "t.name may not be NULL"}},
      {"COMMIT", {SQLITE_ERROR, "cannot commit - no transaction is active"}},
      {"END TRANSACTION", {SQLITE_ERROR, "cannot commit - no transaction is active"}},
      {"ROLLBACK", {SQLITE_ERROR, "cannot rollback - no transaction is active"}},
  };
  Connection2 db(path);
  db.Run(kSetup);
  for (const auto& c : cases) EXPECT_EQ(db.Exec(c.sql), c.outcome) << c.sql;
  db.Close();
  // Nothing of the refused statements reached the file.
  const Database stored = Load(path);
  EXPECT_EQ(stored.objects.size(), 4u);  // t, its automatic index, v, t_n
  EXPECT_TRUE(Object(stored, "t").rows.empty());
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, TheStatementsOurWritersSendAreStoredAsGiven) {
  Connection2 db(path);
  // A recovered table text gets ");" appended; the Access form is a fall-back.
  db.Run(std::string("CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT, score NUMERIC") + ");");
  EXPECT_EQ(db.Changes(), 0);
  db.Run("create Table [odd name] ( [a]  INTEGER , [b]  TEXT )");
  db.Run("insert into people values(1,'O''Brien',95.5);");
  EXPECT_EQ(db.Changes(), 1);
  db.Run("insert into [odd name] values(NULL,'x');");
  db.Run(std::string("CREATE INDEX people_score ON people(score") + ");");
  db.Run(std::string("CREATE VIEW top AS SELECT name FROM people WHERE score > (SELECT 1)") + ";");
  db.Run("CREATE TRIGGER people_ins AFTER INSERT ON people BEGIN INSERT INTO [odd name] VALUES(new.id, 'x'); END");
  db.Close();

  const Database stored = Load(path);
  ASSERT_EQ(stored.objects.size(), 5u);
  const struct {
    const char* type;
    const char* name;
    const char* table;
    const char* sql;
  } expected[] = {
      {"table", "people", "people", "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT, score NUMERIC)"},
      {"table", "odd name", "odd name", "create Table [odd name] ( [a]  INTEGER , [b]  TEXT )"},
      {"index", "people_score", "people", "CREATE INDEX people_score ON people(score)"},
      {"view", "top", "top", "CREATE VIEW top AS SELECT name FROM people WHERE score > (SELECT 1)"},
      {"trigger", "people_ins", "people",
       "CREATE TRIGGER people_ins AFTER INSERT ON people BEGIN INSERT INTO [odd name] VALUES(new.id, 'x'); END"},
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    const SchemaObject& object = stored.objects[i];
    EXPECT_EQ(object.masterRowid, static_cast<int32_t>(i + 1));
    EXPECT_EQ(object.type, expected[i].type);
    EXPECT_EQ(object.name, expected[i].name);
    EXPECT_EQ(object.tableName, expected[i].table);
    EXPECT_EQ(object.sql, std::optional<std::string>(expected[i].sql));
  }
  EXPECT_EQ(Rows(stored, "people"), (std::vector<std::vector<std::string>>{{"1", "NULL", "O'Brien", "95.5"}}));
  EXPECT_EQ(Rows(stored, "odd name"), (std::vector<std::vector<std::string>>{{"1", "NULL", "x"}}));
  EXPECT_EQ(stored.schemaCookie, 5);  // one change per CREATE
}

TEST_F(Sqlite2SqlTest, LiteralsKeepTheirSpelling) {
  Connection2 db(path);
  db.Run("CREATE TABLE lit(v)");
  const struct {
    const char* literal;
    const char* stored;
  } cases[] = {{"1e3", "1e3"},       {"007", "007"},       {"-0", "-0"},         {"- 7.25", "-7.25"},
               {"+5", "5"},          {"1.50", "1.50"},     {"12345678901234567890", "12345678901234567890"},
               {"'O''Brien'", "O'Brien"}, {"\"dq\"\"x\"", "dq\"x"}, {"''", ""},
               {"'Zoë – 日本語'", "Zoë – 日本語"}, {"NULL", "NULL"}, {"'a;b'", "a;b"}};
  for (const auto& c : cases) db.Run(std::string("INSERT INTO lit VALUES(") + c.literal + ")");
  db.Close();
  const auto rows = Rows(Load(path), "lit");
  ASSERT_EQ(rows.size(), std::size(cases));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));  // largest rowid + 1
    EXPECT_EQ(rows[i][1], cases[i].stored) << cases[i].literal;
  }
}

TEST_F(Sqlite2SqlTest, IntegerPrimaryKeyIsTheRowid) {
  Connection2 db(path);
  db.Run("CREATE TABLE k(id integer primary key, v)");
  db.Run("CREATE TABLE notkey(id INT PRIMARY KEY, v)");  // INT: an ordinary column with an index
  db.Run("INSERT INTO k VALUES(10, 'ten')");
  db.Run("INSERT INTO k VALUES(NULL, 'next')");
  db.Run("INSERT INTO k VALUES('-3', 'negative')");
  db.Run("INSERT INTO k VALUES('007', 'seven')");
  db.Run("INSERT INTO k VALUES(2147483647, 'max')");
  db.Run("INSERT INTO k(v) VALUES('after max')");  // the smallest unused positive rowid
  EXPECT_EQ(db.Exec("INSERT INTO k VALUES(10, 'again')"), (Outcome{SQLITE_CONSTRAINT, "PRIMARY KEY must be unique"}));
  db.Run("INSERT INTO notkey VALUES(5, 'a')");
  EXPECT_EQ(db.Exec("INSERT INTO notkey VALUES(5, 'b')"), (Outcome{SQLITE_CONSTRAINT, "column id is not unique"}));
  db.Close();
  const Database stored = Load(path);
  EXPECT_EQ(Rows(stored, "k"), (std::vector<std::vector<std::string>>{{"-3", "NULL", "negative"},
                                                                      {"1", "NULL", "after max"},
                                                                      {"7", "NULL", "seven"},
                                                                      {"10", "NULL", "ten"},
                                                                      {"11", "NULL", "next"},
                                                                      {"2147483647", "NULL", "max"}}));
  EXPECT_EQ(Rows(stored, "notkey"), (std::vector<std::vector<std::string>>{{"1", "5", "a"}}));
  EXPECT_EQ(Object(stored, "(notkey autoindex 1)").keys.size(), 1u);
}

TEST_F(Sqlite2SqlTest, UniqueConstraintsRefuseDuplicatesButNotNulls) {
  Connection2 db(path);
  db.Run("CREATE TABLE c(email TEXT UNIQUE, a, b, UNIQUE(a, b))");
  db.Run("INSERT INTO c VALUES('ann@x', 1, 1)");
  EXPECT_EQ(db.Exec("INSERT INTO c VALUES('ann@x', 2, 2)"), (Outcome{SQLITE_CONSTRAINT, "column email is not unique"}));
  EXPECT_EQ(db.Changes(), 0);
  EXPECT_EQ(db.Exec("INSERT INTO c VALUES('bob@x', 1, 1)"), (Outcome{SQLITE_CONSTRAINT, "columns a, b are not unique"}));
  db.Run("INSERT INTO c VALUES(NULL, 1, NULL)");
  db.Run("INSERT INTO c VALUES(NULL, 1, NULL)");  // keys with a NULL never conflict
  db.Run("INSERT INTO c VALUES('ANN@x', '1', '2')");  // text compares by its bytes
  // a and b are numeric columns: 1.0 is the number 1.
  EXPECT_EQ(db.Exec("INSERT INTO c VALUES('cy@x', '1.0', '1e0')"), (Outcome{SQLITE_CONSTRAINT, "columns a, b are not unique"}));
  db.Close();
  const Database stored = Load(path);
  EXPECT_EQ(Rows(stored, "c").size(), 4u);
  EXPECT_EQ(Object(stored, "(c autoindex 1)").keys.size(), 4u);
  EXPECT_EQ(Object(stored, "(c autoindex 2)").keys.size(), 4u);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, NumericColumnsCompareNumbersByValue) {
  Connection2 db(path);
  db.Run("CREATE TABLE n(x NUMERIC UNIQUE, y TEXT UNIQUE, z INTEGER COLLATE TEXT UNIQUE)");
  db.Run("INSERT INTO n VALUES('1', '1', '1')");
  // 1.0 and 1e0 are the number 1 in a numeric column, other text in a text one.
  EXPECT_EQ(db.Exec("INSERT INTO n VALUES('1.0', '1.0', '1.0')"), (Outcome{SQLITE_CONSTRAINT, "column x is not unique"}));
  db.Run("INSERT INTO n VALUES('2', '1.0', '1.0')");
  db.Close();
  EXPECT_EQ(Rows(Load(path), "n").size(), 2u);
}

TEST_F(Sqlite2SqlTest, CreateIndexCoversTheRowsAlreadyThere) {
  Connection2 db(path);
  db.Run("CREATE TABLE p(k, v TEXT)");
  db.Run("INSERT INTO p VALUES(1, 'same')");
  db.Run("INSERT INTO p VALUES(2, 'same')");
  db.Run("INSERT INTO p VALUES(3, NULL)");
  EXPECT_EQ(db.Exec("CREATE UNIQUE INDEX pv ON p(v)"), (Outcome{SQLITE_CONSTRAINT, "indexed columns are not unique"}));
  db.Run("CREATE UNIQUE INDEX pk ON p(k)");
  db.Run("CREATE INDEX pv ON p(v, k)");
  EXPECT_EQ(db.Exec("INSERT INTO p VALUES(1, 'dup')"), (Outcome{SQLITE_CONSTRAINT, "column k is not unique"}));
  db.Run("INSERT INTO p VALUES(4, 'new')");
  db.Close();
  const Database stored = Load(path);
  ASSERT_EQ(stored.objects.size(), 3u);  // the refused index is not there
  EXPECT_EQ(Object(stored, "pk").keys.size(), 4u);
  EXPECT_EQ(Object(stored, "pv").keys.size(), 4u);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, ConflictActionsIgnoreAndReplace) {
  Connection2 db(path);
  db.Run("CREATE TABLE r(id INTEGER PRIMARY KEY ON CONFLICT REPLACE, code TEXT UNIQUE ON CONFLICT IGNORE,"
         " note NOT NULL ON CONFLICT REPLACE DEFAULT 'none', tag UNIQUE)");
  db.Run("INSERT INTO r VALUES(1, 'a', 'first', 't1')");
  db.Run("INSERT INTO r VALUES(2, 'a', 'ignored', 't2')");
  EXPECT_EQ(db.Changes(), 0);
  db.Run("INSERT INTO r VALUES(1, 'b', NULL, 't3')");  // replaces row 1; NULL note takes the default
  EXPECT_EQ(db.Changes(), 1);
  db.Run("INSERT OR REPLACE INTO r VALUES(5, 'c', 'x', 't3')");  // replaces row 1 through tag
  db.Run("REPLACE INTO r VALUES(6, 'd', 'y', 't3')");             // and row 5 again
  db.Run("INSERT OR IGNORE INTO r VALUES(7, 'e', 'z', 't3')");
  EXPECT_EQ(db.Changes(), 0);
  EXPECT_EQ(db.Exec("INSERT OR ABORT INTO r VALUES(8, 'd', 'w', 't9')"), (Outcome{SQLITE_CONSTRAINT, "column code is not unique"}));
  db.Close();
  const Database stored = Load(path);
  EXPECT_EQ(Rows(stored, "r"), (std::vector<std::vector<std::string>>{{"6", "NULL", "d", "y", "t3"}}));
  EXPECT_EQ(Object(stored, "(r autoindex 1)").keys.size(), 1u);
  EXPECT_EQ(Object(stored, "(r autoindex 2)").keys.size(), 1u);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, TransactionsCommitRollBackAndEndAtClose) {
  {
    Connection2 db(path);
    db.Run("CREATE TABLE x(v)");
    db.Run("BEGIN; INSERT INTO x VALUES('rolled back'); ROLLBACK;");
    EXPECT_EQ(db.Exec("BEGIN TRANSACTION; BEGIN"),
              (Outcome{SQLITE_ERROR, "cannot start a transaction within a transaction"}));
    db.Run("INSERT INTO x VALUES('committed'); COMMIT");
    // COMMIT wrote the file while the connection is still open.
    EXPECT_EQ(Rows(Load(path), "x"), (std::vector<std::vector<std::string>>{{"1", "committed"}}));
    db.Run("BEGIN; INSERT INTO x VALUES('never committed')");
  }
  EXPECT_EQ(Rows(Load(path), "x"), (std::vector<std::vector<std::string>>{{"1", "committed"}}));

  Connection2 db(path);
  db.Run("CREATE TABLE y(v UNIQUE ON CONFLICT ROLLBACK)");
  db.Run("BEGIN; INSERT INTO y VALUES(1); INSERT INTO x VALUES('in transaction')");
  EXPECT_EQ(db.Exec("INSERT INTO y VALUES(1)"), (Outcome{SQLITE_CONSTRAINT, "column v is not unique"}));
  EXPECT_EQ(db.Exec("COMMIT"), (Outcome{SQLITE_ERROR, "cannot commit - no transaction is active"}));
  db.Run("BEGIN ON CONFLICT IGNORE; INSERT INTO y VALUES(2); INSERT INTO y VALUES(2); COMMIT");
  db.Close();
  const Database stored = Load(path);
  EXPECT_EQ(Rows(stored, "x").size(), 1u);
  EXPECT_EQ(Rows(stored, "y"), (std::vector<std::vector<std::string>>{{"1", "2"}}));
}

TEST_F(Sqlite2SqlTest, ASchemaRolledBackLeavesNoTraceInLaterInserts) {
  Connection2 db(path);
  db.Run("CREATE TABLE x(v); CREATE TABLE y(w)");
  db.Run("INSERT INTO x VALUES(1)");
  db.Run("BEGIN; CREATE UNIQUE INDEX xv ON x(v); INSERT INTO x VALUES(2); ROLLBACK");
  // Another index takes the place the rolled-back one had.
  db.Run("CREATE UNIQUE INDEX yw ON y(w)");
  db.Run("INSERT INTO x VALUES(2)");
  db.Run("INSERT INTO x VALUES(2)");  // the unique index on x is gone with its transaction
  db.Close();
  const Database stored = Load(path);
  ASSERT_EQ(stored.objects.size(), 3u);
  EXPECT_EQ(Rows(stored, "x").size(), 3u);
  EXPECT_TRUE(Object(stored, "yw").keys.empty());
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, ExecStopsAtTheFirstFailingStatement) {
  Connection2 db(path);
  EXPECT_EQ(db.Exec("CREATE TABLE a(v); INSERT INTO a VALUES(1); INSERT INTO nosuch VALUES(2); INSERT INTO a VALUES(3)"),
            (Outcome{SQLITE_ERROR, "no such table: nosuch"}));
  EXPECT_EQ(db.Exec("  ;; -- only a comment\n /* and another */ "), (Outcome{SQLITE_OK, ""}));
  db.Close();
  EXPECT_EQ(Rows(Load(path), "a"), (std::vector<std::vector<std::string>>{{"1", "1"}}));
  EXPECT_EQ(sqlite_exec(nullptr, "CREATE TABLE b(v)", nullptr, nullptr, nullptr), SQLITE_MISUSE);
  EXPECT_EQ(sqlite_changes(nullptr), 0);
  sqlite_close(nullptr);
}

TEST_F(Sqlite2SqlTest, OneConnectionPerObjectBuildsUpTheFile) {
  const auto session = [&](const std::string& sql) {
    Connection2 db(path);
    db.Run(sql);
  };
  session("CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)");
  session("INSERT INTO items VALUES(1, 'one', 10); INSERT INTO items VALUES(2, 'two', 20)");
  session("CREATE INDEX items_qty ON items(qty)");
  session("INSERT INTO items VALUES(3, 'three', 5)");
  session("CREATE VIEW cheap AS SELECT * FROM items WHERE qty < 10");
  session("CREATE TRIGGER items_log AFTER INSERT ON items BEGIN SELECT 1; END");
  const std::string file = ReadBytes(path);
  EXPECT_EQ(CheckIntegrity(file), std::vector<std::string>{});
  const Database stored = Load(path);
  EXPECT_EQ(Rows(stored, "items").size(), 3u);
  EXPECT_EQ(Object(stored, "items_qty").keys.size(), 3u);
  EXPECT_EQ(stored.objects.size(), 4u);

  // Triggers are stored, not run: rather than skip one, inserts are refused.
  Connection2 db(path);
  EXPECT_EQ(db.Exec("INSERT INTO items VALUES(4, 'four', 1)"),
            (Outcome{SQLITE_ERROR, "table items has triggers, which this SQLite 2 writer stores but does not run"}));
  db.Close();
  EXPECT_EQ(ReadBytes(path), file);  // a connection that changed nothing writes nothing
}

TEST_F(Sqlite2SqlTest, AStaleJournalIsRemovedBeforeTheFileIsUsed) {
  WriteBytes(path + "-journal", std::string("\xd9\xd5\x05\xf9\x20\xa1\x63\xd6", 8) + std::string(1100, 'j'));
  Connection2 db(path);
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  db.Run("CREATE TABLE j(v)");
  WriteBytes(path + "-journal", "left by someone else");
  db.Close();
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  // Nothing else is left beside the file.
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename(), "out.db");
    ++files;
  }
  EXPECT_EQ(files, 1u);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, FilesThatCannotBeUsedAreRefusedAtOpen) {
  std::string page1(kPageSize, '\0');
  std::memcpy(page1.data(), kSignature.data(), kSignature.size());
  ByteOrder{false}.PutU32(reinterpret_cast<uint8_t*>(page1.data()) + kMagicOffset, kMagic);
  std::string format5 = page1 + std::string(kPageSize, '\0');
  ByteOrder{false}.PutU32(reinterpret_cast<uint8_t*>(format5.data()) + kFileFormatOffset, 5);
  std::string wrongMagic = page1;
  wrongMagic[kMagicOffset] = 'x';
  const struct {
    const char* what;
    std::string content;
    bool directory;
    const char* message;
  } cases[] = {
      {"a folder", "", true, "unable to open database file"},
      {"text", std::string(4096, 't'), false, "file is encrypted or is not a database"},
      {"shorter than a page", "** This file contains", false, "file is encrypted or is not a database"},
      {"a wrong magic number", wrongMagic, false, "file is encrypted or is not a database"},
      {"file format 5", format5, false, "unsupported file format"},
  };
  for (const auto& c : cases) {
    const std::string target = dir.File(std::string("bad-") + c.what);
    if (c.directory) {
      std::filesystem::create_directory(target);
    } else {
      WriteBytes(target, c.content);
    }
    char* error = nullptr;
    EXPECT_EQ(sqlite_open(target.c_str(), 0, &error), nullptr) << c.what;
    ASSERT_NE(error, nullptr) << c.what;
    EXPECT_STREQ(error, c.message) << c.what;
    sqlite_freemem(error);
    if (!c.directory) {
      EXPECT_EQ(ReadBytes(target), c.content) << c.what;  // left as it was
    }
  }
  char* error = nullptr;
  EXPECT_EQ(sqlite_open(dir.File("no/such/folder/x.db").c_str(), 0, &error), nullptr);
  EXPECT_STREQ(error, "unable to open database file");
  sqlite_freemem(error);
}

TEST_F(Sqlite2SqlTest, RowsOverTheLibraryLimitAreRefused) {
  Connection2 db(path);
  db.Run("CREATE TABLE big(v TEXT)");
  db.Run("CREATE INDEX big_v ON big(v)");
  // The record of one text of L bytes takes L + 7 (two 3-byte offsets and
  // the 0x00); the largest row is 1,048,576 bytes.
  const std::string fits(1048576 - 7, 'f');
  db.Run("INSERT INTO big VALUES('" + fits + "')");
  EXPECT_EQ(db.Exec("INSERT INTO big VALUES('" + fits + "x')"), (Outcome{SQLITE_TOOBIG, "too much data for one table row"}));
  db.Close();
  const Database stored = Load(path);
  EXPECT_EQ(Object(stored, "big").rows.size(), 1u);
  EXPECT_EQ(CheckIntegrity(ReadBytes(path)), std::vector<std::string>{});
}

TEST_F(Sqlite2SqlTest, MemoryDatabasesAreNeverWritten) {
  char* error = nullptr;
  sqlite* db = sqlite_open(":memory:", 0, &error);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(sqlite_exec(db, "CREATE TABLE m(v); INSERT INTO m VALUES(1)", nullptr, nullptr, &error), SQLITE_OK);
  EXPECT_EQ(sqlite_changes(db), 1);
  sqlite_close(db);
  EXPECT_FALSE(std::filesystem::exists(":memory:"));
}

}  // namespace
}  // namespace salvoran::sqlite2
