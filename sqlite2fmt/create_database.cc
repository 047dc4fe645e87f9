// The save of an SQLite 2 recovery: the checked tables with their rows, then
// the checked indexes, views and triggers, into a new SQLite 3 database (or,
// for the tables, the Access database when the context's accessOutput is
// set), or into a new SQLite 2 database when sqlite2Output is set.
//
// The existing output is removed only after the user agreed (with the
// journal files beside it, so a stale journal cannot be played back into the
// new file). The save leaves loadMode, the grid suppression and the saving
// flag as it found them, so a second save in the same run writes again.
#include <sys/stat.h>

#include <cstdio>

#include "sqlite2fmt/sqlite_ver2.h"
#include "writers/access_output.h"
#include "writers/sqlite2_output.h"
#include "writers/sqlite3_output.h"

namespace salvoran {

void sqlite_ver2::WriteToSqlite3(const std::string& outputPath) {
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  // The Access target goes through the same walk, which sends the tables to
  // the Access database when accessOutput is set.
  if (context.tablesNode != kNoItem) WriteCheckedTables(context, *this, frame, context.tablesNode, outputPath);
  frame.LogLine("Database Table created successfully");
  if (context.accessOutput) {
    frame.LogLine(kLogAccessTablesOnly);  // an Access output holds tables only
    return;
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
}

void sqlite_ver2::WriteToSqlite2(const std::string& outputPath) {
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  frame.LogLine("Database table schema created successfully");
  try {
    if (context.tablesNode != kNoItem) {
      WriteCheckedTablesSqlite2(context, *this, frame, connection_, context.tablesNode, outputPath);
    }
    struct Category {
      TreeItem node;
      int kind;
      const char* done;
    };
    const Category categories[] = {
        {context.indexesNode, kIndexesItemData, "Database Index schema created successfully"},
        {context.viewsNode, kViewsItemData, "Database views created successfully"},
        {context.triggersNode, kTriggersItemData, "Database Triggers created successfully"},
    };
    for (const Category& category : categories) {
      if (category.node == kNoItem) continue;
      WriteCheckedSchemaObjectsSqlite2(context, *this, frame, connection_, outputPath, category.kind, category.node);
      frame.LogLine(category.done);
    }
  } catch (const CppSQLiteException& error) {
    // The output cannot be opened: say so and end the save.
    connection_.Close();
    context.rowSink = nullptr;
    const std::string message =
        error.errorMessage() != nullptr ? error.errorMessage() : ErrorCodeName(error.errorCode());
    frame.LogLine("Error: " + message);
    context.saveReport.errors.push_back("Error: " + message);
    context.saveReport.outputUnwritable = true;
    frame.Message(message, MessageIcon::Information);
  }
}

bool sqlite_ver2::CreateRecoveredDatabase(const std::string&) {
  if (context_ == nullptr || frame_ == nullptr) return false;
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  frame.LogLine(" Creating Database ");
  context.saveReport = SaveReport();
  const std::string outputPath = context.OutputPath();
  context.saveReport.outputPath = outputPath;

  struct stat st {};
  if (::stat(outputPath.c_str(), &st) == 0 &&
      !frame.AskYesNo("The Database File " + outputPath +
                          " Already exist.\n Existing file will be Deleted. Do you want to Continue ?",
                      MessageIcon::Question)) {
    return false;
  }
  if (!RemoveOutputFiles(outputPath)) {
    const std::string error = "Error: the existing file " + outputPath + " cannot be removed";
    frame.LogLine(error);
    context.saveReport.errors.push_back(error);
    context.saveReport.outputUnwritable = true;
    return false;
  }

  const bool savedSavingFlag = savingFlag;
  const LoadMode savedMode = context.loadMode;
  const bool savedSuppress = context.suppressGrid;
  savingFlag = true;
  previewProgress = 0;
  context.progressPosition = 0;
  const int64_t total = CountSelectedRecords();
  char line[128];
  std::snprintf(line, sizeof line, "Database have total %d Entries", static_cast<int>(total));
  frame.LogLine(line);
  frame.SetProgressRange(total);
  previewProgress = 1;
  context.progressPosition = 1;

  context.loadMode = LoadMode::Insert;
  // The rows go to the output, not to the grid: a save of any size needs no
  // more memory than its largest row.
  context.suppressGrid = true;
  if (context.sqlite2Output) {
    WriteToSqlite2(outputPath);
  } else {
    WriteToSqlite3(outputPath);
  }
  frame.Grid().DeleteAllRows();
  frame.SetProgressPosition(total);

  context.loadMode = savedMode;
  context.suppressGrid = savedSuppress;
  savingFlag = savedSavingFlag;
  return !context.saveReport.outputUnwritable;
}

}  // namespace salvoran
