#include "writers/access_output.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "recovery/text.h"

namespace salvoran {

void LogAccessError(RecoveryContext& context, OwnerFrame& frame, const std::string& message) {
  std::string line = "Error: " + message;
  frame.LogLine(line);
  context.saveReport.errors.push_back(std::move(line));
}

namespace {

// DAO errors after which no further row can be stored in the file.
bool IsOutputFailure(const CDaoException& error) {
  return error.ErrorCode() == jet::errors::kDatabaseFull || error.ErrorCode() == jet::errors::kDiskError ||
         error.ErrorCode() == jet::errors::kObjectClosed;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The table name of "create Table [name] ( ..." or "create Table name ( ...".
std::string TableNameOfStatement(const std::string& statement) {
  const std::string upper = ToUpperAscii(statement);
  size_t at = upper.find("TABLE");
  if (at == std::string::npos) return {};
  at += 5;
  while (at < statement.size() && statement[at] == ' ') ++at;
  if (at < statement.size() && statement[at] == '[') {
    const size_t close = statement.find(']', at + 1);
    if (close == std::string::npos) return {};
    return statement.substr(at + 1, close - at - 1);
  }
  return TrimWhitespace(std::string_view(statement).substr(at, statement.find('(', at) - at));
}

// Runs the table's Access statement; true when the table now exists.
bool CreateAccessTable(RecoveryContext& context, OwnerFrame& frame, AccessOutput& output, std::string statement) {
  ReplaceAll(statement, "OLE Object", "OleObject");
  try {
    output.database().Execute(statement, 0);
  } catch (const CDaoException& error) {
    LogAccessError(context, frame, error.Description());
    return false;
  }
  const std::string name = TableNameOfStatement(statement);
  if (std::optional<std::string> standIn = output.database().StandInName(name)) {
    frame.LogLine("Table " + name + " is stored in the Access database under the name " + *standIn);
  }
  return true;
}

void WriteOneAccessTable(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, AccessOutput& output,
                         size_t index) {
  RecoveredCatalog& catalog = parser.catalog();
  if (index >= catalog.accessTableSql.size()) return;
  TableSaveResult result;
  ParsedDescriptor descriptor;
  if (index < catalog.columnDescriptors.size()) descriptor = ParseColumnDescriptor(catalog.columnDescriptors[index]);
  result.name = TableNameOfStatement(catalog.accessTableSql[index]);
  result.created = CreateAccessTable(context, frame, output, catalog.accessTableSql[index]);
  if (!result.created || !descriptor.valid) {
    context.saveReport.tables.push_back(result);
    return;
  }
  if (std::optional<std::string> standIn = output.database().StandInName(result.name)) result.name = *standIn;

  catalog.accessColumnNames.clear();
  for (const std::string& column : descriptor.columns) {
    catalog.accessColumnNames.push_back("[" + sqlite_base::SanitizeIdentifier(column) + "]");
  }

  context.insertedRows = 0;
  parser.rowCountAccumulator = 0;
  const int64_t savedProgress = parser.previewProgress;
  parser.previewProgress = 0;
  result.rowsFound = parser.CountTableRecords(context.inputPath, descriptor.rootPage);
  parser.previewProgress = savedProgress;
  char line[512];
  std::snprintf(line, sizeof line, "Table %s contain %lld rows", descriptor.tableName.c_str(),
                static_cast<long long>(result.rowsFound));
  frame.LogLine(line);

  parser.ExportTableRecords(context.inputPath, descriptor.rootPage, static_cast<int>(descriptor.columns.size()),
                            descriptor.tableName, descriptor.keyMarker);

  result.rowsInserted = static_cast<int64_t>(context.insertedRows);
  context.saveReport.tables.push_back(result);
  std::snprintf(line, sizeof line, "Total %d Rows inserted in table successfully",
                static_cast<int>(context.insertedRows));
  frame.LogLine(line);
  if (context.stopRequested) return;
  output.recordset().Close();
  catalog.accessColumnNames.clear();
}

}  // namespace

bool AccessOutput::EnsureOpen(RecoveryContext& context, OwnerFrame& frame) {
  if (database_.IsOpen()) return true;
  if (created_ || createFailed_) return false;
  try {
    database_.Create(path_);
    created_ = true;
    return true;
  } catch (const CDaoException& error) {
    createFailed_ = true;
    failed = true;
    context.saveReport.outputUnwritable = true;
    LogAccessError(context, frame, error.Description());
    return false;
  }
}

void AccessOutput::Close(RecoveryContext& context, OwnerFrame& frame) {
  recordset_.Close();
  if (!database_.IsOpen()) return;
  try {
    database_.Close();
  } catch (const CDaoException& error) {
    context.saveReport.outputUnwritable = true;
    LogAccessError(context, frame, error.Description());
  }
}

std::string AccessOutputPath(const std::string& chosenPath) {
  const std::string_view path = chosenPath;
  if (path.size() >= 4 && EqualsIgnoreCaseAscii(path.substr(path.size() - 4), ".mdb")) return chosenPath;
  return chosenPath + ".mdb";
}

bool SaveToAccess(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, const std::string& chosenPath) {
  AccessOutput output(AccessOutputPath(chosenPath));
  // The file under recovery is never written to.
  std::error_code sameError;
  if (std::filesystem::equivalent(output.path(), context.inputPath, sameError)) {
    LogAccessError(context, frame, "the output " + output.path() + " is the file being recovered");
    context.saveReport.outputUnwritable = true;
    return false;
  }
  const std::string savedOutputPath = context.outputPath;
  const bool savedAccessOutput = context.accessOutput;
  AccessOutput* const savedAccess = context.access;
  context.outputPath = output.path();
  context.accessOutput = true;
  context.access = &output;

  // The parser asks before an existing file is replaced and removes it.
  bool saved = parser.CreateRecoveredDatabase(output.path());
  // A save without checked tables still leaves the database it names.
  if (saved && !output.created() && !context.stopRequested) output.EnsureOpen(context, frame);
  output.Close(context, frame);
  if (saved && !context.saveReport.outputUnwritable) {
    std::error_code ignored;
    if (!std::filesystem::exists(output.path(), ignored)) context.saveReport.outputUnwritable = true;
  }

  context.outputPath = savedOutputPath;
  context.accessOutput = savedAccessOutput;
  context.access = savedAccess;
  return saved && !context.saveReport.outputUnwritable;
}

void WriteCheckedTablesToAccess(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                                TreeItem tablesNode) {
  if (context.access == nullptr) {
    LogAccessError(context, frame, "the Access database is not set up");
    context.saveReport.outputUnwritable = true;
    return;
  }
  AccessOutput& output = *context.access;
  ObjectTree& tree = frame.Tree();
  for (TreeItem item = tree.GetChildItem(tablesNode); item != kNoItem; item = tree.GetNextSiblingItem(item)) {
    if (!tree.GetCheck(item)) continue;
    const int32_t index = tree.GetItemData(item);
    if (index < 0) continue;
    if (!output.EnsureOpen(context, frame)) return;
    WriteOneAccessTable(context, parser, frame, output, static_cast<size_t>(index));
    if (context.stopRequested) return;
  }
}

bool SetTextFieldValue(RecoveryContext& context, OwnerFrame& frame, const std::string& fieldName,
                       std::u16string value) {
  COleVariant variant(std::move(value));
  bool stored = true;
  try {
    context.access->recordset().SetFieldValue(fieldName, variant);
  } catch (const CDaoException& error) {
    LogAccessError(context, frame, error.Description());
    stored = false;
  }
  variant.Clear();
  return stored;
}

bool SetBinaryFieldValue(size_t count, RecoveryContext& context, OwnerFrame& frame, const std::string& fieldName,
                         const uint8_t* bytes) {
  COleVariant variant(bytes, count);
  bool stored = true;
  try {
    context.access->recordset().SetFieldValue(fieldName, variant);
  } catch (const CDaoException& error) {
    LogAccessError(context, frame, error.Description());
    stored = false;
  }
  variant.Clear();
  return stored;
}

bool UpdateRecord(RecoveryContext& context, OwnerFrame& frame) {
  AccessOutput& output = *context.access;
  try {
    output.recordset().Update();
    return true;
  } catch (const CDaoException& error) {
    LogAccessError(context, frame, error.Description());
    if (IsOutputFailure(error)) {
      output.failed = true;
      context.saveReport.outputUnwritable = true;
    }
    return false;
  }
}

}  // namespace salvoran
