#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "recovery/detection.h"
#include "recovery/text.h"
#include "parsers/parser_factory.h"
#include "sqlite3fmt/sqlite_ver3.h"

namespace salvoran::testing {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "salvoran-test-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Db::Db(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path;
  }
}

Db::~Db() { sqlite3_close_v2(db_); }

void Db::Exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << "SQL failed: " << sql.substr(0, 200) << ": " << (error ? error : "?");
  }
  sqlite3_free(error);
}

namespace {

std::string TypedText(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return "NULL";
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return FormatReal(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return "'" + std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))) + "'";
    }
    default: {
      const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(statement, column));
      int n = sqlite3_column_bytes(statement, column);
      static const char* kHex = "0123456789abcdef";
      std::string out = "x'";
      for (int i = 0; i < n; ++i) {
        out += kHex[blob[i] >> 4];
        out += kHex[blob[i] & 15];
      }
      return out + "'";
    }
  }
}

}  // namespace

std::vector<std::vector<std::string>> Db::Query(const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "prepare failed: " << sql << ": " << sqlite3_errmsg(db_);
    return rows;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) row.push_back(TypedText(statement, c));
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  return rows;
}

std::vector<std::string> Db::Column(const std::string& sql) {
  std::vector<std::string> values;
  for (auto& row : Query(sql)) values.push_back(row.empty() ? "" : row[0]);
  return values;
}

void MakeDatabase(const std::string& path, const std::vector<std::string>& statements, int pageSize,
                  const std::string& encoding) {
  Db db(path);
  db.Exec("PRAGMA page_size=" + std::to_string(pageSize));
  db.Exec("PRAGMA encoding='" + encoding + "'");
  db.Exec("BEGIN");
  for (const std::string& statement : statements) db.Exec(statement);
  db.Exec("COMMIT");
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t PageSizeOf(const std::vector<uint8_t>& bytes) {
  uint32_t size = uint32_t{bytes.at(16)} << 8 | bytes.at(17);
  return size == 1 ? 65536 : size;
}

void FillPage(std::vector<uint8_t>& bytes, uint32_t page, uint8_t value, size_t startOffset) {
  uint32_t size = PageSizeOf(std::vector<uint8_t>(bytes.begin() + static_cast<long>(startOffset),
                                                  bytes.begin() + static_cast<long>(startOffset) + 100));
  size_t begin = startOffset + size_t{page - 1} * size;
  ASSERT_LE(begin + size, bytes.size());
  std::fill(bytes.begin() + static_cast<long>(begin), bytes.begin() + static_cast<long>(begin + size), value);
}

uint32_t RootPageOf(const std::string& dbPath, const std::string& name) {
  Db db(dbPath);
  auto rows = db.Column("SELECT rootpage FROM sqlite_schema WHERE name='" + name + "'");
  return rows.empty() ? 0 : static_cast<uint32_t>(std::stoul(rows[0]));
}

std::vector<uint32_t> PagesOf(const std::string& dbPath, const std::string& name, const std::string& pagetype) {
  Db db(dbPath);
  std::vector<uint32_t> pages;
  for (const std::string& page : db.Column("SELECT pageno FROM dbstat WHERE name='" + name +
                                           "' AND pagetype='" + pagetype + "' ORDER BY pageno")) {
    pages.push_back(static_cast<uint32_t>(std::stoul(page)));
  }
  return pages;
}

Recovery::Recovery() { frame.SetLogStream(nullptr); }
Recovery::~Recovery() = default;

std::vector<std::string> Recovery::MessageTexts() const {
  std::vector<std::string> texts;
  for (const MessageRequest& request : frame.messages()) texts.push_back(request.text);
  return texts;
}

bool Recovery::Logged(const std::string& line) const {
  for (const std::string& logged : frame.logLines()) {
    if (logged == line) return true;
  }
  return false;
}

bool SaveAll(Recovery& recovery, const std::string& outputPath) {
  RecoveryContext& context = recovery.context;
  if (!context.parser) return false;
  recovery.frame.Tree().SetCheck(context.rootNode, true);
  context.outputPath = outputPath;
  recovery.frame.SetAnswerPolicy([](const MessageRequest& request) {
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  });
  return context.parser->CreateRecoveredDatabase(context.inputPath);
}

std::vector<std::vector<std::string>> TableRows(const std::string& dbPath, const std::string& table,
                                                const std::string& orderBy) {
  Db db(dbPath);
  return db.Query("SELECT * FROM \"" + table + "\" ORDER BY " + orderBy);
}

std::unique_ptr<sqlite_base> MakeParser(int32_t formatVersion) { return MakeParserForFormat(formatVersion); }

std::unique_ptr<Recovery> Scan(const std::string& path) {
  auto recovery = std::make_unique<Recovery>();
  recovery->settings = DetectFileSettings(path, recovery->frame);
  BeginRecovery(recovery->context, recovery->frame, recovery->settings);
  recovery->outcome = RunScanWorker(recovery->context, recovery->frame, MakeParser);
  return recovery;
}

}  // namespace salvoran::testing
