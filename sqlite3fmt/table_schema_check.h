// Asking the real SQLite library what a recovered CREATE TABLE declares.
//
// The hand-written tokenizer can miscount columns on statements it does not
// foresee, and a wrong column count misaligns every value of every row. The
// check runs the statement in a private in-memory database (never the file
// under recovery) and reads back what the library made of it: the columns
// with their declared types, defaults and generated kind, whether the table
// is WITHOUT ROWID, and which column, if any, is the rowid alias (INTEGER
// PRIMARY KEY, but not INTEGER PRIMARY KEY DESC and never in a WITHOUT ROWID
// table: the library's own query plan tells, by reading that column as the
// rowid).
//
// The private database runs each statement in a transaction that is rolled
// back, so tables of the same name do not collide. Statement texts come from
// damaged files, so the connection is bounded: a length limit on values and
// a cap on the virtual machine steps of each statement.
#ifndef SALVORAN_SQLITE3FMT_TABLE_SCHEMA_CHECK_H_
#define SALVORAN_SQLITE3FMT_TABLE_SCHEMA_CHECK_H_

#include <optional>
#include <string>
#include <vector>

#include "recovery/catalog.h"
#include "recovery/value.h"

struct sqlite3;

namespace salvoran::sqlite3 {

struct LibraryTable {
  std::string name;
  bool withoutRowid = false;
  int keyColumn = -1;  // the rowid alias column, or -1
  // In declaration order; text defaults are held in the file's encoding,
  // as a record field of that file would hold them.
  std::vector<ColumnInfo> columns;
};

class TableSchemaCheck {
 public:
  TableSchemaCheck();
  ~TableSchemaCheck();
  TableSchemaCheck(const TableSchemaCheck&) = delete;
  TableSchemaCheck& operator=(const TableSchemaCheck&) = delete;

  // What the library reads in statement; nullopt when it cannot parse it
  // (lastError() says why). expectedName, when not empty, picks the table
  // among those the statement creates (AUTOINCREMENT adds sqlite_sequence).
  std::optional<LibraryTable> Check(const std::string& statement, const std::string& expectedName,
                                    TextEncoding encoding);
  const std::string& lastError() const { return lastError_; }

 private:
  bool Exec(const char* sql);
  std::optional<LibraryTable> ReadTable(const std::string& name, TextEncoding encoding);
  std::optional<Value> EvaluateDefault(const std::string& expression, const std::string& declaredType,
                                       TextEncoding encoding);
  bool ReadsAsRowid(const std::string& table, const std::string& column);

  ::sqlite3* db_ = nullptr;
  long steps_ = 0;
  std::string lastError_;
};

// Where the tokenizer's reading (its raw column names and the columns it
// marked as the key) differs from the library's in column count, names or
// key column, as one plain sentence; empty when they agree. Names are
// compared without their quoting.
std::string DescribeDisagreement(const std::vector<std::string>& tokenizerColumns,
                                 const std::vector<int>& markedColumns, const LibraryTable& library);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_TABLE_SCHEMA_CHECK_H_
