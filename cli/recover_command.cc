#include "cli/recover_command.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/console_output.h"
#include "cli/scan_session.h"
#include "cli/table_selection.h"
#include "recovery/sqlite_base.h"

namespace salvoran::cli {

CLI::App* AddRecoverCommand(CLI::App& app, RecoverCommandOptions& options) {
  CLI::App* command = app.add_subcommand("recover", "Save what can be recovered from FILE into a new database");
  command->add_option("FILE", options.file, "The damaged database file (it is only read)")
      ->required()
      ->type_name("FILE");
  command->add_option("-o,--output", options.output, "The new database (default: Repaired_<name> beside FILE)")
      ->type_name("PATH");
  command->add_option("-t,--table", options.tables,
                      "Save only this table and the indexes, views and triggers on it (repeatable)")
      ->type_name("NAME");
  command->add_flag("-y,--yes", options.yes, "Replace an existing output without asking");
  std::vector<std::string> names;
  for (const OutputTargetInfo& info : kOutputTargets) names.push_back(info.name);
  command->add_option("--to", options.to, "The kind of database to write: " + OutputTargetHelp())
      ->check(CLI::IsMember(names).description(""))
      ->type_name("KIND")
      ->capture_default_str();
  command->footer(kExitCodeHelp);
  return command;
}

namespace {

// Answers the replace question: --yes, else y/n on a terminal, else no.
MessageAnswer AnswerReplace(const MessageRequest& request, bool yes, bool* declined) {
  if (request.buttons != MessageButtons::YesNo) return MessageAnswer::Ok;
  if (yes) return MessageAnswer::Yes;
  if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) {
    std::fprintf(stderr, "%s [y/N] ", request.text.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    if (answer == "y" || answer == "Y" || answer == "yes") return MessageAnswer::Yes;
  }
  *declined = true;
  return MessageAnswer::No;
}

// A one-line progress bar redrawn in place on a terminal.
void DrawProgress(int64_t position, int64_t range) {
  if (range <= 0) return;
  int percent = static_cast<int>(std::min<int64_t>(100, position * 100 / range));
  static int lastPercent = -1;
  if (percent == lastPercent) return;
  lastPercent = percent;
  constexpr int kWidth = 40;
  int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(kWidth - filled), ' ').c_str(), percent);
  std::fflush(stderr);
}

}  // namespace

std::string SaveSummary(const SaveReport& report, size_t damageMessages) {
  std::string text = "Output: " + report.outputPath + "\n";
  text += "Tables: " + std::to_string(report.tables.size()) + "\n";
  for (const TableSaveResult& table : report.tables) {
    text += "  " + table.name + ": ";
    if (!table.created) {
      text += "not created\n";
      continue;
    }
    text += std::to_string(table.rowsInserted) + " rows";
    if (table.rowsRejected > 0) text += " (" + std::to_string(table.rowsRejected) + " refused by the output)";
    text += "\n";
  }
  text += "Indexes: " + std::to_string(report.indexes) + "\n";
  text += "Views: " + std::to_string(report.views) + "\n";
  text += "Triggers: " + std::to_string(report.triggers) + "\n";
  text += "Errors: " + std::to_string(report.errors.size() + damageMessages) + "\n";
  return text;
}

ExitCode RunRecoverCommand(const RecoverCommandOptions& options, const GlobalOptions& global) {
  ScanSession session(global);
  ExitCode code = DetectAndScan(options.file, global, session);
  if (code != ExitCode::Complete && code != ExitCode::FinishedWithErrors) return code;
  const OutputTargetInfo& target = InfoOf(options.to);
  if (target.onlyForFormat != kFormatNone && target.onlyForFormat != session.settings.formatVersion) {
    std::fprintf(stderr, "salvoran-cli: --to %s needs %s input; %s holds an %s database\n", target.name,
                 target.onlyForFormat == kFormatSqlite2 ? "SQLite 2" : "SQLite 3", options.file.c_str(),
                 session.settings.formatVersion == kFormatSqlite2 ? "SQLite 2" : "SQLite 3");
    return ExitCode::UsageError;
  }
  session.context.sqlite2Output = target.target == OutputTarget::Sqlite2;
  std::vector<std::string> unknown = CheckObjectsForSave(session, options.tables);
  for (const std::string& name : unknown) {
    std::fprintf(stderr, "salvoran-cli: %s has no table named %s\n", options.file.c_str(), name.c_str());
  }
  if (!unknown.empty()) return ExitCode::UsageError;

  bool declined = false;
  session.frame.SetAnswerPolicy(
      [&](const MessageRequest& request) { return AnswerReplace(request, options.yes, &declined); });
  const bool terminal = isatty(STDERR_FILENO);
  if (terminal) session.frame.SetProgressListener(DrawProgress);
  session.context.outputPath = options.output;
  size_t messagesBefore = session.frame.messages().size();
  bool saved = session.context.parser->CreateRecoveredDatabase(session.context.inputPath);
  if (terminal) std::fprintf(stderr, "\n");
  const SaveReport& report = session.context.saveReport;
  if (declined) {
    std::fprintf(stderr, "salvoran-cli: %s exists and was left alone (use --yes to replace it)\n",
                 session.context.OutputPath().c_str());
    return ExitCode::FinishedWithErrors;
  }
  // Message boxes during the save, other than the replace question, are
  // damage met while the rows were read.
  size_t damage = 0;
  std::vector<MessageRequest> shown = session.frame.messages();
  for (size_t k = messagesBefore; k < shown.size(); ++k) {
    if (shown[k].buttons == MessageButtons::Ok) ++damage;
  }
  if (!WriteToStdout(SaveSummary(report, damage))) return ExitCode::OutputNotWritable;
  if (!saved || report.outputUnwritable) return ExitCode::OutputNotWritable;
  bool rowsRefused = false;
  for (const TableSaveResult& table : report.tables) rowsRefused = rowsRefused || table.rowsRejected > 0;
  if (!report.errors.empty() || damage > 0 || rowsRefused) return ExitCode::FinishedWithErrors;
  return code;
}

}  // namespace salvoran::cli
