// What a scan found, gathered from the object tree and the catalog into
// plain values for the text and JSON reports.
//
// There is one entry per node of the object tree, in tree order; the node's
// item data (its catalog index) picks the catalog entry. Names are the
// objects' names without quoting or surrounding blanks; labels are the tree
// texts as shown; table columns come from the column descriptor without the
// key mark, and keyColumn from its key marker.
#ifndef SALVORAN_CLI_SCAN_REPORT_H_
#define SALVORAN_CLI_SCAN_REPORT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/scan_session.h"

namespace salvoran::cli {

struct TableEntry {
  int32_t catalogIndex = 0;
  std::string name;
  std::string label;
  uint32_t rootPage = 0;
  std::vector<std::string> columns;
  std::optional<int> keyColumn;
  std::string sql;
};

struct SchemaObjectEntry {
  int32_t catalogIndex = 0;
  std::string name;
  std::string label;
  std::string sql;
};

struct ScanReport {
  std::string format;    // "sqlite3" or "sqlite2"
  std::string encoding;  // "utf-8", "utf-16le" or "utf-16be"
  uint64_t startOffset = 0;
  uint64_t pageSize = 0;
  uint64_t pageCount = 0;
  std::vector<TableEntry> tables;
  std::vector<SchemaObjectEntry> indexes;
  std::vector<SchemaObjectEntry> views;
  std::vector<SchemaObjectEntry> triggers;
  std::vector<std::string> messages;  // every message box text shown
  bool complete = false;
};

ScanReport BuildScanReport(ScanSession& session);

// The identifier at the start of text with blanks and one level of quoting
// ("..", [..], `..`, '..') removed: ` "my t" (a)` gives my t.
std::string LeadingIdentifier(const std::string& text);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_SCAN_REPORT_H_
