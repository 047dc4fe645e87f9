// Scan throughput: the signature search and the whole schema scan (page
// header collection, schema walk, catalog and tree) of a generated SQLite 3
// database, at a smaller size and at the full size.
//
//   bench_scan [SIZE] [WORK-FOLDER]
//
// SIZE is in megabytes, or a number with the suffix K, M or G (default 1G).
// The databases are made with the SQLite library in the work folder
// (default bench/work/, not stored in the repository) and kept there for the
// next run. Both steps read every page once, so their time must grow
// linearly with the size: the time per megabyte of the two sizes should
// stay about the same.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/headless_frame.h"
#include "recovery/detection.h"
#include "recovery/open_recovery.h"
#include "sqlite3fmt/sqlite_ver3.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepeats = 3;  // each step is timed this often; the best run counts

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "bench_scan: %s: %s\n", sql.substr(0, 80).c_str(), error ? error : "?");
    std::exit(1);
  }
}

int64_t QueryInt(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  int64_t value = 0;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
    value = sqlite3_column_int64(statement, 0);
  }
  sqlite3_finalize(statement);
  return value;
}

// A schema of some width (tables, indexes, views, triggers) and one big
// table filled until the file reaches targetBytes. Written under a
// temporary name and renamed when complete, so a broken run leaves no
// half-made database behind to be reused.
void Generate(const std::string& path, uint64_t targetBytes) {
  const std::string partial = path + ".partial";
  std::filesystem::remove(partial);
  sqlite3* db = nullptr;
  if (sqlite3_open(partial.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "bench_scan: cannot create %s\n", partial.c_str());
    std::exit(1);
  }
  Exec(db, "PRAGMA page_size=4096; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
  Exec(db, "CREATE TABLE rows(id INTEGER PRIMARY KEY, n INTEGER, r REAL, s TEXT, b BLOB)");
  for (int i = 0; i < 40; ++i) {
    const std::string t = "side" + std::to_string(i);
    Exec(db, "CREATE TABLE " + t + "(id INTEGER PRIMARY KEY, name TEXT NOT NULL, amount REAL, note TEXT)");
    Exec(db, "CREATE INDEX " + t + "_name ON " + t + "(name, amount)");
    Exec(db, "CREATE VIEW " + t + "_big AS SELECT id, name FROM " + t + " WHERE amount > 100");
    Exec(db, "CREATE TRIGGER " + t + "_ins AFTER INSERT ON " + t + " BEGIN SELECT 1; END");
  }
  const int64_t pageSize = QueryInt(db, "PRAGMA page_size");
  int64_t next = 1;
  for (;;) {
    const auto size = static_cast<uint64_t>(QueryInt(db, "PRAGMA page_count") * pageSize);
    if (size >= targetBytes) break;
    // A row takes about 200 bytes; batches shrink as the target comes near.
    const int64_t batch = std::clamp<int64_t>(static_cast<int64_t>((targetBytes - size) / 250), 500, 200'000);
    Exec(db, "WITH RECURSIVE c(x) AS (SELECT " + std::to_string(next) + " UNION ALL SELECT x + 1 FROM c WHERE x < " +
                 std::to_string(next + batch - 1) +
                 ") INSERT INTO rows SELECT x, x * 7919 % 1000003, x / 7.0, "
                 "printf('row %d text %.*c', x, 40 + x % 60, 'y'), randomblob(30 + x % 50) FROM c");
    next += batch;
  }
  sqlite3_close(db);
  std::filesystem::rename(partial, path);
}

std::string EnsureDatabase(const std::string& folder, uint64_t megabytes) {
  const std::string path = folder + "/scan-" + std::to_string(megabytes) + "mb.db";
  if (!std::filesystem::exists(path)) {
    std::printf("generating %s (%llu MB) ...\n", path.c_str(), static_cast<unsigned long long>(megabytes));
    std::fflush(stdout);
    Generate(path, megabytes * 1'000'000);
  }
  return path;
}

struct Timing {
  double signatureSeconds = 1e300;
  double scanSeconds = 1e300;
  double megabytes = 0;
  size_t tablesFound = 0;
  bool complete = false;
  const char* reader = "none";  // the buffered reader loads the file; the mapped one pages it in on use
};

const char* ReaderName(const salvoran::Reader* reader) {
  if (dynamic_cast<const salvoran::Reader_Buffer*>(reader)) return "buffer";
  if (dynamic_cast<const salvoran::Reader_MemoryMapped*>(reader)) return "mapped";
  if (dynamic_cast<const salvoran::Reader_Disk*>(reader)) return "disk";
  return "none";
}

// A whole pass of the signature search over the file: the SQLite 2
// signature is not in an SQLite 3 file, so every offset is examined, as for
// a file whose SQLite 3 header was destroyed.
double TimeSignatureSearch(const std::string& path) {
  std::unique_ptr<salvoran::Reader> reader = salvoran::ChooseReader(path);
  if (!reader || reader->size() < 1024) return 0;
  auto start = Clock::now();
  auto found = salvoran::FindSignature(*reader, salvoran::kSqlite2Signature, reader->size() - 1024);
  double seconds = SecondsSince(start);
  if (found) std::printf("  (unexpected SQLite 2 signature at %llu)\n", static_cast<unsigned long long>(*found));
  return seconds;
}

// Detection, the reader's set-up, the page headers and the schema scan, as
// the Open command runs them, through the headless frame.
double TimeScan(const std::string& path, Timing* timing) {
  salvoran::HeadlessFrame frame;
  frame.SetLogStream(nullptr);
  salvoran::RecoveryContext context;
  auto start = Clock::now();
  salvoran::FileSettings settings = salvoran::DetectFileSettings(path, frame);
  salvoran::BeginRecovery(context, frame, settings);
  salvoran::ScanOutcome outcome = salvoran::RunScanWorker(
      context, frame, [](int32_t) { return std::make_unique<salvoran::sqlite_ver3>(); });
  double seconds = SecondsSince(start);
  timing->complete = outcome == salvoran::ScanOutcome::Complete;
  timing->tablesFound = frame.Tree().Children(context.tablesNode).size();
  timing->reader = ReaderName(context.reader.get());
  return seconds;
}

Timing Measure(const std::string& path) {
  Timing timing;
  timing.megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  for (int i = 0; i < kRepeats; ++i) {
    timing.signatureSeconds = std::min(timing.signatureSeconds, TimeSignatureSearch(path));
    timing.scanSeconds = std::min(timing.scanSeconds, TimeScan(path, &timing));
  }
  return timing;
}

void PrintRow(const Timing& t) {
  std::printf("%10.1f MB  %10.3f s %10.0f MB/s  %10.3f s %10.0f MB/s  %-6s  %4zu tables  %s\n", t.megabytes,
              t.signatureSeconds, t.megabytes / t.signatureSeconds, t.scanSeconds, t.megabytes / t.scanSeconds,
              t.reader, t.tablesFound, t.complete ? "complete" : "ENDED WITH ERRORS");
}

// "512", "512M", "2G", "700K" -> megabytes (at least 1).
uint64_t ParseMegabytes(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  std::string unit = end ? end : "";
  if (unit == "G" || unit == "g") value *= 1000;
  if (unit == "K" || unit == "k") value /= 1000;
  if (!(value >= 1)) {
    std::fprintf(stderr, "bench_scan: size must be at least 1 MB, got '%s'\n", text.c_str());
    std::exit(2);
  }
  return static_cast<uint64_t>(value);
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t fullMegabytes = argc > 1 ? ParseMegabytes(argv[1]) : 1000;
  const std::string work = argc > 2 ? argv[2] : SALVORAN_BENCH_WORK_DIR;
  std::filesystem::create_directories(work);
  const uint64_t smallMegabytes = std::max<uint64_t>(1, fullMegabytes / 8);

  const std::string small = EnsureDatabase(work, smallMegabytes);
  const std::string full = EnsureDatabase(work, fullMegabytes);

  std::printf("\n%13s  %-27s  %-27s  %s\n", "size", "signature search (full pass)", "scan (page headers + schema)",
              "reader");
  Timing smallTiming = Measure(small);
  PrintRow(smallTiming);
  Timing fullTiming = Measure(full);
  PrintRow(fullTiming);

  auto perMegabyte = [](double seconds, double megabytes) { return seconds / megabytes; };
  std::printf("\nBoth steps read each page once: their time must grow linearly with the size.\n");
  std::printf("(Below 150 MB the scan's reader loads the whole file first; above, it maps it.)\n");
  std::printf("time per MB, full size / smaller size: signature search %.2f, scan %.2f (about 1 is linear)\n",
              perMegabyte(fullTiming.signatureSeconds, fullTiming.megabytes) /
                  perMegabyte(smallTiming.signatureSeconds, smallTiming.megabytes),
              perMegabyte(fullTiming.scanSeconds, fullTiming.megabytes) /
                  perMegabyte(smallTiming.scanSeconds, smallTiming.megabytes));
  return smallTiming.complete && fullTiming.complete ? 0 : 1;
}
