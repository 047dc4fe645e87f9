#include "platform/sqlite2/connection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/sqlite2/database_loader.h"
#include "platform/sqlite2/file_writer.h"
#include "platform/sqlite2/sql_parser.h"
#include "platform/sqlite2/sqlite.h"

namespace salvoran::sqlite2 {
namespace {

ExecResult Failure(int code, std::string message) {
  ExecResult result;
  result.code = code;
  result.message = std::move(message);
  return result;
}

ExecResult CantOpen() { return Failure(SQLITE_CANTOPEN, sqlite_error_string(SQLITE_CANTOPEN)); }

// The whole content of an open file.
bool ReadWholeFile(int fd, std::string& bytes) {
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

ExecResult Connection::Open(const std::string& path) {
  path_ = path;
  if (path == ":memory:") {
    inMemory_ = true;
    return {};
  }
  // A journal next to the file is not ours; left there, the library would
  // play it back into the database.
  RemoveStaleJournal(path);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return CantOpen();
    readOnly_ = true;
  }
  struct stat info {};
  std::string bytes;
  const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadWholeFile(fd, bytes);
  ::close(fd);
  if (!ok) return CantOpen();
  const LoadResult loaded = LoadDatabase(bytes, db_);
  if (loaded.code != SQLITE_OK) return Failure(loaded.code, loaded.message);
  return {};
}

ExecResult Connection::Execute(std::string_view sql) {
  changes_ = 0;
  SqlParser parser(sql);
  ExecResult result;
  while (true) {
    ParseOutcome outcome = parser.Next();
    if (outcome.status == ParseOutcome::Status::End) return result;
    if (outcome.status == ParseOutcome::Status::Error) return Failure(SQLITE_ERROR, outcome.error);
    result = Run(outcome.statement);
    if (result.code != SQLITE_OK) return result;
  }
}

ExecResult Connection::Run(Statement& statement) {
  if (auto* transaction = std::get_if<TransactionStatement>(&statement)) {
    changes_ = 0;
    return RunTransaction(*transaction);
  }
  if (readOnly_) return Failure(SQLITE_READONLY, sqlite_error_string(SQLITE_READONLY));
  ExecResult result;
  if (auto* table = std::get_if<CreateTableStatement>(&statement)) {
    result = ExecuteCreateTable(db_, *table);
  } else if (auto* index = std::get_if<CreateIndexStatement>(&statement)) {
    result = ExecuteCreateIndex(db_, *index);
  } else if (auto* view = std::get_if<CreateViewStatement>(&statement)) {
    result = ExecuteCreateView(db_, *view);
  } else if (auto* trigger = std::get_if<CreateTriggerStatement>(&statement)) {
    result = ExecuteCreateTrigger(db_, *trigger);
  } else if (auto* insert = std::get_if<InsertStatement>(&statement)) {
    result = ExecuteInsert(db_, *insert, transaction_ ? transactionConflict_ : ConflictAction::Default,
                           &insertTarget_);
  }
  if (result.code != SQLITE_OK) {
    if (result.rollbackTransaction && transaction_) Rollback();
    changes_ = 0;
    return result;
  }
  if (result.schemaChanged) {
    ++db_.schemaGeneration;
    // Any change will do: other readers only compare the cookie.
    db_.schemaCookie = static_cast<int32_t>(static_cast<uint32_t>(db_.schemaCookie) + 1u);
  }
  if (result.schemaChanged || result.changes > 0) dirty_ = true;
  changes_ = result.changes;
  return result;
}

ExecResult Connection::RunTransaction(const TransactionStatement& statement) {
  switch (statement.kind) {
    case TransactionStatement::Kind::Begin:
      if (transaction_) {
        return Failure(SQLITE_ERROR, "cannot start a transaction within a transaction");
      }
      transaction_ = Snapshot{db_, dirty_};
      transactionConflict_ = statement.conflict;
      return {};
    case TransactionStatement::Kind::Commit:
      if (!transaction_) return Failure(SQLITE_ERROR, "cannot commit - no transaction is active");
      transaction_.reset();
      return Flush();
    case TransactionStatement::Kind::Rollback:
      if (!transaction_) return Failure(SQLITE_ERROR, "cannot rollback - no transaction is active");
      Rollback();
      return {};
  }
  return {};
}

void Connection::Rollback() {
  // The generation only grows, so that no lookup made inside the
  // transaction outlives it.
  const uint64_t generation = db_.schemaGeneration;
  db_ = std::move(transaction_->db);
  db_.schemaGeneration = generation + 1;
  dirty_ = transaction_->dirty;
  transaction_.reset();
}

ExecResult Connection::Flush() {
  if (!dirty_ || inMemory_) return {};
  ExecResult result;
  result.code = SaveDatabaseFile(path_, BuildDatabaseFile(db_), result.message);
  if (result.code == SQLITE_OK) dirty_ = false;
  return result;
}

ExecResult Connection::Close() {
  if (transaction_) Rollback();
  return Flush();
}

}  // namespace salvoran::sqlite2
