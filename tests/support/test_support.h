// Helpers for the tests: scratch folders, databases made with the real
// SQLite library, byte-level damage, and a recovery run through the headless
// frame.
#ifndef SALVORAN_TESTS_SUPPORT_TEST_SUPPORT_H_
#define SALVORAN_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless_frame.h"
#include "recovery/open_recovery.h"
#include "recovery/recovery_context.h"

namespace salvoran::testing {

// A fresh folder under the system temporary folder, removed on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// An open connection of the real SQLite library; statements fail the test.
class Db {
 public:
  explicit Db(const std::string& path);
  ~Db();
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  void Exec(const std::string& sql);
  ::sqlite3* handle() const { return db_; }
  // Every row of a query, each value as its typed text form: NULL, 42,
  // 1.5 (shortest round trip), 'text' or x'0102'.
  std::vector<std::vector<std::string>> Query(const std::string& sql);
  std::vector<std::string> Column(const std::string& sql);

 private:
  ::sqlite3* db_ = nullptr;
};

// Creates a database at path with the given page size and encoding
// ("UTF-8", "UTF-16le", "UTF-16be") and runs the statements in one
// transaction.
void MakeDatabase(const std::string& path, const std::vector<std::string>& statements,
                  int pageSize = 4096, const std::string& encoding = "UTF-8");

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The bytes of page n (1-based) of a database file that starts at offset 0.
uint32_t PageSizeOf(const std::vector<uint8_t>& bytes);
void FillPage(std::vector<uint8_t>& bytes, uint32_t page, uint8_t value, size_t startOffset = 0);
// Root page of a table or index, as SQLite reports it.
uint32_t RootPageOf(const std::string& dbPath, const std::string& name);
// The pages of a table or index b-tree as SQLite's dbstat table reports
// them: pagetype is "internal", "leaf" or "overflow".
std::vector<uint32_t> PagesOf(const std::string& dbPath, const std::string& name,
                              const std::string& pagetype);

// A whole recovery, as the Open command would run it: detect, begin, scan.
struct Recovery {
  Recovery();
  ~Recovery();
  HeadlessFrame frame;
  RecoveryContext context;
  FileSettings settings;
  ScanOutcome outcome = ScanOutcome::NotScanned;
  // Message texts shown so far.
  std::vector<std::string> MessageTexts() const;
  bool Logged(const std::string& line) const;
};

// Detects and scans path; the frame logs nowhere and answers No.
std::unique_ptr<Recovery> Scan(const std::string& path);

// Checks every object of a scanned recovery and saves it to outputPath,
// answering Yes to the replace question. Returns CreateRecoveredDatabase's
// result.
bool SaveAll(Recovery& recovery, const std::string& outputPath);

// Every row of a table as typed texts (see Db::Query), in the order of
// orderBy.
std::vector<std::vector<std::string>> TableRows(const std::string& dbPath, const std::string& table,
                                                const std::string& orderBy = "rowid");

// The parser factory the programs use.
std::unique_ptr<sqlite_base> MakeParser(int32_t formatVersion);

}  // namespace salvoran::testing

#endif  // SALVORAN_TESTS_SUPPORT_TEST_SUPPORT_H_
