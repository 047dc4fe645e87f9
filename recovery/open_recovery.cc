#include "recovery/open_recovery.h"

#include "recovery/messages.h"

namespace salvoran {

void BeginRecovery(RecoveryContext& context, OwnerFrame& frame, const FileSettings& settings) {
  ResetRecovery(context);
  context.running = true;
  context.settings = settings;
  context.inputPath = settings.path;
  context.formatVersion = settings.formatVersion;
  context.startOffset = settings.startOffset;
  context.pageSize = settings.pageSize;
  context.suppressGrid = false;
  context.sqlite2Output = false;
  context.accessOutput = false;
  context.stopRequested = false;

  frame.Tree().DeleteAllItems();
  frame.SetSqlText("");
  frame.Grid().DeleteAllRows();
  frame.SetCaptionText(context.inputPath);
  frame.ShowProgress(true);
  frame.LogLine(context.inputPath + kLogFileSelected);
}

namespace {

ScanOutcome EndWithoutScan(RecoveryContext& context, OwnerFrame& frame, const char* text,
                           const char* caption) {
  frame.ShowProgress(false);
  frame.Message(text, caption, MessageIcon::None);
  context.running = false;
  return ScanOutcome::NotScanned;
}

void BuildTreeSkeleton(RecoveryContext& context, ObjectTree& tree) {
  context.rootNode = tree.InsertItem(context.inputPath);
  tree.SetItemData(context.rootNode, kRootItemData);
  auto category = [&](const char* text, int32_t data) {
    TreeItem item = tree.InsertItem(text, context.rootNode);
    tree.SetItemData(item, data);
    return item;
  };
  context.tablesNode = category(kTablesText, kTablesItemData);
  context.indexesNode = category(kIndexesText, kIndexesItemData);
  context.viewsNode = category(kViewsText, kViewsItemData);
  context.triggersNode = category(kTriggersText, kTriggersItemData);
}

}  // namespace

ScanOutcome RunScanWorker(RecoveryContext& context, OwnerFrame& frame, const ParserFactory& makeParser) {
  frame.Grid().DeleteAllColumns();
  context.reader = ChooseReader(context.inputPath);
  if (!context.reader) return EndWithoutScan(context, frame, kMsgFileLocked, kCaptionFileLocked);
  frame.Grid().DeleteAllRows();
  if (context.pageSize == 0 || context.startOffset >= context.reader->size()) {
    return EndWithoutScan(context, frame, kMsgCannotOpen, kCaptionCannotParse);
  }
  context.pageCount = (context.reader->size() - context.startOffset) / context.pageSize;
  BuildTreeSkeleton(context, frame.Tree());

  context.parser = makeParser ? makeParser(context.formatVersion) : nullptr;
  if (!context.parser) return EndWithoutScan(context, frame, kMsgCannotOpen, kCaptionCannotParse);
  context.parser->utf8 = context.settings.utf8;
  context.parser->utf16 = context.settings.utf16;
  context.parser->bigEndianText = context.settings.bigEndianText;
  context.parser->SetOwner(&context, &frame);

  frame.LogLine(kLogFileParsing);
  bool complete = context.parser->ScanDatabase(context.inputPath);
  const char* closing = complete ? kMsgScanCompleted : kMsgScanEndedWithErrors;
  frame.Message(closing, MessageIcon::Information);
  frame.LogLine(closing);

  frame.ShowProgress(false);
  frame.Tree().Expand(context.rootNode, true);
  context.formatVersion = kFormatNone;
  context.running = false;
  return complete ? ScanOutcome::Complete : ScanOutcome::EndedWithErrors;
}

}  // namespace salvoran
