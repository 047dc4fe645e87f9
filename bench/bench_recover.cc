// Recovery throughput: scan + full recovery of a generated database into a
// new SQLite 3 file, beside the time the SQLite library needs only to insert
// the same rows through one prepared statement in one transaction.
//
//   bench_recover [rows] [work folder]
//
// The database (about 100 bytes a row: integer, real, text, blob) is made in
// the work folder and kept there for the next run. Prints seconds, rows per
// second, MB/s and the peak resident memory of the recovery.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless_frame.h"
#include "recovery/detection.h"
#include "recovery/open_recovery.h"
#include "sqlite3fmt/sqlite_ver3.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

const char* kCreate = "CREATE TABLE t(id INTEGER PRIMARY KEY, n INTEGER, r REAL, s TEXT, b BLOB)";

void Generate(const std::string& path, long rows) {
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db, "open");
  Check(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db, "pragma");
  Check(sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr), db, "create");
  std::string sql =
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + std::to_string(rows) +
      ") INSERT INTO t SELECT x, x * 7919 % 1000003 - 500000, x / 7.0, "
      "printf('row %d text %.*c', x, 30 + x % 40, 'y'), randomblob(20 + x % 30) FROM c";
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, "fill");
  sqlite3_close(db);
}

double RecoverWithSalvoran(const std::string& input, const std::string& output, long* rowsWritten) {
  std::filesystem::remove(output);
  auto start = Clock::now();
  salvoran::HeadlessFrame frame;
  frame.SetLogStream(nullptr);
  frame.SetAnswerPolicy([](const salvoran::MessageRequest&) { return salvoran::MessageAnswer::Yes; });
  salvoran::RecoveryContext context;
  salvoran::FileSettings settings = salvoran::DetectFileSettings(input, frame);
  salvoran::BeginRecovery(context, frame, settings);
  salvoran::RunScanWorker(context, frame, [](int32_t) { return std::make_unique<salvoran::sqlite_ver3>(); });
  frame.Tree().SetCheck(context.rootNode, true);
  context.outputPath = output;
  context.parser->CreateRecoveredDatabase(input);
  *rowsWritten = 0;
  for (const auto& table : context.saveReport.tables) *rowsWritten += table.rowsInserted;
  return Seconds(start);
}

// The same rows inserted by the SQLite library alone: read into memory first
// (not timed), then one prepared INSERT in one transaction.
double InsertOnly(const std::string& input, const std::string& output) {
  struct Row {
    sqlite3_int64 id, n;
    double r;
    std::string s, b;
  };
  std::vector<Row> rows;
  sqlite3* in = nullptr;
  sqlite3_open(input.c_str(), &in);
  sqlite3_stmt* read = nullptr;
  sqlite3_prepare_v2(in, "SELECT id, n, r, s, b FROM t", -1, &read, nullptr);
  while (sqlite3_step(read) == SQLITE_ROW) {
    rows.push_back({sqlite3_column_int64(read, 0), sqlite3_column_int64(read, 1), sqlite3_column_double(read, 2),
                    reinterpret_cast<const char*>(sqlite3_column_text(read, 3)),
                    std::string(static_cast<const char*>(sqlite3_column_blob(read, 4)),
                                static_cast<size_t>(sqlite3_column_bytes(read, 4)))});
  }
  sqlite3_finalize(read);
  sqlite3_close(in);

  std::filesystem::remove(output);
  auto start = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open(output.c_str(), &db);
  sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr);
  for (const Row& row : rows) {
    sqlite3_bind_int64(insert, 1, row.id);
    sqlite3_bind_int64(insert, 2, row.n);
    sqlite3_bind_double(insert, 3, row.r);
    sqlite3_bind_text(insert, 4, row.s.data(), static_cast<int>(row.s.size()), SQLITE_STATIC);
    sqlite3_bind_blob(insert, 5, row.b.data(), static_cast<int>(row.b.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return Seconds(start);
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 2000000;
  std::string work = argc > 2 ? argv[2] : SALVORAN_BENCH_WORK_DIR;
  std::filesystem::create_directories(work);
  std::string input = work + "/recover-" + std::to_string(rows) + ".db";
  if (!std::filesystem::exists(input)) {
    std::printf("generating %ld rows in %s ...\n", rows, input.c_str());
    Generate(input, rows);
  }
  double megabytes = static_cast<double>(std::filesystem::file_size(input)) / 1e6;
  long written = 0;
  double ours = RecoverWithSalvoran(input, work + "/recovered.db", &written);
  long peakKb = PeakResidentKb();
  double library = InsertOnly(input, work + "/inserted.db");
  std::printf("input: %.1f MB, %ld rows\n", megabytes, rows);
  std::printf("scan + recovery to SQLite 3: %.2f s (%.0f rows/s, %.1f MB/s), %ld rows written, peak RSS %.1f MB\n",
              ours, static_cast<double>(written) / ours, megabytes / ours, written, static_cast<double>(peakKb) / 1024);
  std::printf("SQLite inserting the same rows (prepared, one transaction): %.2f s\n", library);
  std::printf("ratio recovery / insert-only: %.2f\n", ours / library);

  // SQLite's own salvage pipeline on the same file, when its shell can be
  // built here (see recover_baseline.sh).
  std::string command = std::string(SALVORAN_BENCH_WORK_DIR) + "/../recover_baseline.sh '" + input + "' 2>&1";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[512];
    double baseline = 0;
    while (std::fgets(line, sizeof line, pipe)) {
      std::fputs(line, stdout);
      std::sscanf(line, "sqlite3 .recover | sqlite3: %lf", &baseline);
    }
    pclose(pipe);
    if (baseline > 0) std::printf("ratio recovery / .recover pipeline: %.2f\n", ours / baseline);
  }
  return 0;
}
