#include "writers/sqlite3_output.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "recovery/text.h"
#include "writers/access_output.h"
#include "writers/sqlite3_row_sink.h"

namespace salvoran {

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

bool RemoveOutputFiles(const std::string& path) {
  bool ok = true;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::string file = path + suffix;
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) ok = false;
  }
  return ok;
}

namespace {

const char* EncodingPragma(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf16le:
      return "PRAGMA encoding = 'UTF-16le'";
    case TextEncoding::Utf16be:
      return "PRAGMA encoding = 'UTF-16be'";
    case TextEncoding::Utf8:
      break;
  }
  return "PRAGMA encoding = 'UTF-8'";
}

// One connection to the output, closed when it goes out of scope.
class OutputConnection {
 public:
  OutputConnection(const std::string& path, TextEncoding encoding, RecoveryContext& context, OwnerFrame& frame)
      : context_(context), frame_(frame) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      LogError(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
      context_.saveReport.outputUnwritable = true;
      sqlite3_close_v2(db_);
      db_ = nullptr;
      return;
    }
    sqlite3_exec(db_, EncodingPragma(encoding), nullptr, nullptr, nullptr);
  }
  ~OutputConnection() { sqlite3_close_v2(db_); }
  OutputConnection(const OutputConnection&) = delete;
  OutputConnection& operator=(const OutputConnection&) = delete;

  bool ok() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // Runs sql; logs "Error: ..." and returns false when it fails.
  bool Exec(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
      LogError(error ? error : sqlite3_errstr(rc));
      if (rc == SQLITE_FULL || rc == SQLITE_IOERR || rc == SQLITE_READONLY || rc == SQLITE_CANTOPEN) {
        context_.saveReport.outputUnwritable = true;
      }
    }
    sqlite3_free(error);
    return rc == SQLITE_OK;
  }

  void LogError(const std::string& message) {
    std::string line = "Error: " + message;
    frame_.LogLine(line);
    context_.saveReport.errors.push_back(line);
  }

 private:
  RecoveryContext& context_;
  OwnerFrame& frame_;
  sqlite3* db_ = nullptr;
};

std::string TableStatement(const RecoveredCatalog& catalog, size_t index) {
  if (index < catalog.tableDetails.size() && !catalog.tableDetails[index].statement.empty()) {
    return catalog.tableDetails[index].statement;
  }
  return catalog.tableSql[index] + ");";
}

// The table's name as the output knows it: the clean name, or the
// descriptor's name without blanks and quoting.
std::string OutputTableName(const RecoveredCatalog& catalog, size_t index, const std::string& descriptorName) {
  if (index < catalog.tableDetails.size() && !catalog.tableDetails[index].name.empty()) {
    return catalog.tableDetails[index].name;
  }
  std::string name = TrimWhitespace(descriptorName);
  if (name.size() >= 2 && ((name.front() == '[' && name.back() == ']') || name.front() == '"' ||
                           name.front() == '`' || name.front() == '\'')) {
    name = name.substr(1, name.size() - 2);
  }
  return name;
}

void WriteOneTable(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, size_t index,
                   const std::string& outputPath) {
  const RecoveredCatalog& catalog = parser.catalog();
  OutputConnection output(outputPath, context.Encoding(), context, frame);
  if (!output.ok()) return;
  if (index >= catalog.tableSql.size()) return;
  TableSaveResult result;
  ParsedDescriptor descriptor;
  if (index < catalog.columnDescriptors.size()) descriptor = ParseColumnDescriptor(catalog.columnDescriptors[index]);
  result.name = OutputTableName(catalog, index, descriptor.tableName);
  result.created = output.Exec(TableStatement(catalog, index));
  if (!result.created || !descriptor.valid) {
    context.saveReport.tables.push_back(result);
    return;
  }

  context.insertedRows = 0;
  parser.rowCountAccumulator = 0;
  int64_t savedProgress = parser.previewProgress;
  parser.previewProgress = 0;
  result.rowsFound = parser.CountTableRecords(context.inputPath, descriptor.rootPage);
  parser.previewProgress = savedProgress;
  char line[512];
  std::snprintf(line, sizeof line, "Table %s contain %d rows", descriptor.tableName.c_str(),
                static_cast<int>(result.rowsFound));
  frame.LogLine(line);

  Sqlite3RowSink sink(output.handle(), result.name, context.Encoding(),
                      [&](const std::string& message) { output.LogError(message); });
  if (sink.Prepare() && output.Exec("BEGIN")) {
    context.rowSink = &sink;
    parser.LoadTableRecords(context.inputPath, descriptor.rootPage, static_cast<int>(descriptor.columns.size()),
                            descriptor.tableName, descriptor.keyMarker);
    context.rowSink = nullptr;
    sink.Finish();
    if (!output.Exec("COMMIT")) {
      // Nothing of this table reached the file.
      output.Exec("ROLLBACK");
      context.insertedRows = 0;
    }
  }
  if (sink.outputFailed()) context.saveReport.outputUnwritable = true;
  result.rowsInserted = static_cast<int64_t>(context.insertedRows);
  result.rowsRejected = sink.rejectedRows();
  std::snprintf(line, sizeof line, "Total %d Rows inserted in table successfully",
                static_cast<int>(context.insertedRows));
  frame.LogLine(line);
  context.saveReport.tables.push_back(result);
}

}  // namespace

void WriteCheckedTables(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, TreeItem tablesNode,
                        const std::string& outputPath) {
  if (context.accessOutput) {
    WriteCheckedTablesToAccess(context, parser, frame, tablesNode);
    return;
  }
  if (!parser.utf8 && !parser.utf16) return;
  ObjectTree& tree = frame.Tree();
  for (TreeItem item = tree.GetChildItem(tablesNode); item != kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (!tree.GetCheck(item)) continue;
    int32_t index = tree.GetItemData(item);
    if (index < 0) continue;
    WriteOneTable(context, parser, frame, static_cast<size_t>(index), outputPath);
  }
}

void WriteCheckedSchemaObjects(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                               TreeItem category, const std::string& outputPath, int kind) {
  // Access output holds tables only.
  if (context.accessOutput) return;
  if (!parser.utf8 && !parser.utf16) return;
  ObjectTree& tree = frame.Tree();
  for (TreeItem item = tree.GetChildItem(category); item != kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (!tree.GetCheck(item)) continue;
    int32_t index = tree.GetItemData(item);
    OutputConnection output(outputPath, context.Encoding(), context, frame);
    if (!output.ok() || index < 0) continue;
    std::string statement = SchemaObjectStatement(parser.catalog(), kind, static_cast<size_t>(index));
    if (statement.empty()) continue;
    if (output.Exec(statement)) {
      if (kind == kIndexesItemData) ++context.saveReport.indexes;
      if (kind == kViewsItemData) ++context.saveReport.views;
      if (kind == kTriggersItemData) ++context.saveReport.triggers;
    }
    frame.SetProgressPosition(static_cast<int64_t>(context.progressPosition));
    ++context.progressPosition;
  }
}

}  // namespace salvoran
