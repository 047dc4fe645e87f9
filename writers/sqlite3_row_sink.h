// Inserts recovered rows into one table of the SQLite 3 output through one
// prepared INSERT that names the output table's own columns, with every
// value bound in its type (text in the output's encoding, byte for byte).
//
// Rows of a rowid table keep their rowids.
//
// A row the output refuses is reported through the error callback with the
// row's rowid and counted as rejected. When the output itself fails (disk
// full, I/O error) the sink reports it once and refuses the remaining rows
// without trying them.
#ifndef SALVORAN_WRITERS_SQLITE3_ROW_SINK_H_
#define SALVORAN_WRITERS_SQLITE3_ROW_SINK_H_

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "recovery/row_sink.h"
#include "recovery/value.h"

namespace salvoran {

class Sqlite3RowSink : public RowSink {
 public:
  using ErrorHandler = std::function<void(const std::string& message)>;

  Sqlite3RowSink(sqlite3* db, std::string table, TextEncoding encoding, ErrorHandler onError);
  ~Sqlite3RowSink() override;
  Sqlite3RowSink(const Sqlite3RowSink&) = delete;
  Sqlite3RowSink& operator=(const Sqlite3RowSink&) = delete;

  // Reads the output table's columns and prepares the INSERT; false (and
  // reported) when the table is unknown to the output.
  bool Prepare();
  bool WriteRow(const std::vector<Value>& values, int64_t rowid) override;
  void Finish();

  int64_t rejectedRows() const { return rejected_; }
  bool outputFailed() const { return outputFailed_; }

 private:
  bool Bind(int parameter, const Value& value);

  sqlite3* db_;
  std::string table_;
  TextEncoding encoding_;
  ErrorHandler onError_;
  sqlite3_stmt* insert_ = nullptr;
  std::vector<size_t> valueIndex_;  // the values bound, in parameter order
  bool setsRowid_ = false;          // the first parameter is the rowid
  int64_t rejected_ = 0;
  bool outputFailed_ = false;
};

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_SQLITE3_ROW_SINK_H_
