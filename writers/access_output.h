// The Access (.mdb) output: the checked tables of a recovery, with their
// rows, written through our DAO classes into a new Jet 4 database.
//
// A save into Access is set up by SaveToAccess: it names the file (".mdb"
// added when missing), hangs an AccessOutput on the context with
// accessOutput set and runs the parser's CreateRecoveredDatabase, which asks
// before an existing file is replaced, exactly as for an SQLite output. The
// database file is created by the table walk, after that question, and
// closed by SaveToAccess at the end (or by the row walk on a stop request).
// Access output holds tables only: indexes, views and triggers are not
// written.
//
// Per checked table the walk runs the table's Access CREATE TABLE statement
// (every "OLE Object" spelled "OleObject"), fills the catalog's
// accessColumnNames with the bracketed, sanitised column names and lets the
// parser's ExportTableRecords store the rows (writers/access_row_sink.h).
// A statement DAO refuses and a value a field refuses are logged as
// "Error: " followed by DAO's description and kept in the SaveReport; the
// walk goes on. A table stored under an ASCII stand-in name is logged.
#ifndef SALVORAN_WRITERS_ACCESS_OUTPUT_H_
#define SALVORAN_WRITERS_ACCESS_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"
#include "recovery/sqlite_base.h"

namespace salvoran {

inline constexpr const char* kLogAccessTablesOnly =
    "Access output holds tables only: indexes, views and triggers are not written";

// The DAO database and recordset of one save into Access.
class AccessOutput {
 public:
  explicit AccessOutput(std::string path) : path_(std::move(path)) {}
  AccessOutput(const AccessOutput&) = delete;
  AccessOutput& operator=(const AccessOutput&) = delete;

  const std::string& path() const { return path_; }
  CDaoDatabase& database() { return database_; }
  CDaoRecordset& recordset() { return recordset_; }

  // Creates the file on first use; false (logged as "Error: ...") when it
  // cannot be created, or when the database was closed after a stop
  // request: a closed output is never created again.
  bool EnsureOpen(RecoveryContext& context, OwnerFrame& frame);
  bool created() const { return created_; }
  // Closes the database (the file is complete afterwards); failures logged.
  void Close(RecoveryContext& context, OwnerFrame& frame);
  // Set after the output failed as a whole (disk full, the 2 GB limit):
  // no further row is tried.
  bool failed = false;

 private:
  std::string path_;
  CDaoDatabase database_;
  CDaoRecordset recordset_{&database_};
  bool created_ = false;
  bool createFailed_ = false;
};

// chosenPath with ".mdb" appended unless it ends in ".mdb" (any case).
std::string AccessOutputPath(const std::string& chosenPath);

// Saves the checked objects of the context's recovery into a new Access
// database at AccessOutputPath(chosenPath). Returns the parser's result:
// false when the user declined to replace an existing file or the output
// could not be written. The context's accessOutput, access and outputPath
// are as before afterwards.
bool SaveToAccess(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, const std::string& chosenPath);

// The Access branch of WriteCheckedTables.
void WriteCheckedTablesToAccess(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                                TreeItem tablesNode);

// The record operations on the record begun in the context's recordset.
// Each returns false when DAO refused; the refusal is logged ("Error: " and
// DAO's description) and kept in the SaveReport.
bool SetTextFieldValue(RecoveryContext& context, OwnerFrame& frame, const std::string& fieldName,
                       std::u16string value);
bool SetBinaryFieldValue(size_t count, RecoveryContext& context, OwnerFrame& frame, const std::string& fieldName,
                         const uint8_t* bytes);
bool UpdateRecord(RecoveryContext& context, OwnerFrame& frame);

// Logs "Error: " + message and keeps it in the SaveReport.
void LogAccessError(RecoveryContext& context, OwnerFrame& frame, const std::string& message);

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_ACCESS_OUTPUT_H_
