// The save of an SQLite 3 recovery: every checked table with its rows, then
// the checked indexes, views and triggers, into a new SQLite 3 database; or,
// with accessOutput set, the tables alone into the Access database that
// SaveToAccess set up (writers/access_output.h).
#include <sys/stat.h>

#include <cstdio>

#include "sqlite3fmt/sqlite_ver3.h"
#include "writers/access_output.h"
#include "writers/sqlite3_output.h"

namespace salvoran {

namespace {

// The grid emptied and the modes the save found put back.
void FinishSave(RecoveryContext& context, OwnerFrame& frame, LoadMode savedMode, bool savedSuppress) {
  frame.Grid().DeleteAllRows();
  context.loadMode = savedMode;
  context.suppressGrid = savedSuppress;
}

}  // namespace

bool sqlite_ver3::CreateRecoveredDatabase(const std::string&) {
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  frame.LogLine("Creating Database");
  context.saveReport = SaveReport();
  context.progressPosition = 0;
  const int64_t total = CountSelectedRecords();
  char line[128];
  std::snprintf(line, sizeof line, "Database have total %d Entries", static_cast<int>(total));
  frame.LogLine(line);
  frame.SetProgressRange(total);
  context.progressPosition = 1;

  outputPath = context.OutputPath();
  context.saveReport.outputPath = outputPath;
  struct stat st {};
  if (::stat(outputPath.c_str(), &st) == 0) {
    if (!frame.AskYesNo("The Database File " + outputPath +
                        " Already exist.\n Exisitng file will be Deleted. Do you want to Continue ?")) {
      return false;
    }
  }
  if (!RemoveOutputFiles(outputPath)) {
    std::string error = "Error: the existing file " + outputPath + " cannot be removed";
    frame.LogLine(error);
    context.saveReport.errors.push_back(error);
    context.saveReport.outputUnwritable = true;
    return false;
  }

  const LoadMode savedMode = context.loadMode;
  const bool savedSuppress = context.suppressGrid;
  context.loadMode = LoadMode::Insert;
  // The rows go to the output, not to the grid: a save of any size needs no
  // more memory than its largest row.
  context.suppressGrid = true;
  if (context.tablesNode != kNoItem) WriteCheckedTables(context, *this, frame, context.tablesNode, outputPath);
  frame.LogLine("Database Table created successfully");
  if (context.accessOutput) {
    frame.LogLine(kLogAccessTablesOnly);
    FinishSave(context, frame, savedMode, savedSuppress);
    return !context.saveReport.outputUnwritable;
  }
  if (context.indexesNode != kNoItem) {
    WriteCheckedSchemaObjects(context, *this, frame, context.indexesNode, outputPath, kIndexesItemData);
  }
  frame.LogLine("Database Index schema created successfully");
  if (context.viewsNode != kNoItem) {
    WriteCheckedSchemaObjects(context, *this, frame, context.viewsNode, outputPath, kViewsItemData);
  }
  frame.LogLine("Database views created successfully");
  if (context.triggersNode != kNoItem) {
    WriteCheckedSchemaObjects(context, *this, frame, context.triggersNode, outputPath, kTriggersItemData);
  }
  frame.LogLine("Database Triggers created successfully");
  FinishSave(context, frame, savedMode, savedSuppress);
  return !context.saveReport.outputUnwritable;
}

}  // namespace salvoran
