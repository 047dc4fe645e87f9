// CDaoDatabase: an Access (.mdb, Jet 4) database the program creates and
// fills, in the manner of DAO's database object.
//
//   Create(path)      makes a new, empty database file; an existing file at
//                     the path is never replaced (the caller removes it once
//                     the user agreed), and Create then fails
//   Execute(sql)      runs one CREATE TABLE statement (jet_ddl.h lists the
//                     types); anything else, an unknown type or a second
//                     table of the same name raises CDaoException
//   IsOpen(), Close() Close finishes the file: after every Close, and after
//                     the destructor, the file is a complete database that
//                     holds every row stored so far
//
// A table whose name the catalog cannot store as it is (characters other
// than Latin letters, digits, "_" and inner blanks, or more than 64 of
// them) is stored under an ASCII stand-in name; StandInName tells the caller
// which, so that it can log it. Recordsets find the table under either name.
//
// All failures raise CDaoException with DAO's error number and description.
#ifndef SALVORAN_PLATFORM_DAO_DAO_DATABASE_H_
#define SALVORAN_PLATFORM_DAO_DAO_DATABASE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dao/dao_exception.h"
#include "platform/dao/jet_database.h"

namespace salvoran {

// DAO's shut-down of its engine. Our engine keeps no process-wide state, so
// there is nothing to release; the call stays for the callers' protocol.
inline void AfxDaoTerm() {}

class CDaoDatabase {
 public:
  CDaoDatabase() = default;
  ~CDaoDatabase();
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;

  // maxPages bounds the file (4096-byte pages): the format's 2 GB unless a
  // test asks for less.
  void Create(const std::string& path, uint32_t maxPages = jet::kMaxPagesInFile);
  void Execute(const std::string& sql, int options = 0);
  bool IsOpen() const;
  void Close();

  // The name a table called `tableName` is (or would now be) stored under,
  // when it needs a stand-in; nothing when it is stored as it is or the
  // database is not open.
  std::optional<std::string> StandInName(const std::string& tableName) const;
  // Whether a table name needs a stand-in at all.
  static bool NeedsStandInName(const std::string& tableName);

  const std::string& GetName() const { return path_; }

  // For CDaoRecordset: the engine, or nullptr when closed; and a number
  // that changes at every Create and Close, so that a recordset notices that
  // its database went away.
  jet::Database* Engine() const { return engine_.get(); }
  uint64_t Generation() const { return generation_; }

 private:
  std::unique_ptr<jet::Database> engine_;
  std::string path_;
  uint64_t generation_ = 0;
};

}  // namespace salvoran

#endif  // SALVORAN_PLATFORM_DAO_DAO_DATABASE_H_
