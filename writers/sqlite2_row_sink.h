// Inserts recovered rows into one table of an SQLite 2 output through the
// output connection, one INSERT statement per row.
//
// SQLite 2 keeps every value as text, so each value goes in as an SQL
// literal: NULL, a number for the rowid given to the INTEGER PRIMARY KEY
// column, otherwise the text in single quotes with its quotes doubled, which
// the library stores with its exact spelling.
//
// A statement that does not change exactly one row is kept for a retry:
// once six or more wait, they are run again from the newest; the ones that
// fail again wait for Finish, which tries every waiting row one last time
// and reports each that still fails, in the order the rows came. Every row
// is thus tried at most three times, whatever the table's size.
#ifndef SALVORAN_WRITERS_SQLITE2_ROW_SINK_H_
#define SALVORAN_WRITERS_SQLITE2_ROW_SINK_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "recovery/row_sink.h"
#include "recovery/value.h"
#include "writers/cpp_sqlite_db.h"

namespace salvoran {

class Sqlite2RowSink : public RowSink {
 public:
  using ErrorHandler = std::function<void(const std::string& message)>;
  // Rows waiting for a retry before a retry pass runs.
  static constexpr size_t kRetryThreshold = 6;

  Sqlite2RowSink(CppSQLiteDB& db, std::string table, ErrorHandler onError);

  // True when the row went in now; false when it waits for a retry.
  bool WriteRow(const std::vector<Value>& values, int64_t rowid) override;
  // Runs the waiting rows once more and reports those that still fail.
  void Finish();

  // Rows that went in on a retry (WriteRow returned false for them).
  int64_t retriedRows() const { return retried_; }
  // Rows that never went in.
  int64_t rejectedRows() const { return rejected_; }

  // "insert into "t" values(1,'it''s',NULL);"
  static std::string InsertStatement(const std::string& table, const std::vector<Value>& values);

 private:
  struct Pending {
    uint64_t sequence = 0;  // the order the rows came in
    int64_t rowid = 0;
    std::string statement;
  };
  bool Run(const std::string& statement);
  void RetryWaiting();

  CppSQLiteDB& db_;
  std::string table_;
  ErrorHandler onError_;
  std::vector<Pending> waiting_;      // failed once, retried at the threshold
  std::vector<Pending> failedTwice_;  // retried at Finish
  uint64_t written_ = 0;
  int64_t retried_ = 0;
  int64_t rejected_ = 0;
};

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_SQLITE2_ROW_SINK_H_
