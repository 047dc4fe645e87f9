// CDaoRecordset: adds records to one table of a CDaoDatabase, in the manner
// of a DAO dynaset.
//
//   Open(type, "SELECT * FROM [name]")   the table by its name or stand-in
//                                        name, any letter case
//   AddNew()                             starts a record, every field NULL
//                                        (Yes/No fields false); a record
//                                        started before and not stored is
//                                        dropped
//   SetFieldValue(name, variant)         the field by name, "[name]"
//                                        brackets allowed, any letter case;
//                                        the value is converted to the
//                                        field's type (jet_value.h) at once
//   SetFieldValueNull(name)              the field back to NULL
//   Update()                             stores the record
//   Close()
//
// Any failure raises CDaoException and leaves the record as it was: a field
// whose value is refused keeps its earlier value (NULL unless set before).
// A snapshot (dbOpenSnapshot) is read-only and refuses AddNew.
//
// Unlike DAO, an AutoNumber field accepts a value, so that recovered keys
// are kept; a record that leaves it NULL gets the next number.
#ifndef SALVORAN_PLATFORM_DAO_DAO_RECORDSET_H_
#define SALVORAN_PLATFORM_DAO_DAO_RECORDSET_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/ole_variant.h"

namespace salvoran {

constexpr int AFX_DAO_USE_DEFAULT_TYPE = -1;  // a dynaset
constexpr int dbOpenTable = 1;
constexpr int dbOpenDynaset = 2;
constexpr int dbOpenSnapshot = 4;

class CDaoRecordset {
 public:
  explicit CDaoRecordset(CDaoDatabase* database);
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;

  void Open(int openType, const std::string& sql, int options = 0);
  // Open and on the same database as when it was opened.
  bool IsOpen() const;
  void Close();

  void AddNew();
  void SetFieldValue(const std::string& fieldName, const COleVariant& value);
  void SetFieldValueNull(const std::string& fieldName);
  void Update();
  void CancelUpdate();
  bool IsEditing() const { return editing_; }

  // The table as named in the catalog (its stand-in name when it has one).
  std::string TableName() const;

 private:
  jet::Database& OpenEngine() const;  // throws when not open
  size_t FieldIndex(const std::string& fieldName) const;

  CDaoDatabase* database_;
  uint64_t generation_ = 0;
  bool open_ = false;
  bool readOnly_ = false;
  size_t table_ = 0;
  bool editing_ = false;
  std::vector<jet::FieldValue> record_;
};

}  // namespace salvoran

#endif  // SALVORAN_PLATFORM_DAO_DAO_RECORDSET_H_
