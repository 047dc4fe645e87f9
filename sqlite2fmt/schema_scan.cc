// The scan of an SQLite 2 file: the page table, the schema rows gathered by
// a guarded walk of the schema tree from page 2 in key order (which is the
// order the objects were created in), the statements found in them, and
// one tree node per object name.
#include <set>

#include "recovery/messages.h"
#include "recovery/text.h"
#include "sqlite2fmt/sqlite_ver2.h"
#include "sqlite2fmt/tree_walk.h"

namespace salvoran {

using sqlite2::StatementKind;

const sqlite2::FileLayout& sqlite_ver2::layout() {
  if (!layout_) {
    const bool readable = context_ != nullptr && context_->reader;
    layout_ = readable ? sqlite2::ReadFileLayout(*context_->reader, context_->startOffset) : sqlite2::FileLayout{};
  }
  return *layout_;
}

bool sqlite_ver2::ScanDatabase(const std::string&) {
  previewProgress = 0;
  if (context_ == nullptr || frame_ == nullptr || !context_->reader) return false;
  // The database may begin after other bytes: every page is read from the
  // detected start.
  layout_ = sqlite2::ReadFileLayout(*context_->reader, context_->startOffset);
  if (layout_->trailingBytes != 0) {
    frame_->LogLine("The last " + std::to_string(layout_->trailingBytes) +
                    " bytes of the file do not fill a page and are not read");
  }
  if (!layout_->magicFound) {
    frame_->LogLine(std::string("The SQLite 2 magic number is damaged; the file is read as ") +
                    (layout_->order == sqlite2::ByteOrder::Big ? "big-endian" : "little-endian"));
  }
  sqlite2::PageSource pages(*context_->reader, *layout_);
  BuildPageTable(pages);
  if (layout_->pageCount < sqlite2::kSchemaRootPage) {
    frame_->Message(kMsgContentNotInForm, kCaptionCorrupted, MessageIcon::None);
    return false;
  }
  GatherSchemaRecords(pages);
  RecogniseStatements();
  BuildTree();
  return true;
}

void sqlite_ver2::BuildPageTable(const sqlite2::PageSource& pages) {
  catalog_.pageTable.clear();
  catalog_.pageTable.reserve(static_cast<size_t>(pages.layout().pageCount));
  for (uint64_t n = 1; n <= pages.layout().pageCount; ++n) {
    sqlite2::PageRef page = pages.Page(n);
    uint64_t entry = 0;
    for (uint32_t i = 0; i < sqlite2::kPageHeaderSize && !page.empty(); ++i) {
      entry |= uint64_t{page.data()[i]} << (8 * i);
    }
    catalog_.pageTable.push_back(entry);
  }
}

void sqlite_ver2::GatherSchemaRecords(const sqlite2::PageSource& pages) {
  sqlite2::TreeWalk walk(pages, sqlite2::kSchemaRootPage);
  walk.SetIssueHandler([&](sqlite2::WalkIssue issue, uint32_t page, uint32_t parent) {
    frame_->LogLine("Schema table: " + sqlite2::DescribeWalkIssue(issue, page, parent));
  });
  sqlite2::WalkCell cell;
  while (walk.Next(&cell)) {
    sqlite2::Payload payload = sqlite2::GatherPayload(pages, cell.page.bytes(), cell.offset, cell.header);
    if (!payload.complete) {
      frame_->LogLine("Schema table: the record at offset " + std::to_string(cell.offset) + " of page " +
                      std::to_string(cell.pageNumber) + " is cut short; the part read is used");
    }
    const size_t key = std::min<size_t>(cell.header.keySize, payload.bytes.size());
    std::string data = payload.bytes.substr(key);
    catalog_.rawRecordLengths.push_back(static_cast<int32_t>(data.size()));
    catalog_.recordTexts.push_back(std::move(data));
  }
}

void sqlite_ver2::RecogniseStatements() {
  const size_t gathered = catalog_.recordTexts.size();
  for (size_t i = 0; i < gathered; ++i) {
    sqlite2::SchemaStatement statement = sqlite2::ReadSchemaStatement(catalog_.recordTexts[i]);
    // The keywords are ASCII, so making the text valid UTF-8 keeps the
    // position after them.
    statement.text = SanitizeUtf8(statement.text);
    statement.tableName = SanitizeUtf8(statement.tableName);
    AddStatement(statement, i);
  }
}

void sqlite_ver2::AddStatement(const sqlite2::SchemaStatement& statement, size_t recordIndex) {
  switch (statement.kind) {
    case StatementKind::None:
      frame_->LogLine("Schema record " + std::to_string(recordIndex + 1) +
                      (statement.nullSql ? " has no statement" : " holds no CREATE statement") + "; skipped");
      break;
    case StatementKind::Skipped:
      catalog_.rootPages.push_back(0);
      break;
    case StatementKind::Table:
      AddTable(statement);
      break;
    case StatementKind::Index:
    case StatementKind::UniqueIndex:
      AddIndex(statement);
      break;
    case StatementKind::View:
    case StatementKind::Trigger:
      AddViewOrTrigger(statement);
      break;
  }
}

void sqlite_ver2::AddTable(const sqlite2::SchemaStatement& statement) {
  catalog_.rootPages.push_back(statement.rootPage);
  sqlite2::TableStatement table;
  if (!sqlite2::ParseTableStatement(statement.text, statement.bodyPosition, &table)) {
    frame_->LogLine("A CREATE TABLE statement without a name or columns is skipped: " + statement.text);
    return;
  }
  frame_->LogLine("Table " + table.name + " is found");
  catalog_.tableSql.push_back(table.statement);
  catalog_.accessTableSql.push_back(table.accessStatement);
  catalog_.columnDescriptors.push_back(table.Descriptor(statement.rootPage));
  catalog_.tableColumnTypes.push_back(table.accessTypes);
  TableDetails details;
  details.name = sqlite2::UnquoteName(table.name);
  details.statement = statement.text;
  details.rootPage = statement.rootPage;
  details.keyColumn = table.keyColumn;
  catalog_.tableDetails.push_back(std::move(details));
}

void sqlite_ver2::AddIndex(const sqlite2::SchemaStatement& statement) {
  catalog_.rootPages.push_back(statement.rootPage);
  sqlite2::IndexStatement index;
  sqlite2::ParseIndexStatement(statement.text, statement.bodyPosition, &index);
  if (statement.kind == StatementKind::Index && !index.name.empty()) {
    frame_->LogLine("Index " + index.name + " is found");
  }
  SchemaObjectDetails details;
  details.name = sqlite2::UnquoteName(index.name);
  details.tableName = !statement.tableName.empty() ? statement.tableName : sqlite2::UnquoteName(index.tableName);
  details.statement = statement.text;
  // One entry per column token; the tree names the last, which holds the
  // whole column list.
  for (const std::string& element : index.elements) {
    catalog_.indexSql.push_back(element);
    catalog_.indexDetails.push_back(details);
  }
}

void sqlite_ver2::AddViewOrTrigger(const sqlite2::SchemaStatement& statement) {
  catalog_.rootPages.push_back(0);
  SchemaObjectDetails details;
  details.name = sqlite2::UnquoteName(sqlite2::ObjectNameAfterKeywords(statement.text, statement.bodyPosition));
  details.statement = statement.text;
  // "%REATE VIEW" and "&REATE TRIGGER" are damaged first bytes.
  if (!details.statement.empty() && (details.statement[0] == '%' || details.statement[0] == '&')) {
    details.statement[0] = 'C';
  }
  if (statement.kind == StatementKind::View) {
    details.tableName = details.name;
    catalog_.viewSql.push_back(statement.text);
    catalog_.viewDetails.push_back(std::move(details));
  } else {
    details.tableName = !statement.tableName.empty()
                            ? statement.tableName
                            : sqlite2::UnquoteName(sqlite2::TriggerTableName(statement.text, statement.bodyPosition));
    catalog_.triggerSql.push_back(statement.text);
    catalog_.triggerDetails.push_back(std::move(details));
  }
}

void sqlite_ver2::BuildTree() {
  ObjectTree& tree = frame_->Tree();
  // Walking each list backwards and inserting every new name first leaves
  // the nodes in list order, each on the last entry with its name.
  auto place = [&](const std::vector<std::string>& texts, StatementKind kind, TreeItem parent) {
    if (parent == kNoItem) return;
    std::set<std::string> names;
    for (size_t k = texts.size(); k-- > 0;) {
      std::string label = sqlite2::TreeLabel(kind, texts[k]);
      if (TrimWhitespace(label).empty() || !names.insert(label).second) continue;
      TreeItem item = tree.InsertItem(label, parent, InsertPosition::First);
      tree.SetItemData(item, static_cast<int32_t>(k));
    }
  };
  place(catalog_.tableSql, StatementKind::Table, context_->tablesNode);
  place(catalog_.indexSql, StatementKind::Index, context_->indexesNode);
  place(catalog_.viewSql, StatementKind::View, context_->viewsNode);
  place(catalog_.triggerSql, StatementKind::Trigger, context_->triggersNode);
  for (TreeItem node : {context_->tablesNode, context_->triggersNode, context_->indexesNode, context_->viewsNode}) {
    if (node != kNoItem) tree.Expand(node, true);
  }
}

}  // namespace salvoran
