// Conversion of the texts and byte arrays DAO callers hand in into the
// values a Jet field stores, as DAO converts a BSTR variant.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/dao/jet_ddl.h"
#include "platform/dao/jet_text.h"
#include "platform/dao/jet_value.h"

namespace salvoran::jet {
namespace {

ColumnDef ColumnOf(const char16_t* ddlType, long size = -1) {
  ColumnDef column;
  EXPECT_TRUE(ColumnForType(ddlType, size, column)) << Utf16ToUtf8(ddlType);
  column.name.assign(1, u'f');  // assigning a literal trips a false GCC 12 -Wrestrict warning
  return column;
}

struct TextCase {
  const char16_t* type;
  const char16_t* text;
  FieldValue expected;
};

TEST(JetValueTest, TextsConvertIntoEachFieldType) {
  const std::vector<TextCase> cases = {
      {u"LONG", u"42", int64_t{42}},
      {u"LONG", u" -17 ", int64_t{-17}},
      {u"LONG", u"+5", int64_t{5}},
      {u"LONG", u"1.5", int64_t{2}},   // half to even
      {u"LONG", u"2.5", int64_t{2}},
      {u"LONG", u"-2.5", int64_t{-2}},
      {u"LONG", u"2.51", int64_t{3}},
      {u"LONG", u"1e3", int64_t{1000}},
      {u"LONG", u"-2147483648", int64_t{-2147483648LL}},
      {u"BYTE", u"255", int64_t{255}},
      {u"SHORT", u"-32768", int64_t{-32768}},
      {u"CURRENCY", u"-876.5433", int64_t{-8765433}},
      {u"CURRENCY", u"0.00005", int64_t{0}},   // half to even
      {u"CURRENCY", u"0.00015", int64_t{2}},
      {u"CURRENCY", u"0.000051", int64_t{1}},
      {u"CURRENCY", u"12", int64_t{120000}},
      {u"CURRENCY", u"1.5e2", int64_t{1500000}},
      {u"CURRENCY", u"922337203685477.5807", int64_t{std::numeric_limits<int64_t>::max()}},
      {u"CURRENCY", u"-922337203685477.5808", int64_t{std::numeric_limits<int64_t>::min()}},
      {u"DOUBLE", u"0.1", 0.1},
      {u"DOUBLE", u"-1.7976931348623157e308", -1.7976931348623157e308},
      {u"DOUBLE", u"5e-324", 5e-324},
      {u"DOUBLE", u"1e-400", 0.0},
      {u"DOUBLE", u".5", 0.5},
      {u"DATE", u"1899-12-30", 0.0},
      {u"DATE", u"1900-01-01 06:00", 2.25},
      {u"DATE", u"2024-05-17 10:30:00", 45429.4375},
      {u"DATE", u"2024-05-17T10:30:00Z", 45429.4375},
      {u"DATE", u"2024/05/17", 45429.0},
      {u"DATE", u"18:00:00", 0.75},
      {u"DATE", u"1899-12-29 06:00:00", -1.25},  // time added in absolute value
      {u"DATE", u"45429.5", 45429.5},
      {u"YESNO", u"True", true},
      {u"YESNO", u"no", false},
      {u"YESNO", u"ON", true},
      {u"YESNO", u"-1", true},
      {u"YESNO", u"0", false},
      {u"TEXT", u"any text", std::u16string(u"any text")},
      {u"OLEOBJECT", u"Ab", std::vector<uint8_t>{'A', 0, 'b', 0}},
  };
  for (const TextCase& c : cases) {
    FieldValue value;
    const JetStatus error = ConvertText(ColumnOf(c.type), c.text, value);
    ASSERT_FALSE(error) << Utf16ToUtf8(c.type) << " " << Utf16ToUtf8(c.text) << ": " << error->description;
    EXPECT_EQ(value, c.expected) << Utf16ToUtf8(c.type) << " " << Utf16ToUtf8(c.text);
  }
  FieldValue value;
  ASSERT_FALSE(ConvertText(ColumnOf(u"DATE"), u"2024-02-29 12:34:56.5", value));
  EXPECT_NEAR(std::get<double>(value), 45351.0 + (12 * 3600 + 34 * 60 + 56.5) / 86400.0, 1e-12);
}

struct RefusedCase {
  const char16_t* type;
  long size;
  const char16_t* text;
  long code;
};

TEST(JetValueTest, TextsThatDoNotFitTheirFieldAreRefused) {
  const std::vector<RefusedCase> cases = {
      {u"LONG", -1, u"abc", 3421},       {u"LONG", -1, u"", 3421},          {u"LONG", -1, u"12abc", 3421},
      {u"LONG", -1, u"0x10", 3421},      {u"LONG", -1, u"inf", 3421},       {u"LONG", -1, u"nan", 3421},
      {u"LONG", -1, u"2147483648", 3349}, {u"LONG", -1, u"1e10", 3349},     {u"BYTE", -1, u"256", 3349},
      {u"BYTE", -1, u"-1", 3349},        {u"SHORT", -1, u"32768", 3349},   {u"CURRENCY", -1, u"1e20", 3349},
      {u"CURRENCY", -1, u"922337203685477.5808", 3349}, {u"CURRENCY", -1, u"1,5", 3421},
      {u"DOUBLE", -1, u"1e999", 3349},   {u"DOUBLE", -1, u"١٢", 3421},      {u"SINGLE", -1, u"1e39", 3349},
      {u"DATE", -1, u"2023-02-29", 3421}, {u"DATE", -1, u"2024-13-01", 3421}, {u"DATE", -1, u"24:00", 3421},
      {u"DATE", -1, u"0099-12-31", 3421}, {u"DATE", -1, u"yesterday", 3421}, {u"DATE", -1, u"3000000", 3421},
      {u"YESNO", -1, u"maybe", 3421},    {u"TEXT", 3, u"abcd", 3163},      {u"BINARY", 2, u"ab", 3163},
  };
  for (const RefusedCase& c : cases) {
    FieldValue value;
    const JetStatus error = ConvertText(ColumnOf(c.type, c.size), c.text, value);
    ASSERT_TRUE(error) << Utf16ToUtf8(c.type) << " " << Utf16ToUtf8(c.text);
    EXPECT_EQ(error->code, c.code) << Utf16ToUtf8(c.type) << " " << Utf16ToUtf8(c.text) << ": " << error->description;
    EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  }
}

TEST(JetValueTest, ByteArraysGoIntoBinaryFieldsAsTheyAreAndIntoTextAsUtf16) {
  FieldValue value;
  ASSERT_FALSE(ConvertBytes(ColumnOf(u"OLEOBJECT"), {0, 1, 2}, value));
  EXPECT_EQ(value, FieldValue(std::vector<uint8_t>{0, 1, 2}));
  ASSERT_FALSE(ConvertBytes(ColumnOf(u"MEMO"), {'h', 0, 'i', 0, 0x16, 0x04, '!'}, value));
  EXPECT_EQ(value, FieldValue(std::u16string(u"hiЖ!")));  // an odd last byte is a unit of its own
  const JetStatus tooLong = ConvertBytes(ColumnOf(u"BINARY", 4), {1, 2, 3, 4, 5}, value);
  ASSERT_TRUE(tooLong);
  EXPECT_EQ(tooLong->code, 3163);
  EXPECT_TRUE(ConvertBytes(ColumnOf(u"DATE"), {1}, value));
}

struct TypeCase {
  const char16_t* name;
  long size;
  ColumnType type;
  uint16_t length;
  uint8_t flags;
};

TEST(JetDdlTest, TypeNamesMapToJetColumns) {
  const std::vector<TypeCase> cases = {
      {u"TEXT", -1, ColumnType::Memo, 0, 0x02},       {u"text", 20, ColumnType::Text, 40, 0x02},
      {u"Memo", -1, ColumnType::Memo, 0, 0x02},       {u"HYPERLINK", -1, ColumnType::Memo, 0, 0x82},
      {u"BYTE", -1, ColumnType::Byte, 1, 0x03},       {u"INTEGER", -1, ColumnType::Long, 4, 0x03},
      {u"LONG", -1, ColumnType::Long, 4, 0x03},       {u"AUTONUMBER", -1, ColumnType::Long, 4, 0x07},
      {u"double", -1, ColumnType::Double, 8, 0x03},   {u"FLOAT", -1, ColumnType::Double, 8, 0x03},
      {u"Number", -1, ColumnType::Double, 8, 0x03},   {u"CURRENCY", -1, ColumnType::Money, 8, 0x03},
      {u"date", -1, ColumnType::DateTime, 8, 0x03},   {u"time", -1, ColumnType::DateTime, 8, 0x03},
      {u"YesNO", -1, ColumnType::Bool, 1, 0x03},      {u"Yes No", -1, ColumnType::Bool, 1, 0x03},
      {u"OLEOBJECT", -1, ColumnType::Ole, 0, 0x02},   {u"OLE Object", -1, ColumnType::Ole, 0, 0x02},
      {u"OleObject", -1, ColumnType::Ole, 0, 0x02},   {u"BINARY", -1, ColumnType::Binary, 510, 0x02},
      {u"BINARY", 8, ColumnType::Binary, 8, 0x02},
  };
  for (const TypeCase& c : cases) {
    ColumnDef column;
    ASSERT_TRUE(ColumnForType(c.name, c.size, column)) << Utf16ToUtf8(c.name);
    EXPECT_EQ(column.type, c.type) << Utf16ToUtf8(c.name);
    EXPECT_EQ(column.length, c.length) << Utf16ToUtf8(c.name);
    EXPECT_EQ(column.flags, c.flags) << Utf16ToUtf8(c.name);
  }
  ColumnDef column;
  EXPECT_FALSE(ColumnForType(u"VARCHAR2", -1, column));
  EXPECT_FALSE(ColumnForType(u"LONG", 4, column));
  EXPECT_FALSE(ColumnForType(u"TEXT", 256, column));
}

TEST(JetDdlTest, TheProgramsStatementsParseIntoNumberedPlacedColumns) {
  NewTable table;
  ASSERT_FALSE(ParseCreateTable(u"create Table [t] ( [id]  INTEGER, [name]  TEXT, [pic]  OleObject, [ok]  YESNO, "
                                u"[n] DOUBLE )",
                                table));
  EXPECT_EQ(table.name, u"t");
  ASSERT_EQ(table.columns.size(), 5u);
  EXPECT_EQ(table.columns[0].name, u"id");
  EXPECT_EQ(table.columns[0].fixedOffset, 0);
  EXPECT_EQ(table.columns[1].variableIndex, 0);
  EXPECT_EQ(table.columns[2].variableIndex, 1);
  EXPECT_EQ(table.columns[3].fixedOffset, 0);   // Yes/No takes no room
  EXPECT_EQ(table.columns[4].fixedOffset, 4);
  EXPECT_EQ(table.columns[4].variableIndex, 2);  // variable columns before it
  // The mapping dialog's form, and a bare table name.
  ASSERT_FALSE(ParseCreateTable(u"Create Table [orders] ([id] INTEGER , [item] TEXT )", table));
  EXPECT_EQ(table.columns[1].name, u"item");
  ASSERT_FALSE(ParseCreateTable(u"create Table Таблица  ( [a]  TEXT(5) );", table));
  EXPECT_EQ(table.name, u"Таблица");
  EXPECT_EQ(table.columns[0].length, 10);
}

TEST(JetTextTest, CatalogNamesAndTheirSortKeys) {
  EXPECT_TRUE(IsCatalogSortableName(u"Order_Details 2"));
  EXPECT_FALSE(IsCatalogSortableName(u"Café"));
  EXPECT_FALSE(IsCatalogSortableName(u" lead"));
  EXPECT_FALSE(IsCatalogSortableName(u"trail "));
  EXPECT_FALSE(IsCatalogSortableName(u""));
  EXPECT_FALSE(IsCatalogSortableName(std::u16string(65, u'a')));
  EXPECT_EQ(CatalogTextKey(u"Tables"), (std::vector<uint8_t>{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}));
  EXPECT_EQ(CatalogTextKey(u"tABLES  "), CatalogTextKey(u"Tables"));
  EXPECT_EQ(CatalogTextKey(u"a_0 z"), (std::vector<uint8_t>{0x7F, 0x4A, 0x2B, 0x03, 0x36, 0x07, 0x78, 0x01, 0x00}));
  EXPECT_FALSE(CatalogTextKey(u"é").has_value());
}

TEST(JetTextTest, TextIsCompressedOnlyWhenEveryCharacterFitsOneByte) {
  EXPECT_EQ(EncodeText(u"abc", true), (std::vector<uint8_t>{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(EncodeText(u"ab", true), (std::vector<uint8_t>{'a', 0, 'b', 0}));
  EXPECT_EQ(EncodeText(u"abc", false), (std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(EncodeText(u"aéÿ", true), (std::vector<uint8_t>{0xFF, 0xFE, 'a', 0xE9, 0xFF}));
  EXPECT_EQ(EncodeText(u"aЖc", true), (std::vector<uint8_t>{'a', 0, 0x16, 0x04, 'c', 0}));
  EXPECT_EQ(EncodeText(std::u16string(u"a\0c", 3), true), (std::vector<uint8_t>{'a', 0, 0, 0, 'c', 0}));
}

TEST(JetTextTest, Utf8DecodingReplacesEveryMalformedByte) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), std::u16string(u"aé😀"));
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));          // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));  // surrogate
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), std::u16string(u"\uFFFD\uFFFD"));           // cut short
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD\uFFFD"));  // above U+10FFFF
  EXPECT_EQ(Utf16ToUtf8(u"é😀"), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace salvoran::jet
