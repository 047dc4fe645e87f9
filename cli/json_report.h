// The scan report as one JSON object:
//   {"format", "startOffset", "pageSize", "encoding", "pageCount",
//    "tables": [{"name", "label", "rootPage", "columns", "keyColumn", "sql"}],
//    "indexes" / "views" / "triggers": [{"name", "label", "sql"}],
//    "messages": [..], "complete": bool}
// keyColumn is null for a table without a key column. Text that is not
// valid UTF-8 (a damaged file) is written with U+FFFD in its place.
#ifndef SALVORAN_CLI_JSON_REPORT_H_
#define SALVORAN_CLI_JSON_REPORT_H_

#include <string>

#include "cli/scan_report.h"

namespace salvoran::cli {

// The report as indented JSON text, ending in a newline.
std::string ScanReportToJson(const ScanReport& report);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_JSON_REPORT_H_
