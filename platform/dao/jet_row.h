// The Jet 4 row layout.
//
// In file order: column count (2); the fixed area, each fixed column at its
// fixed offset, space kept even for NULL; the variable values back to back
// in slot order (a NULL takes no bytes); the end-of-data offset (2); the
// variable offsets in reverse slot order (2 each, a NULL's offset equal to
// the next value's); the variable column count (2); the null mask, one bit
// per column, LSB first, set when the column is not NULL. A table without
// variable columns has no end-of-data offset, offset table or count.
#ifndef SALVORAN_PLATFORM_DAO_JET_ROW_H_
#define SALVORAN_PLATFORM_DAO_JET_ROW_H_

#include <cstdint>
#include <span>
#include <vector>

#include "platform/dao/jet_table_def.h"

namespace salvoran::jet {

// One column's part of a row.
struct RowField {
  // Sets the column's null-mask bit. A BOOL column has no bytes: this bit
  // is its value, so a BOOL column is never NULL.
  bool present = false;
  // Fixed columns: exactly the column's length, little-endian. Variable
  // columns: the stored bytes (encoded text, raw bytes, or a long-value
  // field with any inline data).
  std::vector<uint8_t> bytes;
};

// Fields of the common kinds.
RowField NullField();
RowField BoolField(bool value);
RowField IntegerField(int64_t value, size_t width);  // BYTE 1, INT 2, LONG 4, MONEY 8
RowField RealField(double value);                    // DOUBLE and DATETIME
RowField SingleField(float value);
RowField BytesField(std::vector<uint8_t> bytes);

// The same kinds, set into an existing field (keeping its buffer).
void SetNull(RowField& field);
void SetInteger(RowField& field, int64_t value, size_t width);
void SetReal(RowField& field, double value);
void SetSingle(RowField& field, float value);

// The row's length for these fields, without building it.
size_t EncodedRowSize(std::span<const ColumnDef> columns, std::span<const RowField> fields);

// The row bytes; fields[i] belongs to columns[i].
std::vector<uint8_t> EncodeRow(std::span<const ColumnDef> columns, std::span<const RowField> fields);
// The same, into `row` (replacing its contents, keeping its capacity).
void EncodeRowInto(std::span<const ColumnDef> columns, std::span<const RowField> fields, std::vector<uint8_t>& row);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_ROW_H_
