// The Access SQL CREATE TABLE statements the program runs:
//   create Table [orders] ( [id]  INTEGER, [name]  TEXT, [pic]  OleObject )
// Names are in brackets (a table name may also stand bare up to the "(").
// Type names ignore case and blanks between words ("OLE Object", "Yes No").
//
// Types (Jet synonyms in parentheses):
//   TEXT (CHAR, VARCHAR, STRING, ALPHANUMERIC) without a length: a long-text
//     (memo) field, so that no text is cut at 255 characters;
//   TEXT(n), 1 <= n <= 255: a text field of n characters;
//   MEMO (LONGTEXT, LONGCHAR, NOTE); HYPERLINK (a memo marked as link);
//   BYTE (TINYINT, INTEGER1); SHORT (SMALLINT, INTEGER2);
//   INTEGER and LONG (INT, INTEGER4): 32-bit; AUTONUMBER (COUNTER, AUTOINCREMENT);
//   DOUBLE, FLOAT, NUMBER (FLOAT8, IEEEDOUBLE); SINGLE (REAL, FLOAT4, IEEESINGLE);
//   CURRENCY (MONEY); DATE, TIME (DATETIME, TIMESTAMP);
//   YESNO (BIT, BOOLEAN, LOGICAL, LOGICAL1);
//   OLEOBJECT (LONGBINARY, GENERAL); BINARY (VARBINARY), optionally BINARY(n) up to 510.
// Text and memo fields store ASCII and Latin-1 text compressed.
#ifndef SALVORAN_PLATFORM_DAO_JET_DDL_H_
#define SALVORAN_PLATFORM_DAO_JET_DDL_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/jet_error.h"
#include "platform/dao/jet_table_def.h"

namespace salvoran::jet {

struct NewTable {
  std::u16string name;
  std::vector<ColumnDef> columns;  // numbered and placed (AssignColumnPositions)
};

JetStatus ParseCreateTable(std::u16string_view statement, NewTable& table);

// The column a DDL type name stands for (numbered 0); false for unknown
// types and out-of-range sizes. size < 0 means no size was given.
bool ColumnForType(std::u16string_view typeName, long size, ColumnDef& column);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_DDL_H_
