#include "writers/sqlite2_row_sink.h"

#include <algorithm>

#include "writers/sqlite3_output.h"

namespace salvoran {

Sqlite2RowSink::Sqlite2RowSink(CppSQLiteDB& db, std::string table, ErrorHandler onError)
    : db_(db), table_(std::move(table)), onError_(std::move(onError)) {}

std::string Sqlite2RowSink::InsertStatement(const std::string& table, const std::vector<Value>& values) {
  std::string sql = "insert into " + QuoteIdentifier(table) + " values(";
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) sql += ',';
    const Value& value = values[k];
    switch (value.type) {
      case ValueType::Null:
        sql += "NULL";
        break;
      case ValueType::Integer:
        sql += std::to_string(value.integer);
        break;
      case ValueType::Real:
      case ValueType::Text:
      case ValueType::Blob: {
        // Only texts come from an SQLite 2 file; anything else is kept as
        // the text of its bytes.
        std::string text = value.type == ValueType::Real ? std::to_string(value.real) : value.bytes;
        sql += '\'';
        for (char c : text) {
          sql += c;
          if (c == '\'') sql += '\'';
        }
        sql += '\'';
        break;
      }
    }
  }
  return sql + ");";
}

bool Sqlite2RowSink::Run(const std::string& statement) {
  try {
    return db_.ExecuteStatement(statement.c_str()) == 1;
  } catch (const CppSQLiteException&) {
    return false;  // the connection is not open
  }
}

bool Sqlite2RowSink::WriteRow(const std::vector<Value>& values, int64_t rowid) {
  std::string statement = InsertStatement(table_, values);
  const uint64_t sequence = written_++;
  if (Run(statement)) return true;
  waiting_.push_back({sequence, rowid, std::move(statement)});
  if (waiting_.size() >= kRetryThreshold) RetryWaiting();
  return false;
}

void Sqlite2RowSink::RetryWaiting() {
  for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) {
    if (Run(it->statement)) {
      ++retried_;
    } else {
      failedTwice_.push_back(std::move(*it));
    }
  }
  waiting_.clear();
}

void Sqlite2RowSink::Finish() {
  RetryWaiting();
  std::sort(failedTwice_.begin(), failedTwice_.end(),
            [](const Pending& a, const Pending& b) { return a.sequence < b.sequence; });
  for (const Pending& row : failedTwice_) {
    if (Run(row.statement)) {
      ++retried_;
      continue;
    }
    ++rejected_;
    onError_("row " + std::to_string(row.rowid) + " of " + table_ + " is not written");
  }
  failedTwice_.clear();
}

}  // namespace salvoran
