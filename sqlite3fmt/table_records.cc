// The rows of one table, read from the table's b-tree.
//
// Every leaf cell becomes one row: its payload is gathered with its overflow
// chain, the record decoded with its types, and the fields mapped onto the
// table's columns. A cell that cannot be parsed is skipped; a damaged page is
// skipped and the walk goes on with the next sibling. Each kind of damage
// shows its message box once per walk and is logged every time it occurs.
#include <set>

#include "recovery/messages.h"
#include "recovery/row_delivery.h"
#include "sqlite3fmt/btree_walk.h"
#include "sqlite3fmt/record.h"
#include "sqlite3fmt/sqlite_ver3.h"
#include "sqlite3fmt/table_shape.h"

namespace salvoran {

void sqlite_ver3::LoadTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                   const std::string& tableName, int keyMarker) {
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  if (context.stopRequested) return;
  if (layout_.pageSize == 0 && !ReadLayout()) return;
  if (!utf8 && !utf16) return;

  const bool preview = context.loadMode == LoadMode::Preview;
  int64_t total = 0;
  if (preview && previewProgress == 0) {
    rowCountAccumulator = 0;
    total = CountTableRecords(path, rootPage);
    frame.SetProgressRange(total);
    previewProgress = 1;
  } else if (!preview) {
    rowCountAccumulator = 0;
    total = CountTableRecords(path, rootPage);
  }
  rowCountAccumulator = 0;

  sqlite3::PageSource pages(*context.reader, layout_);
  if (!pages.IsValidPage(rootPage)) {
    frame.Message(kMsgFileCorrupted);
    frame.LogLine("Table " + tableName + ": root page " + std::to_string(rootPage) + " is not in the file");
    return;
  }
  sqlite3::TableShape shape = sqlite3::ShapeOfTable(catalog_, rootPage, columnCount, keyMarker);
  // A root that is an index page holds a WITHOUT ROWID table, whatever the
  // catalog could tell.
  sqlite3::PageHeader rootHeader;
  if (sqlite3::ParsePageHeader(pages.Page(rootPage).bytes(), rootPage, &rootHeader) &&
      (rootHeader.type == sqlite3::kIndexLeaf || rootHeader.type == sqlite3::kIndexInterior)) {
    shape.withoutRowid = true;
    shape.keyColumn = -1;
  }
  std::set<std::string> shownMessages;
  auto reportDamage = [&](const char* message, const std::string& logLine) {
    frame.LogLine("Table " + tableName + ": " + logLine);
    if (shownMessages.insert(message).second) frame.Message(message);
  };

  sqlite3::BtreeWalk walk(pages, rootPage, shape.withoutRowid);
  walk.SetStopTest([&] { return context.stopRequested.load(); });
  walk.SetIssueHandler([&](sqlite3::WalkIssue issue, uint32_t page, uint32_t parent) {
    std::string where = "page " + std::to_string(page) + " (child of page " + std::to_string(parent) + ")";
    switch (issue) {
      case sqlite3::WalkIssue::ChildOutOfRange:
        reportDamage(kMsgFileCorrupted, where + " is not in the file; skipped");
        break;
      case sqlite3::WalkIssue::PageRevisited:
        reportDamage(kMsgFileCorrupted, where + " was already read; the loop is not followed");
        break;
      case sqlite3::WalkIssue::WrongPageType:
        reportDamage(kMsgFileCorrupted, where + " is not a page of this table; skipped");
        break;
    }
  });

  GridBatcher grid(context.suppressGrid ? nullptr : &frame.Grid(), encoding());
  ProgressPacer progress(frame, preview ? total : static_cast<int64_t>(context.progressPosition) + total);
  const uint8_t cellType = shape.withoutRowid ? sqlite3::kIndexLeaf : sqlite3::kTableLeaf;

  auto deliverCell = [&](const sqlite3::WalkStep& step, size_t cellIndex) -> bool {
    if (context.stopRequested) return false;
    if (preview) {
      progress.Report(previewProgress++);
    } else {
      progress.Report(static_cast<int64_t>(context.progressPosition++));
    }
    uint32_t offset = sqlite3::CellOffset(step.page.bytes(), step.header, cellIndex);
    sqlite3::Cell cell;
    const uint8_t type = step.interiorCell >= 0 ? sqlite3::kIndexInterior : cellType;
    if (offset == 0 || !sqlite3::ParseCell(step.page.bytes(), type, offset, layout_.usableSize, &cell)) {
      reportDamage(kMsgCellContentCorruption, "cell " + std::to_string(cellIndex) + " of page " +
                                                  std::to_string(step.pageNumber) + " cannot be read; skipped");
      return true;
    }
    sqlite3::Payload payload = sqlite3::GatherPayload(pages, cell);
    if (!payload.complete) {
      reportDamage(kMsgErrorInReading, "row " + std::to_string(cell.rowid) + " on page " +
                                           std::to_string(step.pageNumber) +
                                           ": its overflow chain is broken; the values read are kept");
    }
    sqlite3::DecodedRecord record = sqlite3::DecodeRecord(payload.bytes);
    if (record.values.empty() && !record.complete) {
      reportDamage(kMsgCellContentCorruption, "row " + std::to_string(cell.rowid) + " on page " +
                                                  std::to_string(step.pageNumber) +
                                                  ": its record header cannot be read; skipped");
      return true;
    }
    std::vector<Value> values = sqlite3::ColumnValues(shape, std::move(record.values), cell.rowid);
    grid.Add(values);
    if (!preview) {
      if (context.rowSink == nullptr || context.rowSink->WriteRow(values, cell.rowid)) ++context.insertedRows;
    }
    return true;
  };

  sqlite3::WalkStep step;
  while (walk.Next(&step)) {
    if (step.interiorCell >= 0) {
      if (!deliverCell(step, static_cast<size_t>(step.interiorCell))) break;
      continue;
    }
    bool stopped = false;
    for (size_t i = 0; i < step.header.cellCount && !stopped; ++i) stopped = !deliverCell(step, i);
    if (stopped) break;
  }
  grid.Flush();
  if (context.stopRequested) {
    frame.SetProgressPosition(total);
  } else {
    progress.Finish();
  }
}

}  // namespace salvoran
