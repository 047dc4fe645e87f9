// Where the rows of a table go in insert mode.
//
// While a save runs, the writer sets RecoveryContext::rowSink to the output
// of the table being written; the parser's LoadTableRecords hands every row
// it decodes to it, in the order of the table's columns (values.size() is the
// table's column count; missing fields are filled by the parser). The sink
// reports a row it could not store by returning false; the parser then
// counts it as not inserted.
#ifndef SALVORAN_RECOVERY_ROW_SINK_H_
#define SALVORAN_RECOVERY_ROW_SINK_H_

#include <cstdint>
#include <vector>

#include "recovery/value.h"

namespace salvoran {

class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual bool WriteRow(const std::vector<Value>& values, int64_t rowid) = 0;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_ROW_SINK_H_
