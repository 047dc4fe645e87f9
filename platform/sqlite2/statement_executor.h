// Runs parsed statements on the in-memory database with the checks and
// messages of the 2.8 library. A statement that fails changes nothing.
#ifndef SALVORAN_PLATFORM_SQLITE2_STATEMENT_EXECUTOR_H_
#define SALVORAN_PLATFORM_SQLITE2_STATEMENT_EXECUTOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sqlite2/schema.h"
#include "platform/sqlite2/sql_statement.h"

namespace salvoran::sqlite2 {

struct ExecResult {
  int code = 0;  // SQLITE_OK or an error code
  std::string message;
  int changes = 0;
  // Set when an ON CONFLICT ROLLBACK constraint failed: the caller ends the
  // open transaction by rolling it back.
  bool rollbackTransaction = false;
  bool schemaChanged = false;
};

// Where INSERTs into one table go, kept by the caller between statements
// (our writers send one statement per row) while the schema is unchanged.
struct InsertTarget {
  uint64_t schemaGeneration = 0;
  std::string table;            // the name as the statement gave it
  size_t position = 0;          // of the table in db.objects
  std::vector<size_t> indexes;  // IndexesOfTable
  bool valid = false;
};

ExecResult ExecuteCreateTable(Database& db, const CreateTableStatement& statement);
ExecResult ExecuteCreateIndex(Database& db, const CreateIndexStatement& statement);
ExecResult ExecuteCreateView(Database& db, const CreateViewStatement& statement);
ExecResult ExecuteCreateTrigger(Database& db, const CreateTriggerStatement& statement);
// transactionConflict is the ON CONFLICT of the open BEGIN, else Default.
// target, when given, caches the table lookup.
ExecResult ExecuteInsert(Database& db, const InsertStatement& statement,
                         ConflictAction transactionConflict, InsertTarget* target = nullptr);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_STATEMENT_EXECUTOR_H_
