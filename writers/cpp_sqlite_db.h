// The SQLite 2 output connection and its error type.
//
// CppSQLiteException carries an SQLite 2 result code (or 1000 for errors of
// the wrapper itself) and a message "NAME[code]: detail", allocated with
// sqlite_mprintf and released with sqlite_freemem; the message may be null
// when the library could not allocate it. It is thrown and caught by value.
//
// CppSQLiteDB holds at most one open connection. OpenDatabase throws
// CppSQLiteException (code 14, SQLITE_CANTOPEN) when the file cannot be
// opened; ExecuteStatement throws (code 1000, "Database not open") when no
// connection is open, and otherwise returns the number of rows the statement
// changed, or -1 when the library refused it (its text is not passed on).
// Close and the destructor close an open connection, which writes the file.
#ifndef SALVORAN_WRITERS_CPP_SQLITE_DB_H_
#define SALVORAN_WRITERS_CPP_SQLITE_DB_H_

#include <string>

#include "platform/sqlite2/sqlite.h"

namespace salvoran {

// The code of the wrapper's own errors.
inline constexpr int kCppSqliteError = 1000;

// The symbolic name of a result code: "SQLITE_CANTOPEN" for 14,
// "CPPSQLITE_ERROR" for 1000, "UNKNOWN_ERROR" for codes it does not know.
const char* ErrorCodeName(int code);

class CppSQLiteException {
 public:
  // detail may be null (read as ""); with releaseDetail set a given detail is
  // released with sqlite_freemem.
  CppSQLiteException(int code, char* detail, bool releaseDetail);
  CppSQLiteException(const CppSQLiteException& other);
  CppSQLiteException& operator=(const CppSQLiteException& other);
  virtual ~CppSQLiteException();

  int errorCode() const { return code_; }
  // Null when the message could not be allocated.
  const char* errorMessage() const { return message_; }

 private:
  int code_;
  char* message_ = nullptr;
};

class CppSQLiteDB {
 public:
  explicit CppSQLiteDB(int busyTimeoutMs = 60000) : busyTimeoutMs_(busyTimeoutMs) {}
  CppSQLiteDB(const CppSQLiteDB&) = delete;
  CppSQLiteDB& operator=(const CppSQLiteDB&) = delete;
  virtual ~CppSQLiteDB();

  // Opens (or creates) the UTF-8 path; an open connection is closed first.
  void OpenDatabase(const char* path);
  // Runs one UTF-8 SQL text: the rows changed, or -1 when it failed.
  int ExecuteStatement(const char* sql);
  // Closes the connection (writing the file); nothing when none is open.
  void Close();

  bool isOpen() const { return connection_ != nullptr; }
  int busyTimeout() const { return busyTimeoutMs_; }

 private:
  sqlite* connection_ = nullptr;
  int busyTimeoutMs_;
};

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_CPP_SQLITE_DB_H_
