// Helpers for the SQLite 2 tests: the fixture files made by the real SQLite
// 2.8 library with the rows that library read from them, the rows our
// parser recovers, and a plain map of where each row of a sound table tree
// lives (to tell which rows a damaged copy can still give).
#ifndef SALVORAN_TESTS_SQLITE2_FIXTURES_H_
#define SALVORAN_TESTS_SQLITE2_FIXTURES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "recovery/row_sink.h"
#include "recovery/sqlite_base.h"
#include "tests/support/test_support.h"

namespace salvoran::testing::sqlite2fixtures {

inline std::string FixturePath(const std::string& name) { return std::string(SALVORAN_TEST_DATA) + "/sqlite2/" + name; }

// One value as the SQLite 2 shell printed it: NULL, or the stored text
// (quoted text unquoted, numbers as printed, which is as stored).
struct ExpectedValue {
  bool isNull = false;
  std::string text;
  bool operator==(const ExpectedValue&) const = default;
};

// An INSERT line of the shell's insert mode: values[0] is the rowid.
struct ExpectedRow {
  std::vector<ExpectedValue> values;
  int64_t Rowid() const { return std::stoll(values.at(0).text); }
};

// The sections of an .expected.txt file, by title ("sqlite_master",
// "table people (8 rows)", ...).
using ExpectedFile = std::map<std::string, std::vector<ExpectedRow>>;

inline ExpectedFile ParseExpected(const std::string& text) {
  ExpectedFile file;
  std::string section;
  size_t i = 0;
  auto restOfLine = [&]() {
    size_t end = text.find('\n', i);
    std::string line = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
    i = end == std::string::npos ? text.size() : end + 1;
    return line;
  };
  while (i < text.size()) {
    if (text.compare(i, 2, "--") == 0) {
      std::string line = restOfLine();
      const std::string marker = "-- section: ";
      if (line.rfind(marker, 0) == 0) section = line.substr(marker.size());
      continue;
    }
    size_t open = text.find("VALUES(", i);
    if (text.compare(i, 12, "INSERT INTO ") != 0 || open == std::string::npos) {
      restOfLine();
      continue;
    }
    i = open + 7;
    ExpectedRow row;
    while (i < text.size()) {
      ExpectedValue value;
      if (text[i] == '\'') {
        for (++i; i < text.size(); ++i) {
          if (text[i] == '\'') {
            if (i + 1 < text.size() && text[i + 1] == '\'') {
              value.text.push_back('\'');
              ++i;
              continue;
            }
            ++i;
            break;
          }
          value.text.push_back(text[i]);
        }
      } else {
        size_t end = text.find_first_of(",)", i);
        value.text = text.substr(i, end - i);
        value.isNull = value.text == "NULL";
        if (value.isNull) value.text.clear();
        i = end;
      }
      row.values.push_back(value);
      if (text[i] == ',') {
        ++i;
        continue;
      }
      break;  // ")"
    }
    file[section].push_back(std::move(row));
    restOfLine();
  }
  return file;
}

inline ExpectedFile LoadExpected(const std::string& name) {
  std::ifstream in(FixturePath(name + ".expected.txt"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  return ParseExpected(text);
}

// The rows of table `table` as the library read them.
inline std::vector<ExpectedRow> ExpectedTable(const ExpectedFile& file, const std::string& table) {
  for (const auto& [title, rows] : file) {
    if (title.rfind("table " + table + " (", 0) == 0) return rows;
  }
  ADD_FAILURE() << "no section for table " << table;
  return {};
}

// sqlite_master rows: rowid, type, name, tbl_name, rootpage, sql.
inline std::vector<ExpectedRow> ExpectedMaster(const ExpectedFile& file) { return file.at("sqlite_master"); }

inline std::vector<std::string> ExpectedNames(const ExpectedFile& file, const std::string& type) {
  std::vector<std::string> names;
  for (const ExpectedRow& row : ExpectedMaster(file)) {
    if (row.values.at(1).text == type && !row.values.at(5).isNull) names.push_back(row.values.at(2).text);
  }
  return names;
}

// A row as our parser delivered it in insert mode.
struct RecoveredRow {
  int64_t rowid = 0;
  std::vector<Value> values;
};

class CapturingSink : public RowSink {
 public:
  bool WriteRow(const std::vector<Value>& values, int64_t rowid) override {
    rows.push_back({rowid, values});
    if (afterRow) afterRow(rows.size());
    return true;
  }
  std::vector<RecoveredRow> rows;
  std::function<void(size_t)> afterRow;
};

inline int TableIndex(const RecoveredCatalog& catalog, const std::string& table) {
  for (size_t k = 0; k < catalog.tableDetails.size(); ++k) {
    if (catalog.tableDetails[k].name == table) return static_cast<int>(k);
  }
  return -1;
}

// Every row of a scanned table, through LoadTableRecords in insert mode.
inline std::vector<RecoveredRow> RecoverRows(Recovery& recovery, const std::string& table,
                                             CapturingSink* sink = nullptr) {
  RecoveryContext& context = recovery.context;
  int index = TableIndex(context.parser->catalog(), table);
  if (index < 0) {
    ADD_FAILURE() << "table " << table << " was not recovered";
    return {};
  }
  ParsedDescriptor descriptor =
      ParseColumnDescriptor(context.parser->catalog().columnDescriptors[static_cast<size_t>(index)]);
  CapturingSink local;
  CapturingSink& used = sink != nullptr ? *sink : local;
  context.loadMode = LoadMode::Insert;
  context.rowSink = &used;
  context.parser->LoadTableRecords(context.inputPath, descriptor.rootPage, static_cast<int>(descriptor.columns.size()),
                                   descriptor.tableName, descriptor.keyMarker);
  context.rowSink = nullptr;
  context.loadMode = LoadMode::Preview;
  return used.rows;
}

// The key column of a recovered table, from its descriptor; -1 when none.
inline int KeyColumnOf(Recovery& recovery, const std::string& table) {
  int index = TableIndex(recovery.context.parser->catalog(), table);
  if (index < 0) return -1;
  int marker = ParseColumnDescriptor(recovery.context.parser->catalog().columnDescriptors[static_cast<size_t>(index)])
                   .keyMarker;
  return marker >= 10 ? marker - 10 : -1;
}

// Compares one recovered row with the row the library read: the rowid, the
// key column as that rowid (an integer), every other column as its text or
// NULL.
inline void ExpectSameRow(const RecoveredRow& got, const ExpectedRow& want, int keyColumn) {
  SCOPED_TRACE("rowid " + std::to_string(want.Rowid()));
  EXPECT_EQ(got.rowid, want.Rowid());
  ASSERT_EQ(got.values.size() + 1, want.values.size());
  for (size_t c = 0; c < got.values.size(); ++c) {
    const Value& value = got.values[c];
    const ExpectedValue& expected = want.values[c + 1];
    if (static_cast<int>(c) == keyColumn) {
      EXPECT_EQ(value, Value::Integer(got.rowid)) << "column " << c;
      EXPECT_EQ(std::to_string(value.integer), expected.text) << "column " << c;
    } else if (expected.isNull) {
      EXPECT_EQ(value.type, ValueType::Null) << "column " << c;
    } else {
      EXPECT_EQ(value, Value::Text(expected.text)) << "column " << c;
    }
  }
}

// Where a row of a sound table tree lives: its page, its position in the
// page's cell chain, the pages above it, and its cell.
struct RowPlace {
  int64_t rowid = 0;
  uint32_t page = 0;
  size_t chainIndex = 0;
  uint16_t cellOffset = 0;
  std::vector<uint32_t> ancestors;
};

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
inline void PutLe16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
}
inline size_t PageStart(uint32_t page) { return size_t{page - 1} * 1024; }

// A plain recursive listing of a sound little-endian table tree in key
// order (the fixtures are undamaged, and the depth is bounded anyway).
inline void MapTree(const std::vector<uint8_t>& bytes, uint32_t page, std::vector<uint32_t> ancestors,
                    std::vector<RowPlace>* out) {
  if (ancestors.size() > 16) return;
  const size_t base = PageStart(page);
  size_t index = 0;
  std::vector<uint32_t> below = ancestors;
  below.push_back(page);
  for (uint16_t cell = Le16(bytes, base + 4); cell != 0; cell = Le16(bytes, base + cell + 6)) {
    uint32_t left = Le32(bytes, base + cell);
    if (left != 0) MapTree(bytes, left, below, out);
    const size_t key = base + cell + 12;
    uint32_t raw = (uint32_t{bytes[key]} << 24 | uint32_t{bytes[key + 1]} << 16 | uint32_t{bytes[key + 2]} << 8 |
                    bytes[key + 3]) ^ 0x80000000u;
    out->push_back({static_cast<int32_t>(raw), page, index++, cell, ancestors});
  }
  uint32_t right = Le32(bytes, base);
  if (right != 0) MapTree(bytes, right, below, out);
}

inline std::vector<RowPlace> MapTable(const std::vector<uint8_t>& bytes, uint32_t root) {
  std::vector<RowPlace> places;
  MapTree(bytes, root, {}, &places);
  return places;
}

}  // namespace salvoran::testing::sqlite2fixtures

#endif  // SALVORAN_TESTS_SQLITE2_FIXTURES_H_
