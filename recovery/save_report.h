// What a save wrote, for the summary of the command line and the tests.
#ifndef SALVORAN_RECOVERY_SAVE_REPORT_H_
#define SALVORAN_RECOVERY_SAVE_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace salvoran {

struct TableSaveResult {
  std::string name;
  bool created = false;
  int64_t rowsFound = 0;     // cells counted in the table's b-tree
  int64_t rowsInserted = 0;
  int64_t rowsRejected = 0;  // refused by the output (constraints, disk full)
};

struct SaveReport {
  std::string outputPath;
  bool outputUnwritable = false;  // the output could not be created or written
  std::vector<TableSaveResult> tables;
  int indexes = 0;
  int views = 0;
  int triggers = 0;
  std::vector<std::string> errors;  // every "Error: ..." the writers logged
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_SAVE_REPORT_H_
