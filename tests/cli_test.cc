// salvoran-cli as a user runs it: help and version, usage errors, the exit
// status for every outcome, the scan report as text and as JSON compared
// with what SQLite itself holds in the schema, the log file and --quiet.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <nlohmann/json.hpp>

#include "recovery/messages.h"
#include "recovery/text.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace salvoran::testing {
namespace {

#ifdef SALVORAN_CLI
const char* const kCli = SALVORAN_CLI;
#else
const char* const kCli = nullptr;
#endif

struct CliRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs salvoran-cli with args. stdout is captured, or goes to stdoutPath
// when given (and is then not read back: it may be a device).
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdoutPath = "") {
  ScratchDir capture;
  const std::string outPath = stdoutPath.empty() ? capture.File("out") : stdoutPath;
  const std::string errPath = capture.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> argvStrings = {kCli};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  CliRun run;
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, kCli, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0) << "cannot start " << kCli;
  if (spawned != 0) return run;
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
  if (stdoutPath.empty()) {
    std::vector<uint8_t> out = ReadFileBytes(outPath);
    run.out.assign(out.begin(), out.end());
  }
  std::vector<uint8_t> err = ReadFileBytes(errPath);
  run.err.assign(err.begin(), err.end());
  return run;
}

nlohmann::json ParseJson(const CliRun& run) {
  nlohmann::json json = nlohmann::json::parse(run.out, nullptr, false);
  EXPECT_FALSE(json.is_discarded()) << "not JSON: " << run.out;
  return json;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kCli == nullptr) GTEST_SKIP() << "salvoran-cli is not part of this build";
  }
  ScratchDir dir_;
};

// A small database with two tables, an index, a view and a trigger.
const std::vector<std::string> kShopSchema = {
    "CREATE TABLE \"order items\" (id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT)",
    "CREATE TABLE log(at TEXT, what TEXT)",
    "CREATE INDEX items_by_name ON \"order items\"(name)",
    "CREATE VIEW big_orders AS SELECT id, name FROM \"order items\" WHERE qty > 10",
    "CREATE TRIGGER items_added AFTER INSERT ON \"order items\" BEGIN INSERT INTO log VALUES (datetime(), new.name); END",
    "INSERT INTO \"order items\"(name, qty) VALUES ('bolt', 5), ('nut', 50)",
};

std::string SchemaSql(const std::string& path, const std::string& name) {
  Db db(path);
  std::vector<std::string> sql = db.Column("SELECT sql FROM sqlite_schema WHERE name = '" + name + "'");
  return sql.empty() || sql[0].size() < 2 ? "" : sql[0].substr(1, sql[0].size() - 2);  // without the quotes
}

TEST_F(CliTest, HelpAndVersion) {
  CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* expected : {"Usage", "scan", "--log-dir", "--quiet", "--version", "Exit codes:",
                               "0  complete", "1  finished with errors", "2  usage error",
                               "3  no SQLite database found", "4  the output cannot be written"}) {
    EXPECT_NE(help.out.find(expected), std::string::npos) << expected;
  }
  CliRun scanHelp = RunCli({"scan", "--help"});
  EXPECT_EQ(scanHelp.status, 0);
  EXPECT_NE(scanHelp.out.find("--json"), std::string::npos);
  EXPECT_NE(scanHelp.out.find("Exit codes:"), std::string::npos);

  CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("salvoran-cli 1.", 0), 0u) << version.out;
}

TEST_F(CliTest, UsageErrorsExitWith2) {
  const std::string db = dir_.File("shop.db");
  MakeDatabase(db, kShopSchema);
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"scan"}, {"frobnicate", db}, {"scan", db, "--bogus"}, {"scan", db, "extra"}, {"scan", db, "--log-dir"}};
  for (const auto& args : wrong) {
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(run.err.empty());
  }
}

TEST_F(CliTest, InputWithoutADatabaseExitsWith3) {
  WriteFileBytes(dir_.File("notes.txt"), std::vector<uint8_t>(4096, 'n'));
  WriteFileBytes(dir_.File("empty.db"), {});
  struct Case {
    std::string path;
    const char* message;
  };
  const Case cases[] = {
      {dir_.File("missing.db"), kMsgSelectValidFile},
      {dir_.File("notes.txt"), kMsgContentNotInForm},
      {dir_.File("empty.db"), kMsgFormatNotSupported},
      {dir_.path(), kMsgFileUsedByOther},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CliRun run = RunCli({"scan", c.path, "--json"});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST_F(CliTest, JsonReportListsEveryObjectWithItsStatement) {
  const std::string path = dir_.File("shop.db");
  MakeDatabase(path, kShopSchema);
  CliRun run = RunCli({"scan", path, "--json", "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json json = ParseJson(run);

  EXPECT_EQ(json["format"], "sqlite3");
  EXPECT_EQ(json["startOffset"], 0);
  EXPECT_EQ(json["pageSize"], 4096);
  EXPECT_EQ(json["encoding"], "utf-8");
  EXPECT_EQ(json["pageCount"], std::filesystem::file_size(path) / 4096);
  EXPECT_EQ(json["complete"], true);
  EXPECT_NE(std::find(json["messages"].begin(), json["messages"].end(), kMsgScanCompleted), json["messages"].end());

  std::map<std::string, nlohmann::json> tables;
  for (const nlohmann::json& table : json["tables"]) tables[table["name"]] = table;
  ASSERT_EQ(tables.size(), 2u) << json["tables"].dump();
  const nlohmann::json& items = tables["order items"];
  EXPECT_EQ(items["rootPage"], RootPageOf(path, "order items"));
  EXPECT_EQ(items["columns"], (std::vector<std::string>{"id", "name", "qty"}));
  EXPECT_EQ(items["keyColumn"], 0);
  EXPECT_EQ(items["sql"], SchemaSql(path, "order items"));
  EXPECT_NE(items["label"].get<std::string>().find("order items"), std::string::npos);
  const nlohmann::json& log = tables["log"];
  EXPECT_EQ(log["rootPage"], RootPageOf(path, "log"));
  EXPECT_EQ(log["columns"], (std::vector<std::string>{"at", "what"}));
  EXPECT_TRUE(log["keyColumn"].is_null());
  EXPECT_EQ(log["sql"], SchemaSql(path, "log"));

  struct Category {
    const char* key;
    const char* name;
  };
  for (Category c : {Category{"indexes", "items_by_name"}, Category{"views", "big_orders"},
                     Category{"triggers", "items_added"}}) {
    SCOPED_TRACE(c.key);
    ASSERT_EQ(json[c.key].size(), 1u) << json[c.key].dump();
    const nlohmann::json& object = json[c.key][0];
    EXPECT_EQ(object["name"], c.name);
    EXPECT_NE(object["label"].get<std::string>().find(c.name), std::string::npos);
    EXPECT_EQ(object["sql"], SchemaSql(path, c.name));
  }
}

TEST_F(CliTest, JsonReportGivesTheStartOffsetAndTheTextEncoding) {
  for (const char* encoding : {"UTF-16le", "UTF-16be"}) {
    SCOPED_TRACE(encoding);
    const std::string original = dir_.File(std::string("u16-") + encoding + ".db");
    MakeDatabase(original, kShopSchema, 1024, encoding);
    std::vector<uint8_t> bytes(37, 0x20);
    std::vector<uint8_t> database = ReadFileBytes(original);
    bytes.insert(bytes.end(), database.begin(), database.end());
    WriteFileBytes(dir_.File("prefixed.bin"), bytes);

    CliRun run = RunCli({"scan", dir_.File("prefixed.bin"), "--json", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json json = ParseJson(run);
    EXPECT_EQ(json["startOffset"], 37);
    EXPECT_EQ(json["pageSize"], 1024);
    EXPECT_EQ(json["pageCount"], database.size() / 1024);
    EXPECT_EQ(json["encoding"], ToUpperAscii(encoding) == "UTF-16LE" ? "utf-16le" : "utf-16be");
    std::set<std::string> names;
    for (const nlohmann::json& table : json["tables"]) names.insert(table["name"]);
    EXPECT_EQ(names, (std::set<std::string>{"order items", "log"}));
  }
}

TEST_F(CliTest, JsonReportOfAnSqlite2DatabaseBehindOtherBytes) {
  // prefixed.bin holds a database of the SQLite 2.8 library after 37 other bytes.
  const std::string path = std::string(SALVORAN_TEST_DATA) + "/sqlite2/prefixed.bin";
  ASSERT_TRUE(std::filesystem::exists(path));
#if !__has_include("sqlite2fmt/sqlite_ver2.h")
  GTEST_SKIP() << "this checkout has no SQLite 2 parser";
#endif
  CliRun run = RunCli({"scan", path, "--json", "-q"});
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json json = ParseJson(run);
  EXPECT_EQ(json["format"], "sqlite2");
  EXPECT_EQ(json["startOffset"], 37);
  EXPECT_EQ(json["pageSize"], 1024);
  EXPECT_EQ(json["encoding"], "utf-8");
  EXPECT_EQ(json["pageCount"], 3);
  ASSERT_EQ(json["tables"].size(), 1u);
  const nlohmann::json& people = json["tables"][0];
  EXPECT_EQ(people["name"], "people");
  EXPECT_EQ(people["rootPage"], 3);
  EXPECT_EQ(people["columns"], (std::vector<std::string>{"id", "name", "score", "note"}));
  EXPECT_EQ(people["keyColumn"], 0);
  EXPECT_EQ(people["sql"], "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT, score NUMERIC, note VARCHAR(40))");
  EXPECT_EQ(json["complete"], true);
}

TEST_F(CliTest, TextReportShowsTheSettingsTheTreeAndTheColumns) {
  const std::string path = dir_.File("shop.db");
  MakeDatabase(path, kShopSchema);
  CliRun run = RunCli({"scan", path});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string& expected : std::vector<std::string>{"Format:       SQLite 3\n", "Start offset: 0\n", "Page size:    4096\n", "Encoding:     utf-8\n",
        "Page count:   " + std::to_string(std::filesystem::file_size(path) / 4096) + "\n", "Scan:         complete\n",
        "TABLES\n", "INDEXES\n", "VIEWS\n", "TRIGGERS\n", "columns: id (key), name, qty\n", "columns: at, what\n",
        "big_orders", "items_added", "items_by_name"}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " not in\n" << run.out;
  }
  // Log lines and message boxes go to stderr, never into the report.
  EXPECT_NE(run.err.find(" File is Parsing "), std::string::npos);
  EXPECT_NE(run.err.find(std::string("[") + kAppTitle + "] " + kMsgScanCompleted), std::string::npos);
  EXPECT_EQ(run.out.find(" File is Parsing "), std::string::npos);
}

TEST_F(CliTest, ADamagedDatabaseIsReportedIncompleteWithExit1) {
  const std::string original = dir_.File("shop.db");
  MakeDatabase(original, kShopSchema);
  std::vector<uint8_t> bytes = ReadFileBytes(original);
  // A page size that is not a power of two cannot be scanned.
  bytes[16] = 0x03;
  bytes[17] = 0xE8;
  WriteFileBytes(dir_.File("damaged.db"), bytes);
  CliRun run = RunCli({"scan", dir_.File("damaged.db"), "--json", "-q"});
  EXPECT_EQ(run.status, 1) << run.err;
  nlohmann::json json = ParseJson(run);
  EXPECT_EQ(json["complete"], false);
  EXPECT_EQ(json["pageSize"], 1000);
  EXPECT_NE(std::find(json["messages"].begin(), json["messages"].end(), kMsgScanEndedWithErrors),
            json["messages"].end());
}

TEST_F(CliTest, LogDirGetsTheUtf16LogFileAndQuietKeepsLogLinesOffStderr) {
  const std::string path = dir_.File("shop.db");
  MakeDatabase(path, kShopSchema);
  const std::string logDir = dir_.File("logs/new");
  CliRun run = RunCli({"--log-dir", logDir, "scan", path, "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.find(" File is Parsing "), std::string::npos);
  EXPECT_NE(run.err.find(kMsgScanCompleted), std::string::npos);  // message boxes still show

  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(logDir)) logs.push_back(entry.path());
  ASSERT_EQ(logs.size(), 1u);
  const std::string name = logs[0].filename().string();
  EXPECT_EQ(name.rfind("CorvaneSQLite_log_", 0), 0u) << name;
  std::vector<uint8_t> bytes = ReadFileBytes(logs[0].string());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::string text = Utf16BytesToUtf8(std::string(bytes.begin() + 2, bytes.end()), false);
  EXPECT_NE(text.find(path + " File is selected for recovery....\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n File is Parsing \r\n"), std::string::npos);
  EXPECT_NE(text.find(std::string(kMsgScanCompleted) + "\r\n"), std::string::npos);
}

TEST_F(CliTest, AnOutputThatCannotBeWrittenExitsWith4) {
  const std::string path = dir_.File("shop.db");
  MakeDatabase(path, kShopSchema);
  WriteFileBytes(dir_.File("plain-file"), {1});
  CliRun badLogDir = RunCli({"scan", path, "--log-dir", dir_.File("plain-file/logs")});
  EXPECT_EQ(badLogDir.status, 4);
  EXPECT_TRUE(badLogDir.out.empty());
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(RunCli({"scan", path, "--json", "-q"}, "/dev/full").status, 4);
  }
}

}  // namespace
}  // namespace salvoran::testing
