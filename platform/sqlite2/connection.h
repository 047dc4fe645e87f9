// One connection to an SQLite 2 database file: the in-memory database, the
// open transaction and the bookkeeping of the 2.8 calls.
#ifndef SALVORAN_PLATFORM_SQLITE2_CONNECTION_H_
#define SALVORAN_PLATFORM_SQLITE2_CONNECTION_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/sqlite2/schema.h"
#include "platform/sqlite2/sql_statement.h"
#include "platform/sqlite2/statement_executor.h"

namespace salvoran::sqlite2 {

class Connection {
 public:
  // Opens the file, creating an empty one when there is none, and loads it.
  // A file that cannot be written is opened for reading only.
  ExecResult Open(const std::string& path);
  // Runs every statement of sql in turn, up to the first failure.
  ExecResult Execute(std::string_view sql);
  // Rolls back an open transaction, then writes the file when it changed.
  ExecResult Close();

  int Changes() const { return changes_; }
  void SetBusyTimeout(int milliseconds) { busyTimeout_ = milliseconds; }
  int BusyTimeout() const { return busyTimeout_; }
  const Database& database() const { return db_; }

 private:
  ExecResult Run(Statement& statement);
  ExecResult RunTransaction(const TransactionStatement& statement);
  ExecResult Flush();
  void Rollback();

  std::string path_;
  bool inMemory_ = false;
  bool readOnly_ = false;
  Database db_;
  bool dirty_ = false;
  struct Snapshot {
    Database db;
    bool dirty = false;
  };
  std::optional<Snapshot> transaction_;
  ConflictAction transactionConflict_ = ConflictAction::Default;
  InsertTarget insertTarget_;
  int changes_ = 0;
  int busyTimeout_ = 0;
};

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_CONNECTION_H_
