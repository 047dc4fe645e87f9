#include "cli/table_selection.h"

#include "cli/scan_report.h"
#include "recovery/sqlite_base.h"
#include "recovery/text.h"

namespace salvoran::cli {

namespace {

// The name a schema object belongs to: the table of an index or trigger, or
// the view's own name (a view belongs to no table).
std::string OwnerTable(const RecoveredCatalog& catalog, int32_t kind, int32_t index) {
  const std::vector<SchemaObjectDetails>* details = nullptr;
  if (kind == kIndexesItemData) details = &catalog.indexDetails;
  if (kind == kViewsItemData) details = &catalog.viewDetails;
  if (kind == kTriggersItemData) details = &catalog.triggerDetails;
  if (details == nullptr || index < 0 || static_cast<size_t>(index) >= details->size()) return {};
  return (*details)[static_cast<size_t>(index)].tableName;
}

bool Named(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& wanted : names) {
    if (EqualsIgnoreCaseAscii(wanted, name)) return true;
  }
  return false;
}

}  // namespace

TreeItem FindTableNode(ScanSession& session, const std::string& name) {
  ScanReport report = BuildScanReport(session);
  ObjectTree& tree = session.frame.Tree();
  auto nodeOf = [&](int32_t catalogIndex) {
    for (TreeItem item : tree.Children(session.context.tablesNode)) {
      if (tree.GetItemData(item) == catalogIndex) return item;
    }
    return kNoItem;
  };
  for (const TableEntry& table : report.tables) {
    if (table.name == name) return nodeOf(table.catalogIndex);
  }
  for (const TableEntry& table : report.tables) {
    if (EqualsIgnoreCaseAscii(table.name, name)) return nodeOf(table.catalogIndex);
  }
  return kNoItem;
}

std::vector<std::string> CheckObjectsForSave(ScanSession& session, const std::vector<std::string>& tables) {
  ObjectTree& tree = session.frame.Tree();
  RecoveryContext& context = session.context;
  if (tables.empty()) {
    tree.SetCheck(context.rootNode, true);
    return {};
  }
  std::vector<std::string> unknown;
  std::vector<std::string> names;
  for (const std::string& name : tables) {
    TreeItem node = FindTableNode(session, name);
    if (node == kNoItem) {
      unknown.push_back(name);
      continue;
    }
    tree.SetCheck(node, true);
    names.push_back(name);
  }
  const RecoveredCatalog& catalog = context.parser->catalog();
  for (TreeItem category : {context.indexesNode, context.viewsNode, context.triggersNode}) {
    int32_t kind = tree.GetItemData(category);
    for (TreeItem item : tree.Children(category)) {
      if (Named(names, OwnerTable(catalog, kind, tree.GetItemData(item)))) tree.SetCheck(item, true);
    }
  }
  return unknown;
}

}  // namespace salvoran::cli
