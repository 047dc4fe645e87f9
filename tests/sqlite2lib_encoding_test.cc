// The value encodings of the SQLite 2 library: rowid keys, row records,
// index key fields, the sortable form of numbers, sqlite_mprintf and the
// result-code texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/sqlite2/file_format.h"
#include "platform/sqlite2/index_key.h"
#include "platform/sqlite2/record.h"
#include "platform/sqlite2/sqlite.h"

namespace salvoran::sqlite2 {
namespace {

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

TEST(Sqlite2EncodingTest, RowidKeysAreBigEndianWithTheTopBitFlipped) {
  const struct {
    int32_t rowid;
    const char* hex;
  } cases[] = {{1, "80 00 00 01"},
               {10, "80 00 00 0a"},
               {-3, "7f ff ff fd"},
               {2147483647, "ff ff ff ff"},
               {-2147483647 - 1, "00 00 00 00"}};
  for (const auto& c : cases) {
    const std::string key = RowidKey(c.rowid);
    EXPECT_EQ(Hex(key), c.hex) << c.rowid;
    EXPECT_EQ(DecodeRowidKey(reinterpret_cast<const uint8_t*>(key.data())), c.rowid);
  }
  EXPECT_LT(RowidKey(-3), RowidKey(1));  // byte order is numeric order
}

TEST(Sqlite2EncodingTest, RecordOffsetWidthFollowsTheRecordLength) {
  // Sizes of the overflow fixture's rows: id NULL, a 3-character label and
  // bodies of 246, 247, 65522 and 70000 characters.
  const struct {
    size_t body;
    size_t length;
    const char* offsets;
  } cases[] = {{246, 255, "04 04 08"},
               {247, 260, "08 00 08 00 0c 00 04 01"},
               {65522, 65535, "08 00 08 00 0c 00 ff ff"},
               {70000, 70017, "0c 00 00 0c 00 00 10 00 00 81 11 01"}};
  for (const auto& c : cases) {
    const std::string body(c.body, 'x');
    const std::string record = EncodeRecord({std::nullopt, FieldView("r07"), FieldView(body)});
    ASSERT_EQ(record.size(), c.length) << c.body;
    const size_t width = OffsetWidthForLength(record.size());
    EXPECT_EQ(Hex(record.substr(0, width * 4)).substr(0, std::string(c.offsets).size()), c.offsets);
    const auto fields = DecodeRecord(record);
    ASSERT_TRUE(fields) << c.body;
    ASSERT_EQ(fields->size(), 3u);
    EXPECT_FALSE((*fields)[0]);
    EXPECT_EQ((*fields)[1], "r07");
    EXPECT_EQ((*fields)[2], body);
  }
}

TEST(Sqlite2EncodingTest, RecordOfTheBasicFixtureFirstRow) {
  // basic.db page 3, rowid 1: offsets 5,5,11,16,26 then the texts.
  const std::string record = EncodeRecord({std::nullopt, FieldView("Alice"), FieldView("95.5"),
                                           FieldView("first row")});
  EXPECT_EQ(Hex(record.substr(0, 5)), "05 05 0b 10 1a");
  EXPECT_EQ(record.substr(5), std::string("Alice\0" "95.5\0" "first row\0", 21));
  // An empty string is one 0x00, unlike NULL.
  EXPECT_EQ(Hex(EncodeRecord({FieldView(""), std::nullopt})), "03 04 04 00");
}

TEST(Sqlite2EncodingTest, MalformedRecordsAreRefused) {
  const std::vector<std::string> bad = {
      std::string(),                        // no offsets at all
      std::string("\x03\x05\x04", 3),       // offsets going down
      std::string("\x03\x09\x09", 3),       // last offset past the end
      std::string("\x03\x04\x04x", 4),      // a value without its 0x00
      std::string("\x03\x00", 2) + std::string(298, 'x'),  // 2-byte offsets, off[0] not a multiple of 2
      std::string("\x04\x04\x05\x00\x00", 5),  // last offset short of the length
  };
  for (const std::string& record : bad) EXPECT_FALSE(DecodeRecord(record)) << Hex(record);
}

TEST(Sqlite2EncodingTest, SortableNumbersMatchTheKeysOfRealFiles) {
  // All but the last two are in multi.db's index keys; 31.999999999999996
  // was stored by the library as twelve tildes.
  const struct {
    double value;
    const char* text;
  } cases[] = {{0, "000W"},          {1, "0G1X"},     {2, "0G1Y"},     {3, "0G1Z"},
               {5, "0G1b"},          {-5, "-F~R"},    {19.99, "0G1p~N2Zrmey"},
               {100, "0G2Xa"},       {250, "0G2Zw"},  {1000, "0G2le"}, {-0.0, "000W"},
               {31.999999999999996, "0~~~~~~~~~~~~"}};
  for (const auto& c : cases) EXPECT_EQ(SortableNumber(c.value), c.text) << c.value;
  // Order of the texts is the order of the numbers.
  const double ordered[] = {-1e300, -1000, -19.99, -1, -0.001, 0, 1e-300, 0.5, 1, 32, 1e10, 1e300};
  for (size_t i = 1; i < std::size(ordered); ++i) {
    EXPECT_LT(SortableNumber(ordered[i - 1]), SortableNumber(ordered[i])) << ordered[i];
  }
}

TEST(Sqlite2EncodingTest, NumberTextsAreRecognisedExactly) {
  const struct {
    const char* text;
    bool number;
  } cases[] = {{"007", true},  {"1e3", true},  {"-5", true},  {"2.50", true}, {"+5", true},
               {"1E-7", true}, {" 7", false},  {"7.", false}, {".5", false},  {"0x10", false},
               {"1,5", false}, {"", false},    {"-", false},  {"1e", false},  {"1e+", false},
               {"7 ", false},  {"2024-01-05", false}};
  for (const auto& c : cases) EXPECT_EQ(IsNumberText(c.text), c.number) << c.text;
  EXPECT_EQ(NumberTextToDouble("007"), 7.0);
  EXPECT_EQ(NumberTextToDouble("+1e3"), 1000.0);
  EXPECT_EQ(NumberTextToDouble("-7.25"), -7.25);
  EXPECT_EQ(NumberTextToDouble("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(NumberTextToDouble("-1e999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(NumberTextToDouble("1e-999"), 0.0);
  EXPECT_EQ(SortableNumber(NumberTextToDouble("1e999")), "0~~~~~~~~~~~~");
}

TEST(Sqlite2EncodingTest, IndexFieldsDependOnTheColumnKind) {
  const struct {
    std::optional<std::string_view> value;
    bool textColumn;
    std::string field;
  } cases[] = {{std::nullopt, false, std::string("a\0", 2)},
               {"1", false, std::string("b0G1X\0", 6)},
               {"007", false, std::string("b0G1d\0", 6)},
               {"007", true, std::string("c007\0", 5)},
               {"2024-01-05", false, std::string("c2024-01-05\0", 12)},
               {"", false, std::string("c\0", 2)}};
  for (const auto& c : cases) {
    std::string key;
    AppendIndexField(key, c.value, c.textColumn);
    EXPECT_EQ(key, c.field) << Hex(c.field);
  }
  const struct {
    const char* type;
    bool text;
  } types[] = {{"TEXT", true},   {"VARCHAR(12)", true}, {"character", true}, {"CLOB", true},
               {"blob", true},   {"INTEGER", false},    {"NUMERIC", false},  {"DATE", false},
               {"", false},      {"REAL", false},       {"tex", false}};
  for (const auto& t : types) EXPECT_EQ(IsTextTypeName(t.type), t.text) << t.type;
}

std::string Formatted(char* text) {
  std::string copy = text ? text : "(allocation failed)";
  sqlite_freemem(text);
  return copy;
}

TEST(Sqlite2EncodingTest, MprintfQuotesForSql) {
  EXPECT_EQ(Formatted(sqlite_mprintf("insert into t values('%q')", "O'Brien")),
            "insert into t values('O''Brien')");
  EXPECT_EQ(Formatted(sqlite_mprintf("%Q,%Q", "it's", static_cast<const char*>(nullptr))), "'it''s',NULL");
  EXPECT_EQ(Formatted(sqlite_mprintf("%q", static_cast<const char*>(nullptr))), "(NULL)");
  EXPECT_EQ(Formatted(sqlite_mprintf("%s|", static_cast<const char*>(nullptr))), "|");
  EXPECT_EQ(Formatted(sqlite_mprintf("%s[%d]: %s", "SQLITE_CANTOPEN", 14, "unable to open database file")),
            "SQLITE_CANTOPEN[14]: unable to open database file");
  EXPECT_EQ(Formatted(sqlite_mprintf("%5.2f|%-4s|%04x|%c|%%|%lld|%u", 3.14159, "ab", 255, 'z',
                                     -9000000000LL, 7u)),
            " 3.14|ab  |00ff|z|%|-9000000000|7");
  EXPECT_EQ(Formatted(sqlite_mprintf("%*d|%.*s", 4, 7, 2, "abcdef")), "   7|ab");
  char* owned = static_cast<char*>(std::malloc(4));
  std::memcpy(owned, "dyn", 4);
  EXPECT_EQ(Formatted(sqlite_mprintf("<%z>", owned)), "<dyn>");  // %z frees its argument
  const std::string big(100000, 'q');
  EXPECT_EQ(Formatted(sqlite_mprintf("%s", big.c_str())), big);
}

TEST(Sqlite2EncodingTest, ResultCodeTexts) {
  const struct {
    int code;
    const char* text;
  } cases[] = {{SQLITE_OK, "not an error"},
               {SQLITE_ERROR, "SQL logic error or missing database"},
               {SQLITE_CORRUPT, "database disk image is malformed"},
               {SQLITE_CANTOPEN, "unable to open database file"},
               {SQLITE_TOOBIG, "too much data for one table row"},
               {SQLITE_CONSTRAINT, "constraint failed"},
               {SQLITE_MISMATCH, "datatype mismatch"},
               {SQLITE_MISUSE, "library routine called out of sequence"},
               {SQLITE_NOTADB, "file is encrypted or is not a database"},
               {99, "unknown error"}};
  for (const auto& c : cases) EXPECT_STREQ(sqlite_error_string(c.code), c.text) << c.code;
  EXPECT_EQ(SQLITE_ROW, 100);
  EXPECT_EQ(SQLITE_DONE, 101);
  EXPECT_EQ(SQLITE_RANGE, 25);
}

}  // namespace
}  // namespace salvoran::sqlite2
