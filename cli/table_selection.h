// Finding tables of a scanned recovery by name, and checking the objects a
// save should write.
#ifndef SALVORAN_CLI_TABLE_SELECTION_H_
#define SALVORAN_CLI_TABLE_SELECTION_H_

#include <string>
#include <vector>

#include "cli/scan_session.h"

namespace salvoran::cli {

// The tree node of the table called name: an exact match of its name first,
// else one that differs only in letter case; kNoItem when there is none.
TreeItem FindTableNode(ScanSession& session, const std::string& name);

// Checks the named tables and every index, view and trigger on them; with no
// names, checks everything. Returns the names that match no table.
std::vector<std::string> CheckObjectsForSave(ScanSession& session, const std::vector<std::string>& tables);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_TABLE_SELECTION_H_
