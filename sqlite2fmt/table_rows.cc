// The rows of one SQLite 2 table, read from its b-tree in key order.
//
// Every cell of the tree is a row, interior pages included: its 4-byte key
// is the rowid, its data the record. Field k goes to column k; missing
// fields read as NULL and extra ones are dropped; the INTEGER PRIMARY KEY
// column (key marker - 10), which SQLite 2 stores as NULL, reads as the
// rowid. A row whose overflow chain broke keeps the values read; damaged
// pages are skipped and the walk goes on with their siblings. Damage is
// logged.
#include <algorithm>

#include "recovery/row_delivery.h"
#include "sqlite2fmt/row_record.h"
#include "sqlite2fmt/sqlite_ver2.h"
#include "sqlite2fmt/tree_walk.h"

namespace salvoran {

namespace {

// One row of column values from a decoded record.
std::vector<Value> ColumnValues(const sqlite2::RowRecord& record, int columnCount, int keyColumn, int64_t rowid) {
  std::vector<Value> values(static_cast<size_t>(std::max(columnCount, 0)), Value::Null());
  const size_t mapped = std::min(values.size(), record.fields.size());
  for (size_t c = 0; c < mapped; ++c) {
    if (!record.fields[c].isNull) values[c] = Value::Text(std::string(record.fields[c].text));
  }
  if (keyColumn >= 0 && static_cast<size_t>(keyColumn) < values.size()) {
    values[static_cast<size_t>(keyColumn)] = Value::Integer(rowid);
  }
  return values;
}

}  // namespace

void sqlite_ver2::LoadTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                   const std::string& tableName, int keyMarker) {
  if (context_ == nullptr || frame_ == nullptr || !context_->reader) return;
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  if (context.stopRequested) return;

  const bool preview = context.loadMode == LoadMode::Preview;
  rowCountAccumulator = 0;
  const int64_t total = CountTableRecords(path, rootPage);
  rowCountAccumulator = 0;
  if (preview && previewProgress == 0 && !savingFlag && !context.suppressGrid) {
    frame.LogLine("Table " + tableName + "have" + std::to_string(total) + " entry");
    previewProgress = 1;
    frame.SetProgressRange(total);
  }

  sqlite2::PageSource pages(*context.reader, layout());
  if (!pages.IsValidPage(rootPage)) {
    frame.LogLine("Table " + tableName + ": root page " + std::to_string(rootPage) + " is not in the file");
    return;
  }
  const int keyColumn = keyMarker >= 10 && keyMarker - 10 < columnCount ? keyMarker - 10 : -1;
  auto logDamage = [&](const std::string& what) { frame.LogLine("Table " + tableName + ": " + what); };

  sqlite2::TreeWalk walk(pages, rootPage);
  walk.SetStopTest([&] { return context.stopRequested.load(); });
  walk.SetIssueHandler([&](sqlite2::WalkIssue issue, uint32_t page, uint32_t parent) {
    logDamage(sqlite2::DescribeWalkIssue(issue, page, parent));
  });

  GridBatcher grid(context.suppressGrid ? nullptr : &frame.Grid(), TextEncoding::Utf8);
  ProgressPacer progress(frame, preview ? total : static_cast<int64_t>(context.progressPosition) + total);
  sqlite2::WalkCell cell;
  while (!context.stopRequested && walk.Next(&cell)) {
    if (context.stopRequested) break;
    const std::string where = "page " + std::to_string(cell.pageNumber);
    if (cell.header.keySize != sqlite2::kRowidKeySize) {
      logDamage("the cell at offset " + std::to_string(cell.offset) + " of " + where + " has a key of " +
                std::to_string(cell.header.keySize) + " bytes, not a rowid; skipped");
      continue;
    }
    sqlite2::Payload payload = sqlite2::GatherPayload(pages, cell.page.bytes(), cell.offset, cell.header);
    if (payload.bytes.size() < sqlite2::kRowidKeySize) {
      logDamage("the cell at offset " + std::to_string(cell.offset) + " of " + where + " cannot be read; skipped");
      continue;
    }
    const int64_t rowid = sqlite2::DecodeRowidKey(reinterpret_cast<const uint8_t*>(payload.bytes.data()));
    sqlite2::RowRecord record = sqlite2::DecodeRowRecord(
        std::string_view(payload.bytes).substr(sqlite2::kRowidKeySize), cell.header.dataSize);
    if (!payload.complete) {
      logDamage("row " + std::to_string(rowid) + " on " + where + " is cut short; the values read are kept");
    } else if (!record.complete) {
      logDamage("row " + std::to_string(rowid) + " on " + where + " has a damaged record; the values read are kept");
    }
    std::vector<Value> values = ColumnValues(record, columnCount, keyColumn, rowid);

    if (preview) {
      progress.Report(previewProgress++);
    } else {
      progress.Report(static_cast<int64_t>(context.progressPosition++));
    }
    grid.Add(values);
    if (!preview && (context.rowSink == nullptr || context.rowSink->WriteRow(values, rowid))) {
      ++context.insertedRows;
    }
  }
  grid.Flush();
  if (context.stopRequested) {
    frame.SetProgressPosition(total);
  } else {
    progress.Finish();
  }
}

}  // namespace salvoran
