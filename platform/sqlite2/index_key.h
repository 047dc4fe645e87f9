// Index keys of SQLite 2 (file format 4).
//
// A key holds one field per indexed column, then the 4-byte rowid key of the
// row. A field is "a" 0x00 for NULL, "b" + the sortable text of the number +
// 0x00 for a number in a numeric column, and "c" + the stored text + 0x00 for
// anything else. Keys are ordered as byte strings, so NULLs sort first, then
// numbers by value, then text by its bytes.
#ifndef SALVORAN_PLATFORM_SQLITE2_INDEX_KEY_H_
#define SALVORAN_PLATFORM_SQLITE2_INDEX_KEY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace salvoran::sqlite2 {

// True when the text is a number as SQLite 2 sees one:
// [+-]? digit+ ( . digit+ )? ( [eE] [+-]? digit+ )?, nothing around it.
bool IsNumberText(std::string_view text);

// The correctly rounded double of a number text (IsNumberText must hold);
// out-of-range magnitudes give an infinity or zero of the right sign.
double NumberTextToDouble(std::string_view text);

// The sortable form of a double: a sign character, two exponent characters
// and up to ten mantissa characters from the alphabet 0-9 A-Z a-z | ~, whose
// byte order is the numeric order.
std::string SortableNumber(double value);

// True for a text column: a declared type (or COLLATE name) that contains
// BLOB, CHAR, CLOB or TEXT in any letter case.
bool IsTextTypeName(std::string_view typeName);

// Appends the key field of one column value.
void AppendIndexField(std::string& key, const std::optional<std::string_view>& value,
                      bool textColumn);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_INDEX_KEY_H_
