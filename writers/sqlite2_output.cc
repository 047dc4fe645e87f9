#include "writers/sqlite2_output.h"

#include <cstdio>

#include "recovery/catalog.h"
#include "writers/sqlite2_row_sink.h"

namespace salvoran {

namespace {

void LogError(RecoveryContext& context, OwnerFrame& frame, const std::string& line) {
  frame.LogLine(line);
  context.saveReport.errors.push_back(line);
}

// Runs sql; -1 also when the connection is not open.
int Execute(CppSQLiteDB& connection, const std::string& sql) {
  try {
    return connection.ExecuteStatement(sql.c_str());
  } catch (const CppSQLiteException&) {
    return -1;
  }
}

std::string TableStatement(const RecoveredCatalog& catalog, size_t index) {
  if (index < catalog.tableDetails.size() && !catalog.tableDetails[index].statement.empty()) {
    return catalog.tableDetails[index].statement;
  }
  return catalog.tableSql[index] + ");";
}

// Creates table `index` from its own statement, else from its Access one.
bool CreateTable(CppSQLiteDB& connection, const RecoveredCatalog& catalog, size_t index) {
  if (index < catalog.tableSql.size() && Execute(connection, TableStatement(catalog, index)) != -1) return true;
  return index < catalog.accessTableSql.size() && Execute(connection, catalog.accessTableSql[index]) != -1;
}

void WriteRows(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, CppSQLiteDB& connection,
               const ParsedDescriptor& descriptor, TableSaveResult& result) {
  context.insertedRows = 0;
  parser.rowCountAccumulator = 0;
  const int64_t savedProgress = parser.previewProgress;
  parser.previewProgress = 0;
  result.rowsFound = parser.CountTableRecords(context.inputPath, descriptor.rootPage);
  parser.previewProgress = savedProgress;
  char line[512];
  std::snprintf(line, sizeof line, "Table %s contain %d rows", descriptor.tableName.c_str(),
                static_cast<int>(result.rowsFound));
  frame.LogLine(line);

  Sqlite2RowSink sink(connection, result.name,
                      [&](const std::string& message) { LogError(context, frame, "Error: " + message); });
  // One transaction per table: the file is written once, at its end.
  const bool transaction = Execute(connection, "BEGIN;") != -1;
  context.rowSink = &sink;
  parser.LoadTableRecords(context.inputPath, descriptor.rootPage, static_cast<int>(descriptor.columns.size()),
                          descriptor.tableName, descriptor.keyMarker);
  context.rowSink = nullptr;
  sink.Finish();
  context.insertedRows += static_cast<uint64_t>(sink.retriedRows());
  if (transaction && Execute(connection, "COMMIT;") == -1) {
    LogError(context, frame, "Error: the rows of " + result.name + " could not be written");
    context.saveReport.outputUnwritable = true;
    context.insertedRows = 0;
  }
  result.rowsInserted = static_cast<int64_t>(context.insertedRows);
  result.rowsRejected = sink.rejectedRows();
  std::snprintf(line, sizeof line, "Total %d Rows inserted in table successfully",
                static_cast<int>(context.insertedRows));
  frame.LogLine(line);
}

// The table's name as the output knows it.
std::string OutputTableName(const RecoveredCatalog& catalog, size_t index, const std::string& descriptorName) {
  if (index < catalog.tableDetails.size() && !catalog.tableDetails[index].name.empty()) {
    return catalog.tableDetails[index].name;
  }
  return descriptorName;
}

void WriteOneTable(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, CppSQLiteDB& connection,
                   size_t index, const std::string& outputPath) {
  const RecoveredCatalog& catalog = parser.catalog();
  connection.OpenDatabase(outputPath.c_str());
  TableSaveResult result;
  ParsedDescriptor descriptor;
  if (index < catalog.columnDescriptors.size()) descriptor = ParseColumnDescriptor(catalog.columnDescriptors[index]);
  result.name = OutputTableName(catalog, index, descriptor.tableName);
  result.created = CreateTable(connection, catalog, index);
  if (!result.created) {
    LogError(context, frame, "Error: Database not created.");
  } else if (descriptor.valid) {
    WriteRows(context, parser, frame, connection, descriptor, result);
  }
  context.saveReport.tables.push_back(result);
  connection.Close();
}

const char* NotCreatedMessage(int kind) {
  switch (kind) {
    case kIndexesItemData:
      return "Error: Index not created.";
    case kViewsItemData:
      return "Error: View not created.";
    default:
      return "Error: Trigger not created.";
  }
}

}  // namespace

void WriteCheckedTablesSqlite2(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                               CppSQLiteDB& connection, TreeItem tablesNode, const std::string& outputPath) {
  ObjectTree& tree = frame.Tree();
  for (TreeItem item = tree.GetChildItem(tablesNode); item != kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (context.stopRequested) break;
    if (!tree.GetCheck(item)) continue;
    const int32_t index = tree.GetItemData(item);
    if (index < 0) continue;
    WriteOneTable(context, parser, frame, connection, static_cast<size_t>(index), outputPath);
  }
}

void WriteCheckedSchemaObjectsSqlite2(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                                      CppSQLiteDB& connection, const std::string& outputPath, int kind,
                                      TreeItem category) {
  ObjectTree& tree = frame.Tree();
  for (TreeItem item = tree.GetChildItem(category); item != kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (context.stopRequested) break;
    if (!tree.GetCheck(item)) continue;
    const int32_t index = tree.GetItemData(item);
    connection.OpenDatabase(outputPath.c_str());
    const std::string statement =
        index < 0 ? std::string() : SchemaObjectStatement(parser.catalog(), kind, static_cast<size_t>(index));
    if (!statement.empty()) {
      if (Execute(connection, statement) == -1) {
        LogError(context, frame, NotCreatedMessage(kind));
      } else if (kind == kIndexesItemData) {
        ++context.saveReport.indexes;
      } else if (kind == kViewsItemData) {
        ++context.saveReport.views;
      } else if (kind == kTriggersItemData) {
        ++context.saveReport.triggers;
      }
      frame.SetProgressPosition(parser.previewProgress);
      ++parser.previewProgress;
    }
    connection.Close();
  }
}

}  // namespace salvoran
