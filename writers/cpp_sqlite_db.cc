#include "writers/cpp_sqlite_db.h"

#include <array>
#include <utility>

namespace salvoran {

const char* ErrorCodeName(int code) {
  static constexpr std::array<const char*, 26> kNames = {
      "SQLITE_OK",       "SQLITE_ERROR",    "SQLITE_INTERNAL", "SQLITE_PERM",       "SQLITE_ABORT",
      "SQLITE_BUSY",     "SQLITE_LOCKED",   "SQLITE_NOMEM",    "SQLITE_READONLY",   "SQLITE_INTERRUPT",
      "SQLITE_IOERR",    "SQLITE_CORRUPT",  "SQLITE_NOTFOUND", "SQLITE_FULL",       "SQLITE_CANTOPEN",
      "SQLITE_PROTOCOL", "SQLITE_EMPTY",    "SQLITE_SCHEMA",   "SQLITE_TOOBIG",     "SQLITE_CONSTRAINT",
      "SQLITE_MISMATCH", "SQLITE_MISUSE",   "SQLITE_NOLFS",    "SQLITE_AUTH",       "SQLITE_FORMAT",
      "SQLITE_RANGE"};
  if (code >= 0 && static_cast<size_t>(code) < kNames.size()) return kNames[static_cast<size_t>(code)];
  switch (code) {
    case SQLITE_ROW:
      return "SQLITE_ROW";
    case SQLITE_DONE:
      return "SQLITE_DONE";
    case kCppSqliteError:
      return "CPPSQLITE_ERROR";
    default:
      return "UNKNOWN_ERROR";
  }
}

CppSQLiteException::CppSQLiteException(int code, char* detail, bool releaseDetail) : code_(code) {
  message_ = sqlite_mprintf("%s[%d]: %s", ErrorCodeName(code), code, detail != nullptr ? detail : "");
  if (releaseDetail && detail != nullptr) sqlite_freemem(detail);
}

CppSQLiteException::CppSQLiteException(const CppSQLiteException& other) : code_(other.code_) {
  if (other.message_ != nullptr) message_ = sqlite_mprintf("%s", other.message_);
}

CppSQLiteException& CppSQLiteException::operator=(const CppSQLiteException& other) {
  if (this != &other) {
    CppSQLiteException copy(other);
    std::swap(code_, copy.code_);
    std::swap(message_, copy.message_);
  }
  return *this;
}

CppSQLiteException::~CppSQLiteException() { sqlite_freemem(message_); }

CppSQLiteDB::~CppSQLiteDB() { Close(); }

void CppSQLiteDB::OpenDatabase(const char* path) {
  Close();
  char* error = nullptr;
  connection_ = sqlite_open(path, 0, &error);
  if (connection_ == nullptr) throw CppSQLiteException(SQLITE_CANTOPEN, error, true);
  sqlite_freemem(error);
  sqlite_busy_timeout(connection_, busyTimeoutMs_);
}

int CppSQLiteDB::ExecuteStatement(const char* sql) {
  if (connection_ == nullptr) {
    throw CppSQLiteException(kCppSqliteError, const_cast<char*>("Database not open"), false);
  }
  char* error = nullptr;
  const int rc = sqlite_exec(connection_, sql, nullptr, nullptr, &error);
  if (rc == SQLITE_OK) {
    sqlite_freemem(error);
    return sqlite_changes(connection_);
  }
  // The caller learns only that the statement failed; wrapping the text
  // releases it.
  CppSQLiteException discarded(rc, error, true);
  return -1;
}

void CppSQLiteDB::Close() {
  if (connection_ == nullptr) return;
  sqlite_close(connection_);
  connection_ = nullptr;
}

}  // namespace salvoran
