// Field values on their way into a row, and their conversion from the two
// kinds of value DAO callers hand in: text (a BSTR) and byte arrays.
//
// Text is converted as DAO converts a BSTR variant into the field's type,
// with the C-locale forms of numbers and dates:
//   BYTE, INT, LONG   a decimal number, rounded half to even, within range
//   MONEY             a decimal number, exact to four decimal places
//   FLOAT, DOUBLE     a decimal number, read to the nearest value
//   DATETIME          YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS[.fff]] (or with "T"
//                     and a final "Z"), HH:MM[:SS[.fff]], or a number of days
//                     since 1899-12-30; years 100 to 9999
//   BOOL              True/False, Yes/No, On/Off (any case) or a number,
//                     non-zero meaning true
//   TEXT, MEMO        unchanged; TEXT(n) takes at most n characters
//   BINARY, OLE       the text's UTF-16LE bytes
// Byte arrays go unchanged into BINARY and OLE fields; into TEXT and MEMO
// fields they are read as UTF-16LE code units (an odd last byte becomes a
// unit of its own); other types refuse them.
// Blanks around numbers, dates and words are ignored.
#ifndef SALVORAN_PLATFORM_DAO_JET_VALUE_H_
#define SALVORAN_PLATFORM_DAO_JET_VALUE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/dao/jet_error.h"
#include "platform/dao/jet_table_def.h"

namespace salvoran::jet {

// NULL; BOOL; BYTE/INT/LONG (the value) and MONEY (the value x 10,000);
// FLOAT/DOUBLE/DATETIME (DATETIME as an OLE date); TEXT/MEMO; BINARY/OLE.
using FieldValue = std::variant<std::monostate, bool, int64_t, double, std::u16string, std::vector<uint8_t>>;

JetStatus ConvertText(const ColumnDef& column, std::u16string_view text, FieldValue& out);
JetStatus ConvertBytes(const ColumnDef& column, std::vector<uint8_t> bytes, FieldValue& out);

// Parsers behind ConvertText, exposed for their own tests.
bool ParseOleDate(std::u16string_view text, double& oleDate);
bool ParseBoolean(std::u16string_view text, bool& value);

// A readable name of a column's type for messages ("Long Integer", "Text").
std::string TypeDisplayName(const ColumnDef& column);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_VALUE_H_
