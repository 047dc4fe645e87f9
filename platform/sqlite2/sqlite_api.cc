// The 2.8 calls over Connection.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/sqlite2/connection.h"
#include "platform/sqlite2/sqlite.h"

struct sqlite {
  salvoran::sqlite2::Connection connection;
};

namespace {

// A copy of text from malloc, for the caller to release with sqlite_freemem.
char* MallocCopy(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

void SetError(char** errmsg, int code, const std::string& message) {
  if (errmsg == nullptr) return;
  *errmsg = code == SQLITE_OK ? nullptr : MallocCopy(message.empty() ? sqlite_error_string(code) : message);
}

}  // namespace

extern "C" sqlite* sqlite_open(const char* filename, int /*mode*/, char** errmsg) {
  if (filename == nullptr) {
    SetError(errmsg, SQLITE_CANTOPEN, sqlite_error_string(SQLITE_CANTOPEN));
    return nullptr;
  }
  auto* db = new (std::nothrow) sqlite;
  if (db == nullptr) {
    SetError(errmsg, SQLITE_NOMEM, sqlite_error_string(SQLITE_NOMEM));
    return nullptr;
  }
  const salvoran::sqlite2::ExecResult result = db->connection.Open(filename);
  if (result.code != SQLITE_OK) {
    SetError(errmsg, result.code, result.message);
    delete db;
    return nullptr;
  }
  SetError(errmsg, SQLITE_OK, {});
  return db;
}

extern "C" void sqlite_close(sqlite* db) {
  if (db == nullptr) return;
  // The 2.8 call reports nothing; a failed write leaves the previous file
  // whole (it is replaced only once the new one is complete).
  db->connection.Close();
  delete db;
}

extern "C" int sqlite_exec(sqlite* db, const char* sql, sqlite_callback /*callback*/, void* /*arg*/,
                           char** errmsg) {
  if (db == nullptr || sql == nullptr) {
    SetError(errmsg, SQLITE_MISUSE, sqlite_error_string(SQLITE_MISUSE));
    return SQLITE_MISUSE;
  }
  const salvoran::sqlite2::ExecResult result = db->connection.Execute(sql);
  SetError(errmsg, result.code, result.message);
  return result.code;
}

extern "C" int sqlite_changes(sqlite* db) { return db == nullptr ? 0 : db->connection.Changes(); }

extern "C" void sqlite_busy_timeout(sqlite* db, int ms) {
  if (db != nullptr) db->connection.SetBusyTimeout(ms);
}
