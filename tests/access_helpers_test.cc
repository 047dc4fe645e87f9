// The column-type and name helpers both parsers use for Access targets.
#include <gtest/gtest.h>

#include "recovery/sqlite_base.h"

namespace salvoran {
namespace {

TEST(AccessHelpersTest, NormalizeColumnType) {
  struct Case {
    const char* type;
    const char* normalized;
  };
  for (const Case& c : {Case{"nvarchar(20)", "varchar(20)"}, Case{"blob", "OLE Object"}, Case{" integer", " INTEGER"},
                        Case{"LongVarChar", "varchar"}, Case{"BLOBBLOB", "OLE ObjectOLE Object"},
                        Case{"NVARCHAR NVARCHAR", "varchar varchar"}, Case{"", ""}}) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(sqlite_base::NormalizeColumnType(c.type), c.normalized);
  }
}

TEST(AccessHelpersTest, IsAccessType) {
  for (const char* type : {"TEXT", "text", "Yes No", " INTEGER ", "OLE Object", "oleobject", "MEMO", "BYTE", "LONG",
                           "DOUBLE", "CURRENCY", "AUTONUMBER", "DATE", "TIME", "HYPERLINK", "FLOAT", "BINARY"}) {
    EXPECT_TRUE(sqlite_base::IsAccessType(type)) << type;
  }
  for (const char* type : {"VARCHAR(20)", "REAL", "INT", "", "TEXTS", "DATETIME", "INTEGER PRIMARY"}) {
    EXPECT_FALSE(sqlite_base::IsAccessType(type)) << type;
  }
  // The parser's use: a declared type Access does not know becomes TEXT.
  EXPECT_TRUE(sqlite_base::IsAccessType(sqlite_base::NormalizeColumnType("blob")));
}

TEST(AccessHelpersTest, SanitizeIdentifier) {
  struct Case {
    const char* name;
    const char* sanitized;
  };
  const char* cyrillic = "\xD0\xB8\xD0\xBC\xD1\x8F";  // three Cyrillic letters
  for (const Case& c : {Case{"[Order Details]", "OrderDetails"}, Case{"id< P.K >", "id"}, Case{"t ", "t"},
                        Case{"first-name.2", "firstname2"}, Case{"\"a b\"", "ab"}, Case{"", ""}, Case{"   ", ""},
                        Case{"< P.K >", ""}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sqlite_base::SanitizeIdentifier(c.name), c.sanitized);
  }
  // Names without a plain character lose only their surrounding blanks and
  // quotes.
  EXPECT_EQ(sqlite_base::SanitizeIdentifier(std::string("`") + cyrillic + "`"), cyrillic);
  EXPECT_EQ(sqlite_base::SanitizeIdentifier(std::string("  ``'") + cyrillic + " " + cyrillic + "'``  "),
            std::string(cyrillic) + " " + cyrillic);
  EXPECT_EQ(sqlite_base::SanitizeIdentifier(std::string(cyrillic) + "< P.K >"), cyrillic);
}

}  // namespace
}  // namespace salvoran
