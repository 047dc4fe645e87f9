#include "cli/scan_report.h"

#include <cctype>

#include "recovery/catalog.h"
#include "recovery/object_tree.h"
#include "recovery/sqlite_base.h"

namespace salvoran::cli {

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string RemoveKeyMark(std::string column) {
  const std::string mark = kKeyMark;
  for (size_t at = column.find(mark); at != std::string::npos; at = column.find(mark, at)) {
    column.erase(at, mark.size());
  }
  return column;
}

// The entry of `list` at index, or nullptr when the scan left none there.
template <typename T>
const T* EntryAt(const std::vector<T>& list, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return &list[static_cast<size_t>(index)];
}

TableEntry MakeTableEntry(const RecoveredCatalog& catalog, int32_t index, const std::string& label) {
  TableEntry entry;
  entry.catalogIndex = index;
  entry.label = label;
  const TableDetails* details = EntryAt(catalog.tableDetails, index);
  const std::string* descriptor = EntryAt(catalog.columnDescriptors, index);
  ParsedDescriptor parsed = descriptor ? ParseColumnDescriptor(*descriptor) : ParsedDescriptor{};

  if (details && !details->name.empty()) {
    entry.name = details->name;
  } else {
    entry.name = LeadingIdentifier(parsed.valid ? parsed.tableName : label);
  }
  if (parsed.valid) {
    entry.rootPage = parsed.rootPage;
    for (const std::string& column : parsed.columns) entry.columns.push_back(RemoveKeyMark(column));
    if (parsed.keyMarker >= 10) entry.keyColumn = parsed.keyMarker - 10;
  } else if (details) {
    entry.rootPage = details->rootPage;
  }
  if (details && !details->statement.empty()) {
    entry.sql = details->statement;
  } else if (const std::string* sql = EntryAt(catalog.tableSql, index)) {
    entry.sql = *sql + ")";  // the list keeps the statement up to its closing parenthesis
  }
  return entry;
}

const std::vector<SchemaObjectDetails>& DetailsOf(const RecoveredCatalog& catalog, int32_t kind) {
  switch (kind) {
    case kIndexesItemData:
      return catalog.indexDetails;
    case kViewsItemData:
      return catalog.viewDetails;
    default:
      return catalog.triggerDetails;
  }
}

SchemaObjectEntry MakeSchemaObjectEntry(const RecoveredCatalog& catalog, int32_t kind, int32_t index,
                                        const std::string& label) {
  SchemaObjectEntry entry;
  entry.catalogIndex = index;
  entry.label = label;
  const SchemaObjectDetails* details = EntryAt(DetailsOf(catalog, kind), index);
  entry.name = details && !details->name.empty() ? details->name : LeadingIdentifier(label);
  if (index >= 0) entry.sql = SchemaObjectStatement(catalog, kind, static_cast<size_t>(index));
  return entry;
}

std::string EncodingName(const FileSettings& settings) {
  if (!settings.utf16) return "utf-8";
  return settings.bigEndianText ? "utf-16be" : "utf-16le";
}

}  // namespace

std::string LeadingIdentifier(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos == text.size()) return {};
  char open = text[pos];
  if (open == '"' || open == '`' || open == '\'' || open == '[') {
    char close = open == '[' ? ']' : open;
    std::string name;
    for (size_t i = pos + 1; i < text.size(); ++i) {
      if (text[i] != close) {
        name += text[i];
      } else if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
        name += close;  // a doubled quote stands for one
        ++i;
      } else {
        return name;
      }
    }
    return name;  // unterminated: keep what there is
  }
  size_t end = pos;
  while (end < text.size() && !IsBlank(text[end]) && text[end] != '(') ++end;
  return text.substr(pos, end - pos);
}

ScanReport BuildScanReport(ScanSession& session) {
  ScanReport report;
  const FileSettings& settings = session.settings;
  report.format = settings.formatVersion == kFormatSqlite2 ? "sqlite2" : "sqlite3";
  report.encoding = EncodingName(settings);
  report.startOffset = settings.startOffset;
  report.pageSize = settings.pageSize;
  report.pageCount = session.context.pageCount;
  report.complete = session.outcome == ScanOutcome::Complete;
  for (const MessageRequest& message : session.frame.messages()) report.messages.push_back(message.text);

  const RecoveryContext& context = session.context;
  if (!context.parser) return report;
  const RecoveredCatalog& catalog = context.parser->catalog();
  ObjectTree& tree = session.frame.Tree();

  // Children(kNoItem) would list the top level, so a missing node lists nothing.
  auto objectsUnder = [&tree](TreeItem category) {
    return category == kNoItem ? std::vector<TreeItem>{} : tree.Children(category);
  };
  for (TreeItem item : objectsUnder(context.tablesNode)) {
    report.tables.push_back(MakeTableEntry(catalog, tree.GetItemData(item), tree.GetItemText(item)));
  }
  struct Category {
    TreeItem node;
    int32_t kind;
    std::vector<SchemaObjectEntry>* entries;
  };
  const Category categories[] = {
      {context.indexesNode, kIndexesItemData, &report.indexes},
      {context.viewsNode, kViewsItemData, &report.views},
      {context.triggersNode, kTriggersItemData, &report.triggers},
  };
  for (const Category& category : categories) {
    for (TreeItem item : objectsUnder(category.node)) {
      category.entries->push_back(
          MakeSchemaObjectEntry(catalog, category.kind, tree.GetItemData(item), tree.GetItemText(item)));
    }
  }
  return report;
}

}  // namespace salvoran::cli
