// The rows of one table into the Access database of a save.
//
// ExportRowsToAccess is the body of both parsers' ExportTableRecords: it
// opens the context's recordset on the table ("SELECT * FROM [name]", the
// name sanitised as the table was created), installs an AccessRowSink and
// runs the parser's own LoadTableRecords, so that the rows are decoded
// exactly as for every other output. A stop request, seen on entry or by
// the walk, closes the Access database (the file stays complete and
// readable) and ends the Access output for the rest of the save.
//
// AccessRowSink stores each row as a new record: field k is element k of
// the catalog's accessColumnNames; NULL leaves the field NULL, blobs go in
// as byte arrays, every other value as its text (integers in decimal, reals
// as the shortest text that reads back to the same double, texts decoded
// from the file's encoding), which DAO converts into the field's type. A
// value a field refuses is logged and the row is still stored; a row DAO
// cannot store is logged and not counted. After the output failed as a
// whole (disk full, the 2 GB limit) no further row is tried.
#ifndef SALVORAN_WRITERS_ACCESS_ROW_SINK_H_
#define SALVORAN_WRITERS_ACCESS_ROW_SINK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"
#include "recovery/row_sink.h"
#include "recovery/sqlite_base.h"
#include "recovery/value.h"

namespace salvoran {

class AccessRowSink : public RowSink {
 public:
  AccessRowSink(RecoveryContext& context, OwnerFrame& frame, const std::vector<std::string>& fieldNames,
                TextEncoding encoding);
  bool WriteRow(const std::vector<Value>& values, int64_t rowid) override;

 private:
  RecoveryContext& context_;
  OwnerFrame& frame_;
  const std::vector<std::string>& fieldNames_;
  TextEncoding encoding_;
};

// The text of a non-NULL, non-blob value as handed to a DAO field.
std::u16string AccessFieldText(const Value& value, TextEncoding encoding);

void ExportRowsToAccess(sqlite_base& parser, TextEncoding encoding, const std::string& path, uint32_t rootPage,
                        int columnCount, const std::string& tableName, int keyMarker);

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_ACCESS_ROW_SINK_H_
