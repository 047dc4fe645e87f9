#include "cli/rows_command.h"

#include <cstdio>

#include "cli/console_output.h"
#include "cli/scan_session.h"
#include "cli/table_selection.h"
#include "recovery/object_preview.h"

namespace salvoran::cli {

CLI::App* AddRowsCommand(CLI::App& app, RowsCommandOptions& options) {
  CLI::App* command = app.add_subcommand("rows", "Print the recovered rows of one table of FILE");
  command->add_option("FILE", options.file, "The database file (it is only read)")->required()->type_name("FILE");
  command->add_option("TABLE", options.table, "The table's name, without quotes")->required()->type_name("TABLE");
  command->add_flag("--csv", options.csv, "Print CSV with a header row");
  command->footer(kExitCodeHelp);
  return command;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

namespace {

std::string FormatLine(const std::vector<std::string>& cells, bool csv) {
  std::string line;
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) line += csv ? "," : "\t";
    line += csv ? CsvField(cells[c]) : cells[c];
  }
  return line + (csv ? "\r\n" : "\n");
}

}  // namespace

ExitCode RunRowsCommand(const RowsCommandOptions& options, const GlobalOptions& global) {
  ScanSession session(global);
  ExitCode code = DetectAndScan(options.file, global, session);
  if (code != ExitCode::Complete && code != ExitCode::FinishedWithErrors) return code;
  TreeItem node = FindTableNode(session, options.table);
  if (node == kNoItem) {
    std::fprintf(stderr, "salvoran-cli: %s has no table named %s\n", options.file.c_str(), options.table.c_str());
    return ExitCode::UsageError;
  }
  size_t messagesBefore = session.frame.messages().size();
  TreeItem previewItem = kNoItem;
  if (!StartObjectPreview(session.context, session.frame, node, &previewItem)) return ExitCode::FinishedWithErrors;
  ObjectPreviewWorker(session.context, session.frame);
  // A message box during the load means damage was met in the table.
  if (session.frame.messages().size() > messagesBefore) code = ExitCode::FinishedWithErrors;

  RecordGrid& grid = session.frame.Grid();
  std::vector<std::string> headers;
  for (size_t c = 0; c < grid.ColumnCount(); ++c) headers.push_back(grid.ColumnHeader(c));
  std::string text = FormatLine(headers, options.csv);
  for (size_t r = 0; r < grid.RowCount(); ++r) {
    text += FormatLine(grid.Row(r), options.csv);
    if (text.size() > (1 << 20)) {
      if (!WriteToStdout(text)) return ExitCode::OutputNotWritable;
      text.clear();
    }
  }
  if (!WriteToStdout(text)) return ExitCode::OutputNotWritable;
  return code;
}

}  // namespace salvoran::cli
