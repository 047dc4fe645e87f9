// The scan report as text for a reader:
//
//   Format:       SQLite 3
//   Start offset: 0
//   Page size:    4096
//   Encoding:     utf-8
//   Page count:   3
//   Scan:         complete
//
//   TABLES
//     [0]  t
//          columns: id (key), name
//   INDEXES
//     [0]  i ON t
//   VIEWS
//     (none)
//   ...
//
// Each object line shows its catalog index and its tree label as shown.
#ifndef SALVORAN_CLI_TEXT_REPORT_H_
#define SALVORAN_CLI_TEXT_REPORT_H_

#include <string>

#include "cli/scan_report.h"

namespace salvoran::cli {

std::string ScanReportToText(const ScanReport& report);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_TEXT_REPORT_H_
