#include "platform/dao/jet_row.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "platform/dao/jet_bytes.h"

namespace salvoran::jet {
namespace {

size_t FixedAreaSize(std::span<const ColumnDef> columns) {
  size_t size = 0;
  for (const ColumnDef& column : columns) {
    if (column.IsFixed() && column.type != ColumnType::Bool) {
      size = std::max(size, static_cast<size_t>(column.fixedOffset) + column.length);
    }
  }
  return size;
}

size_t VariableColumnCount(std::span<const ColumnDef> columns) {
  return static_cast<size_t>(
      std::count_if(columns.begin(), columns.end(), [](const ColumnDef& c) { return !c.IsFixed(); }));
}

}  // namespace

RowField NullField() { return {}; }

RowField BoolField(bool value) { return {value, {}}; }

void SetNull(RowField& field) {
  field.present = false;
  field.bytes.clear();
}

void SetInteger(RowField& field, int64_t value, size_t width) {
  field.present = true;
  field.bytes.resize(width);
  for (size_t i = 0; i < width; ++i) field.bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
}

void SetReal(RowField& field, double value) {
  field.present = true;
  field.bytes.resize(8);
  PutF64(field.bytes, 0, value);
}

void SetSingle(RowField& field, float value) {
  field.present = true;
  field.bytes.resize(4);
  PutU32(field.bytes, 0, std::bit_cast<uint32_t>(value));
}

RowField IntegerField(int64_t value, size_t width) {
  RowField field;
  SetInteger(field, value, width);
  return field;
}

RowField RealField(double value) {
  RowField field;
  SetReal(field, value);
  return field;
}

RowField SingleField(float value) {
  RowField field;
  SetSingle(field, value);
  return field;
}

RowField BytesField(std::vector<uint8_t> bytes) { return {true, std::move(bytes)}; }

size_t EncodedRowSize(std::span<const ColumnDef> columns, std::span<const RowField> fields) {
  const size_t variables = VariableColumnCount(columns);
  size_t size = 2 + FixedAreaSize(columns) + (columns.size() + 7) / 8;
  if (variables > 0) size += 2 + 2 * variables + 2;
  for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) {
    if (!columns[i].IsFixed() && fields[i].present) size += fields[i].bytes.size();
  }
  return size;
}

std::vector<uint8_t> EncodeRow(std::span<const ColumnDef> columns, std::span<const RowField> fields) {
  std::vector<uint8_t> row;
  EncodeRowInto(columns, fields, row);
  return row;
}

void EncodeRowInto(std::span<const ColumnDef> columns, std::span<const RowField> fields, std::vector<uint8_t>& row) {
  const size_t variables = VariableColumnCount(columns);
  const size_t fixedSize = FixedAreaSize(columns);
  row.clear();
  AppendU16(row, static_cast<uint16_t>(columns.size()));
  row.resize(2 + fixedSize, 0);
  // Tables have at most 255 columns (the table definitions guarantee it).
  uint8_t mask[(kMaxColumns + 7) / 8] = {};
  const size_t columnCount = std::min(columns.size(), kMaxColumns);
  const size_t maskSize = (columnCount + 7) / 8;

  for (size_t i = 0; i < columnCount && i < fields.size(); ++i) {
    const ColumnDef& column = columns[i];
    const RowField& field = fields[i];
    if (field.present) mask[i >> 3] = static_cast<uint8_t>(mask[i >> 3] | (1u << (i & 7)));
    if (column.IsFixed() && column.type != ColumnType::Bool && field.present) {
      std::copy_n(field.bytes.begin(), std::min<size_t>(field.bytes.size(), column.length),
                  row.begin() + 2 + column.fixedOffset);
    }
  }

  if (variables > 0) {
    // Slot order is column order among the variable columns; the offsets
    // go after the data, last slot first.
    uint16_t offsets[kMaxColumns] = {};
    for (size_t i = 0; i < columnCount && i < fields.size(); ++i) {
      const ColumnDef& column = columns[i];
      if (column.IsFixed()) continue;
      offsets[column.variableIndex] = static_cast<uint16_t>(row.size());
      if (fields[i].present) AppendBytes(row, fields[i].bytes);
    }
    AppendU16(row, static_cast<uint16_t>(row.size()));  // end of data
    for (size_t slot = variables; slot-- > 0;) AppendU16(row, offsets[slot]);
    AppendU16(row, static_cast<uint16_t>(variables));
  }
  row.insert(row.end(), mask, mask + maskSize);
}

}  // namespace salvoran::jet
