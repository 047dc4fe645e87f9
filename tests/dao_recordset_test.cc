// The DAO classes' contract: which statements and calls succeed, and the
// CDaoException (DAO error number, description) of each that does not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "tests/support/test_support.h"

namespace salvoran {
namespace {

using testing::ScratchDir;

// Runs f and returns the exception it raises (error code 0 if none).
template <typename F>
CDaoException Raised(F&& f) {
  try {
    f();
  } catch (const CDaoException& e) {
    return e;
  }
  return CDaoException(0, "no exception");
}

struct DdlErrorCase {
  std::string sql;
  long code;
  std::string inDescription;
};

TEST(DaoDatabaseTest, StatementsItCannotRunRaiseClearErrors) {
  const std::vector<DdlErrorCase> cases = {
      {"create Table [t] ( [a]  VARCHAR2 )", 3292, "Unknown type 'VARCHAR2' for field 'a'"},
      {"create Table [t] ( [a]  DOUBLE(5) )", 3292, "size 5 of field 'a' is not allowed"},
      {"create Table [t] ( [a]  TEXT(0) )", 3292, "size 0"},
      {"create Table [t] ( [a]  TEXT(256) )", 3292, "size 256"},
      {"create Table [t] ( [a]  BINARY(511) )", 3292, "size 511"},
      {"create Table [t] ( [a]  TEXT(x) )", 3292, "is not a number"},
      {"create Table [t] ( [a] )", 3292, "Field 'a' has no type"},
      {"create Table [t] ( [a]  TEXT, [A]  LONG )", 3191, "Field 'A' appears twice in table 't'"},
      {"create Table [t] ( )", 3292, "has no name"},
      {"create Table [t] ( [a]  TEXT", 3290, "not closed"},
      {"create Table [t ( a TEXT )", 3290, "no closing \"]\""},
      {"create Table [t] [a] TEXT", 3290, "field list of table 't' is missing"},
      {"create Table [t] ( [a]  TEXT ) extra", 3290, "Unexpected text"},
      {"DROP TABLE [t]", 3290, "must start with CREATE TABLE"},
      {"create Table [] ( [a]  TEXT )", 3290, "no name"},
      {"create Table [t] ( [" + std::string(65, 'f') + "]  TEXT )", 3292, "longer than 64 characters"},
  };
  ScratchDir dir;
  CDaoDatabase db;
  db.Create(dir.File("ddl.mdb"));
  for (const DdlErrorCase& c : cases) {
    const CDaoException e = Raised([&] { db.Execute(c.sql); });
    EXPECT_EQ(e.ErrorCode(), c.code) << c.sql;
    EXPECT_NE(e.Description().find(c.inDescription), std::string::npos) << c.sql << " -> " << e.Description();
  }
  std::string wide = "create Table [wide] (";
  for (int i = 0; i < 256; ++i) wide += (i ? ", [c" : " [c") + std::to_string(i) + "] BYTE";
  EXPECT_EQ(Raised([&] { db.Execute(wide + " )"); }).ErrorCode(), 3190);

  db.Execute("create Table [t] ( [a]  TEXT )");
  const CDaoException again = Raised([&] { db.Execute("CREATE TABLE [T] ([b] LONG)"); });
  EXPECT_EQ(again.ErrorCode(), 3010);
  EXPECT_EQ(again.Description(), "Table 'T' already exists.");
  EXPECT_EQ(Raised([&] { db.Execute("create Table [msysobjects] ( [a]  TEXT )"); }).ErrorCode(), 3010);
  db.Close();
}

TEST(DaoDatabaseTest, CreateNeverReplacesAnExistingFile) {
  ScratchDir dir;
  const std::string path = dir.File("taken.mdb");
  testing::WriteFileBytes(path, {1, 2, 3});
  CDaoDatabase db;
  const CDaoException e = Raised([&] { db.Create(path); });
  EXPECT_EQ(e.ErrorCode(), 3204);
  EXPECT_NE(e.Description().find(path), std::string::npos);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(testing::ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3}));

  const CDaoException noFolder = Raised([&] { db.Create(dir.File("missing/folder/x.mdb")); });
  EXPECT_EQ(noFolder.ErrorCode(), 3044);
  EXPECT_NE(noFolder.Description().find("No such file or directory"), std::string::npos);
}

TEST(DaoDatabaseTest, AClosedDatabaseRefusesWorkAndClosesOnce) {
  ScratchDir dir;
  CDaoDatabase db;
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(Raised([&] { db.Execute("create Table [t] ( [a]  TEXT )"); }).ErrorCode(), 3420);
  db.Create(dir.File("a.mdb"));
  EXPECT_TRUE(db.IsOpen());
  EXPECT_EQ(Raised([&] { db.Create(dir.File("b.mdb")); }).ErrorCode(), 3204);
  db.Close();
  db.Close();  // a second close does nothing
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(Raised([&] { db.Execute("create Table [t] ( [a]  TEXT )"); }).ErrorCode(), 3420);
  // The object can make a new database after closing the first.
  db.Create(dir.File("b.mdb"));
  EXPECT_TRUE(db.IsOpen());
}

class DaoRecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.Create(dir.File("r.mdb"));
    db.Execute("create Table [people] ( [id]  INTEGER, [name]  TEXT(10), [born]  DATE, [photo]  OleObject )");
    rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [people]", 0);
  }
  ScratchDir dir;
  CDaoDatabase db;
  CDaoRecordset rs{&db};
};

TEST_F(DaoRecordsetTest, OpenFindsTablesOnlyThroughSelectAllFrom) {
  EXPECT_TRUE(rs.IsOpen());
  EXPECT_EQ(rs.TableName(), "people");
  rs.Open(dbOpenDynaset, "select * from people;", 0);
  EXPECT_TRUE(rs.IsOpen());
  const CDaoException missing = Raised([&] { rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [nobody]", 0); });
  EXPECT_EQ(missing.ErrorCode(), 3078);
  EXPECT_NE(missing.Description().find("'nobody'"), std::string::npos);
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(Raised([&] { rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT id FROM [people]", 0); }).ErrorCode(), 3131);
  EXPECT_EQ(Raised([&] { rs.AddNew(); }).ErrorCode(), 3420);

  CDaoRecordset unbound(nullptr);
  EXPECT_EQ(Raised([&] { unbound.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [people]", 0); }).ErrorCode(), 3420);
}

TEST_F(DaoRecordsetTest, FieldsAreFoundByNameWithOrWithoutBracketsInAnyCase) {
  rs.AddNew();
  rs.SetFieldValue("[id]", COleVariant(std::string("1")));
  rs.SetFieldValue("NAME", COleVariant(std::string("Ann")));
  rs.SetFieldValue("[Born]", COleVariant(std::string("2001-02-03")));
  rs.SetFieldValueNull("[born]");
  rs.SetFieldValue("photo", COleVariant(std::vector<uint8_t>{1, 2}));
  rs.Update();
  EXPECT_EQ(db.Engine()->RowCount(0), 1u);

  rs.AddNew();
  const CDaoException e = Raised([&] { rs.SetFieldValue("[age]", COleVariant(std::string("3"))); });
  EXPECT_EQ(e.ErrorCode(), 3265);
  EXPECT_EQ(e.Description(), "Item not found in this collection. Table 'people' has no field '[age]'.");
}

TEST_F(DaoRecordsetTest, RecordsMustBeBegunWithAddNew) {
  EXPECT_EQ(Raised([&] { rs.SetFieldValue("id", COleVariant(std::string("1"))); }).ErrorCode(), 3020);
  EXPECT_EQ(Raised([&] { rs.Update(); }).ErrorCode(), 3020);
  rs.AddNew();
  rs.SetFieldValue("id", COleVariant(std::string("1")));
  rs.Update();
  EXPECT_EQ(Raised([&] { rs.Update(); }).ErrorCode(), 3020);  // stored once, not twice
  rs.AddNew();
  rs.CancelUpdate();
  EXPECT_FALSE(rs.IsEditing());
  rs.AddNew();
  rs.AddNew();  // drops the first, unfinished record
  rs.Update();
  EXPECT_EQ(db.Engine()->RowCount(0), 2u);
}

TEST_F(DaoRecordsetTest, RefusedValuesRaiseTheFieldErrorWithTheFieldAndValue) {
  struct FieldErrorCase {
    std::string field;
    COleVariant value;
    long code;
    std::string description;
  };
  const std::vector<FieldErrorCase> cases = {
      {"id", COleVariant(std::string("seven")), 3421,
       "Data type conversion error. The value 'seven' cannot be stored in the Long Integer field 'id'."},
      {"id", COleVariant(std::string("3000000000")), 3349,
       "Numeric field overflow. The value '3000000000' is out of the range of the Long Integer field 'id'."},
      {"name", COleVariant(std::string("elevenchars")), 3163,
       "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting "
       "less data. Field 'name' holds 10 characters, the value has 11."},
      {"born", COleVariant(std::string("31/12/2024")), 3421,
       "Data type conversion error. The value '31/12/2024' cannot be stored in the Date/Time field 'born'."},
      {"id", COleVariant(std::vector<uint8_t>{1, 2, 3}), 3421,
       "Data type conversion error. A byte array of 3 bytes cannot be stored in the Long Integer field 'id'."},
  };
  rs.AddNew();
  for (const FieldErrorCase& c : cases) {
    const CDaoException e = Raised([&] { rs.SetFieldValue(c.field, c.value); });
    EXPECT_EQ(e.ErrorCode(), c.code) << c.description;
    EXPECT_EQ(e.Description(), c.description);
  }
  // The record itself is unharmed and can still be stored.
  rs.Update();
  EXPECT_EQ(db.Engine()->RowCount(0), 1u);
}

TEST(DaoRecordsetLimitsTest, ARowLongerThanAPageIsRefusedAndNothingIsStored) {
  ScratchDir dir;
  CDaoDatabase db;
  db.Create(dir.File("large.mdb"));
  std::string sql = "create Table [t] (";
  for (int i = 0; i < 10; ++i) sql += (i ? ", [c" : " [c") + std::to_string(i) + "] TEXT(255)";
  db.Execute(sql + " )");
  CDaoRecordset rs(&db);
  rs.Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [t]", 0);
  std::string cyrillic;
  for (int i = 0; i < 255; ++i) cyrillic += "Ж";  // 510 bytes each, not compressible
  rs.AddNew();
  for (int i = 0; i < 10; ++i) rs.SetFieldValue("c" + std::to_string(i), COleVariant(cyrillic));
  const CDaoException e = Raised([&] { rs.Update(); });
  EXPECT_EQ(e.ErrorCode(), 3047);
  EXPECT_NE(e.Description().find("Record is too large"), std::string::npos);
  EXPECT_EQ(db.Engine()->RowCount(0), 0u);
  // Seven such fields fit.
  rs.AddNew();
  for (int i = 0; i < 7; ++i) rs.SetFieldValue("c" + std::to_string(i), COleVariant(cyrillic));
  rs.Update();
  EXPECT_EQ(db.Engine()->RowCount(0), 1u);
}

TEST_F(DaoRecordsetTest, ASnapshotIsReadOnly) {
  rs.Open(dbOpenSnapshot, "SELECT * FROM [people]", 0);
  EXPECT_EQ(Raised([&] { rs.AddNew(); }).ErrorCode(), 3027);
}

TEST_F(DaoRecordsetTest, ClosingTheDatabaseEndsItsRecordsets) {
  rs.AddNew();
  db.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(Raised([&] { rs.SetFieldValue("id", COleVariant(std::string("1"))); }).ErrorCode(), 3420);
  // A new database in the same object does not revive the old recordset.
  db.Create(dir.File("second.mdb"));
  db.Execute("create Table [people] ( [id]  INTEGER )");
  EXPECT_FALSE(rs.IsOpen());
}

TEST(OleVariantTest, HoldsTextAsUtf16AndBytesAsTheyAre) {
  const COleVariant text(std::string("Жу\xFFz"));  // one byte that is not UTF-8
  EXPECT_EQ(text.Type(), VT_BSTR);
  EXPECT_EQ(text.Text(), std::u16string(u"Жу\uFFFDz"));
  const uint8_t raw[] = {0, 255, 7};
  COleVariant bytes(raw, sizeof raw);
  EXPECT_EQ(bytes.Type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(bytes.Bytes(), (std::vector<uint8_t>{0, 255, 7}));
  bytes.Clear();
  EXPECT_EQ(bytes.Type(), VT_EMPTY);
  EXPECT_TRUE(bytes.Bytes().empty());
  EXPECT_EQ(COleVariant::Null().Type(), VT_NULL);
}

}  // namespace
}  // namespace salvoran
