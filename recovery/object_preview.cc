#include "recovery/object_preview.h"

#include "recovery/messages.h"
#include "recovery/sqlite_base.h"

namespace salvoran {

bool StartObjectPreview(RecoveryContext& context, OwnerFrame& frame, TreeItem item, TreeItem* previewItem) {
  ObjectTree& tree = frame.Tree();
  if (context.running) {
    if (previewItem != nullptr && *previewItem != kNoItem && !tree.GetItemText(*previewItem).empty()) {
      tree.SelectItem(*previewItem);
    }
    frame.Message(kMsgWaitForRunning, MessageIcon::Information);
    return false;
  }
  context.running = true;
  if (previewItem != nullptr) *previewItem = item;
  tree.SelectItem(item);
  frame.Grid().DeleteAllRows();
  frame.SetSqlText("");
  std::string text = tree.GetItemText(item);
  frame.SetCaptionText(text);
  frame.LogLine("Please wait while " + text + " folder is scanning.");
  frame.ShowProgress(true);
  frame.SetProgressPosition(0);
  return true;
}

namespace {

void EndPreview(RecoveryContext& context, OwnerFrame& frame) {
  frame.ShowProgress(false);
  context.running = false;
}

void PreviewTable(RecoveryContext& context, OwnerFrame& frame, int32_t index) {
  frame.ShowGrid(true);
  const RecoveredCatalog& catalog = context.parser->catalog();
  if (index < 0 || static_cast<size_t>(index) >= catalog.columnDescriptors.size()) return;
  ParsedDescriptor descriptor = ParseColumnDescriptor(catalog.columnDescriptors[static_cast<size_t>(index)]);
  if (!descriptor.valid) return;
  for (const std::string& column : descriptor.columns) frame.Grid().InsertColumn(column);
  context.parser->LoadTableRecords(context.inputPath, descriptor.rootPage,
                                   static_cast<int>(descriptor.columns.size()), descriptor.tableName,
                                   descriptor.keyMarker);
  context.stopRequested = false;
}

}  // namespace

void ObjectPreviewWorker(RecoveryContext& context, OwnerFrame& frame) {
  if (!context.parser) {
    EndPreview(context, frame);
    return;
  }
  context.parser->previewProgress = 0;
  context.parser->savingFlag = false;
  context.loadMode = LoadMode::Preview;
  frame.Grid().DeleteAllRows();
  frame.SetSqlText("");
  frame.Grid().DeleteAllColumns();
  frame.ShowGrid(false);

  ObjectTree& tree = frame.Tree();
  TreeItem item = tree.GetSelectedItem();
  std::string text = tree.GetItemText(item);
  TreeItem parent = tree.GetParentItem(item);
  if (parent == kNoItem) {
    EndPreview(context, frame);
    return;
  }
  int32_t kind = tree.GetItemData(parent);
  int32_t index = tree.GetItemData(item);
  if (kind == kTablesItemData) {
    PreviewTable(context, frame, index);
  } else if (kind == kIndexesItemData || kind == kViewsItemData || kind == kTriggersItemData) {
    if (index >= 0) {
      std::string statement = SchemaObjectStatement(context.parser->catalog(), kind, static_cast<size_t>(index));
      if (!statement.empty()) frame.SetSqlText(statement);
    }
  } else {
    EndPreview(context, frame);
    return;
  }
  size_t rows = frame.Grid().RowCount();
  frame.SetCaptionText(rows >= 1 ? text + "[" + std::to_string(rows) + "]" : text);
  frame.LogLine("Scanning process completed for folder: " + text);
  EndPreview(context, frame);
}

}  // namespace salvoran
