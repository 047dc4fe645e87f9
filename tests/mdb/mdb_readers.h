// Reading .mdb files back with the two independent Jet readers the DAO tests
// check our writer against: mdbtools (mdb-ver, mdb-tables, mdb-schema,
// mdb-export) and the npm package mdb-reader (through dump.mjs in this
// folder). Header-only, for the dao_*_test.cc files.
#ifndef SALVORAN_TESTS_MDB_MDB_READERS_H_
#define SALVORAN_TESTS_MDB_MDB_READERS_H_

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace salvoran::testing::mdb {

inline std::string MdbFolder() { return std::string(SALVORAN_TEST_DATA) + "/../mdb"; }

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

struct CommandOutput {
  int exitCode = -1;
  std::string out;
};

// Runs a shell command and returns its standard output.
inline CommandOutput Run(const std::string& command) {
  CommandOutput result;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline bool HaveCommand(const std::string& name) {
  return Run("command -v " + name + " >/dev/null 2>&1").exitCode == 0;
}

// Why a reader cannot run here, or nothing when it can.
inline std::optional<std::string> MdbToolsMissing() {
  for (const char* tool : {"mdb-ver", "mdb-tables", "mdb-schema", "mdb-export"}) {
    if (!HaveCommand(tool)) return std::string(tool) + " (Debian package mdbtools) is not installed";
  }
  return std::nullopt;
}

inline std::optional<std::string> MdbReaderMissing() {
  if (!HaveCommand("node")) return std::string("node (Debian package nodejs) is not installed");
  const CommandOutput install = Run(ShellQuote(MdbFolder() + "/install.sh") + " 2>&1");
  if (install.exitCode != 0) return "mdb-reader could not be installed from npm: " + install.out;
  return std::nullopt;
}

#define SKIP_WITHOUT(missing)                                   \
  do {                                                          \
    if (std::optional<std::string> why = (missing)) GTEST_SKIP() << *why; \
  } while (0)

// --- mdbtools -------------------------------------------------------------

inline std::string MdbVersion(const std::string& file) {
  std::string out = Run("mdb-ver " + ShellQuote(file) + " 2>&1").out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// User tables, or with system = true every table.
inline std::vector<std::string> MdbTables(const std::string& file, bool system = false) {
  const std::string out = Run(std::string("mdb-tables -1 ") + (system ? "-S " : "") + ShellQuote(file)).out;
  std::vector<std::string> names;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty()) names.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

inline std::string MdbSchema(const std::string& file) { return Run("mdb-schema " + ShellQuote(file) + " 2>&1").out; }

// One CSV field of mdb-export: NULL, or the text (quoted fields unquoted).
using CsvField = std::optional<std::string>;
using CsvRow = std::vector<CsvField>;

constexpr const char* kNullMarker = "<<NULL>>";

// Parses mdb-export's CSV: "," between fields, "\n" between rows, text in
// double quotes with doubled quotes inside; an unquoted kNullMarker is NULL.
inline std::vector<CsvRow> ParseCsv(const std::string& csv) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string field;
  bool quoted = false;
  bool inQuotes = false;
  auto endField = [&] {
    if (!quoted && field == kNullMarker) row.emplace_back(std::nullopt);
    else row.emplace_back(field);
    field.clear();
    quoted = false;
  };
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      inQuotes = true;
      quoted = true;
    } else if (c == ',') {
      endField();
    } else if (c == '\n') {
      endField();
      rows.push_back(std::move(row));
      row.clear();
    } else if (c != '\r') {
      field.push_back(c);
    }
  }
  if (!field.empty() || !row.empty()) {
    endField();
    rows.push_back(std::move(row));
  }
  return rows;
}

// Header row first; dates as 2024-05-17 10:30:00, binary values as hex.
inline std::vector<CsvRow> MdbExport(const std::string& file, const std::string& table) {
  return ParseCsv(Run("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex -0 " + ShellQuote(kNullMarker) + " " +
                      ShellQuote(file) + " " + ShellQuote(table))
                      .out);
}

// --- mdb-reader -----------------------------------------------------------

// The JSON of dump.mjs: {"password", "tables": [{"name", "rowCount",
// "columns": [{"name", "type", "size"}], "rows"}]}.
inline nlohmann::json MdbReaderDump(const std::string& file, long offset = 0, long limit = -1) {
  std::string command = "node " + ShellQuote(MdbFolder() + "/dump.mjs") + " " + ShellQuote(file) + " --offset " +
                        std::to_string(offset);
  if (limit >= 0) command += " --limit " + std::to_string(limit);
  const CommandOutput output = Run(command + " 2>&1");
  if (output.exitCode != 0) {
    ADD_FAILURE() << "mdb-reader failed on " << file << ": " << output.out;
    return nlohmann::json::object();
  }
  return nlohmann::json::parse(output.out);
}

inline const nlohmann::json* FindTable(const nlohmann::json& dump, const std::string& name) {
  if (!dump.contains("tables")) return nullptr;
  for (const nlohmann::json& table : dump["tables"]) {
    if (table["name"] == name) return &table;
  }
  return nullptr;
}

}  // namespace salvoran::testing::mdb

#endif  // SALVORAN_TESTS_MDB_MDB_READERS_H_
