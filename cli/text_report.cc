#include "cli/text_report.h"

#include "recovery/object_tree.h"
#include "recovery/text.h"

namespace salvoran::cli {

namespace {

void AppendField(std::string& out, const char* name, const std::string& value) {
  std::string label = std::string(name) + ":";
  label.resize(14, ' ');
  out += label + value + "\n";
}

std::string IndexPrefix(int32_t catalogIndex) { return "  [" + std::to_string(catalogIndex) + "] "; }

std::string ColumnList(const TableEntry& table) {
  std::string list;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (i > 0) list += ", ";
    list += table.columns[i];
    if (table.keyColumn && static_cast<size_t>(*table.keyColumn) == i) list += " (key)";
  }
  return list.empty() ? "(none)" : list;
}

void AppendCategoryTitle(std::string& out, const char* categoryText) {
  out += TrimWhitespace(categoryText) + "\n";
}

void AppendSchemaObjects(std::string& out, const char* categoryText,
                         const std::vector<SchemaObjectEntry>& objects) {
  AppendCategoryTitle(out, categoryText);
  if (objects.empty()) out += "  (none)\n";
  for (const SchemaObjectEntry& object : objects) {
    out += IndexPrefix(object.catalogIndex) + object.label + "\n";
  }
}

}  // namespace

std::string ScanReportToText(const ScanReport& report) {
  std::string out;
  AppendField(out, "Format", report.format == "sqlite2" ? "SQLite 2" : "SQLite 3");
  AppendField(out, "Start offset", std::to_string(report.startOffset));
  AppendField(out, "Page size", std::to_string(report.pageSize));
  AppendField(out, "Encoding", report.encoding);
  AppendField(out, "Page count", std::to_string(report.pageCount));
  AppendField(out, "Scan", report.complete ? "complete" : "ended with errors");
  out += "\n";

  AppendCategoryTitle(out, kTablesText);
  if (report.tables.empty()) out += "  (none)\n";
  for (const TableEntry& table : report.tables) {
    std::string prefix = IndexPrefix(table.catalogIndex);
    out += prefix + table.label + "\n";
    out += std::string(prefix.size(), ' ') + "columns: " + ColumnList(table) + "\n";
  }
  AppendSchemaObjects(out, kIndexesText, report.indexes);
  AppendSchemaObjects(out, kViewsText, report.views);
  AppendSchemaObjects(out, kTriggersText, report.triggers);
  return SanitizeUtf8(out);
}

}  // namespace salvoran::cli
