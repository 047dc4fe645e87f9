// Rows and long values of the user tables.
#include <algorithm>
#include <limits>

#include "platform/dao/jet_bytes.h"
#include "platform/dao/jet_database.h"
#include "platform/dao/jet_row.h"
#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

size_t IntegerWidth(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Int: return 2;
    case ColumnType::Long: return 4;
    default: return 8;  // MONEY
  }
}

std::vector<uint8_t> LongValueField(uint32_t lengthAndKind, uint32_t pointer) {
  std::vector<uint8_t> field;
  field.reserve(kLongValueFieldSize);
  AppendU32(field, lengthAndKind);
  AppendU32(field, pointer);
  AppendU32(field, 0);
  return field;
}

JetError KindMismatch(const ColumnDef& column) {
  return {errors::kConversion, "Data type conversion error. The value does not suit the " + TypeDisplayName(column) +
                                   " field '" + Utf16ToUtf8(column.name) + "'."};
}

// Pages a long value stored out of the row takes at most.
size_t LongValuePages(size_t length) {
  return length <= kMaxSingleLongValueRow ? 1 : (length + kChainPieceData - 1) / kChainPieceData;
}

}  // namespace

JetStatus Database::AppendRow(size_t index, std::vector<FieldValue> values) {
  if (!IsOpen()) return JetError{errors::kObjectClosed, "Object invalid or no longer set. The database is closed."};
  if (index >= tables_.size()) return JetError{errors::kObjectClosed, "Object invalid or no longer set."};
  UserTable& table = tables_[index];
  const std::vector<ColumnDef>& columns = table.definition.columns;
  values.resize(columns.size());

  size_t pagesNeeded = 0;
  if (JetStatus error = BuildFields(table, values, pagesNeeded)) return error;
  std::vector<RowField>& fields = fields_;
  if (!CanAllocate(pagesNeeded, tables_.size())) return DatabaseFull(table);

  JetStatus status;
  for (const ColumnDef& column : columns) {
    if (!column.IsLongValue() || !fields[column.number].present || !fields[column.number].bytes.empty()) continue;
    LongValueColumn& store = *std::find_if(table.longValues.begin(), table.longValues.end(),
                                           [&](const LongValueColumn& c) { return c.column == column.number; });
    fields[column.number].bytes = StoreLongValue(store, longData_[column.number], status);
    if (status) return status;
  }
  for (const ColumnDef& column : columns) {
    if ((column.flags & kColumnAutoNumber) && fields[column.number].present) {
      const int64_t value = static_cast<int32_t>(GetU32(fields[column.number].bytes, 0));
      table.lastAutoNumber = std::max(table.lastAutoNumber, value);
    }
  }
  EncodeRowInto(columns, fields, row_);
  return PlaceRow(table, row_);
}

JetStatus Database::BuildFields(UserTable& table, std::vector<FieldValue>& values, size_t& pagesNeeded) {
  const std::vector<ColumnDef>& columns = table.definition.columns;
  std::vector<RowField>& fields = fields_;
  std::vector<std::vector<uint8_t>>& longData = longData_;
  fields.resize(columns.size());
  longData.resize(columns.size());
  for (RowField& field : fields) SetNull(field);
  for (const ColumnDef& column : columns) {
    FieldValue& value = values[column.number];
    RowField& field = fields[column.number];
    if (std::holds_alternative<std::monostate>(value)) {
      if (column.flags & kColumnAutoNumber) {
        if (table.lastAutoNumber >= std::numeric_limits<int32_t>::max()) {
          return JetError{errors::kNumericOverflow, "Numeric field overflow. The AutoNumber field '" +
                                                        Utf16ToUtf8(column.name) + "' has no numbers left."};
        }
        SetInteger(field, table.lastAutoNumber + 1, 4);
      }
      continue;  // NULL; a BOOL column reads as false
    }
    switch (column.type) {
      case ColumnType::Bool:
        if (!std::holds_alternative<bool>(value)) return KindMismatch(column);
        field.present = std::get<bool>(value);
        break;
      case ColumnType::Byte:
      case ColumnType::Int:
      case ColumnType::Long:
      case ColumnType::Money:
        if (!std::holds_alternative<int64_t>(value)) return KindMismatch(column);
        SetInteger(field, std::get<int64_t>(value), IntegerWidth(column.type));
        break;
      case ColumnType::Float:
        if (!std::holds_alternative<double>(value)) return KindMismatch(column);
        SetSingle(field, static_cast<float>(std::get<double>(value)));
        break;
      case ColumnType::Double:
      case ColumnType::DateTime:
        if (!std::holds_alternative<double>(value)) return KindMismatch(column);
        SetReal(field, std::get<double>(value));
        break;
      case ColumnType::Text:
        if (!std::holds_alternative<std::u16string>(value)) return KindMismatch(column);
        field.present = true;
        EncodeTextInto(std::get<std::u16string>(value), column.extraFlags & kColumnCompressedUnicode, field.bytes);
        break;
      case ColumnType::Binary:
        if (!std::holds_alternative<std::vector<uint8_t>>(value)) return KindMismatch(column);
        field = BytesField(std::move(std::get<std::vector<uint8_t>>(value)));
        break;
      case ColumnType::Memo: {
        if (!std::holds_alternative<std::u16string>(value)) return KindMismatch(column);
        const std::u16string& text = std::get<std::u16string>(value);
        const bool compress = (column.extraFlags & kColumnCompressedUnicode) && text.size() <= kMaxCompressedMemoCharacters;
        EncodeTextInto(text, compress, longData[column.number]);
        field.present = true;
        break;
      }
      case ColumnType::Ole:
        if (!std::holds_alternative<std::vector<uint8_t>>(value)) return KindMismatch(column);
        longData[column.number] = std::move(std::get<std::vector<uint8_t>>(value));
        field.present = true;
        break;
    }
  }

  // Long values: a placeholder of 12 bytes each; short ones go inline, in
  // column order, while the row stays within the limit.
  for (const ColumnDef& column : columns) {
    if (column.IsLongValue() && fields[column.number].present) {
      fields[column.number].bytes.assign(kLongValueFieldSize, 0);
    }
  }
  size_t rowSize = EncodedRowSize(columns, fields);
  pagesNeeded = 1;  // a new data page
  for (const ColumnDef& column : columns) {
    if (!column.IsLongValue() || !fields[column.number].present) continue;
    std::vector<uint8_t>& data = longData[column.number];
    if (data.size() <= kMaxInlineLongValue && rowSize + data.size() <= kMaxRowSize) {
      rowSize += data.size();
      std::vector<uint8_t> inlineField = LongValueField(static_cast<uint32_t>(data.size()) | kLongValueInline, 0);
      AppendBytes(inlineField, data);
      fields[column.number].bytes = std::move(inlineField);
    } else {
      fields[column.number].bytes.clear();  // stored on LVAL pages before the row is laid out
      pagesNeeded += LongValuePages(data.size()) + 1;  // + a possible bitmap page of its map
    }
  }
  if (rowSize > kMaxRowSize) {
    return JetError{errors::kRecordTooLarge, "Record is too large. A row of table '" + Utf16ToUtf8(table.name) +
                                                 "' takes " + std::to_string(rowSize) + " bytes; at most " +
                                                 std::to_string(kMaxRowSize) + " fit into a page."};
  }
  return std::nullopt;
}

std::vector<uint8_t> Database::StoreLongValue(LongValueColumn& column, std::span<const uint8_t> data,
                                              JetStatus& status) {
  const auto length = static_cast<uint32_t>(data.size());
  if (data.size() <= kMaxSingleLongValueRow) {
    const std::optional<PlacedRow> placed = PlaceLongValueRow(column, data, status);
    if (!placed) return {};
    return LongValueField(length | kLongValueSingleRow, RowPointer(placed->page, placed->row));
  }
  // A chain: pieces of 4072 bytes, each after the pointer to the next. The
  // last piece holds exactly the bytes left; it is written first so that
  // each earlier piece knows where the next one lies.
  const size_t pieces = (data.size() + kChainPieceData - 1) / kChainPieceData;
  uint32_t next = 0;
  for (size_t k = pieces; k-- > 0;) {
    const size_t begin = k * kChainPieceData;
    const size_t end = std::min(data.size(), begin + kChainPieceData);
    std::vector<uint8_t> row;
    row.reserve(4 + end - begin);
    AppendU32(row, next);
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(begin),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    if (k + 1 == pieces) {
      const std::optional<PlacedRow> placed = PlaceLongValueRow(column, row, status);
      if (!placed) return {};
      next = RowPointer(placed->page, placed->row);
    } else {
      // A full piece fills a page of its own, which is final at once.
      const std::optional<uint32_t> page = AllocatePage(column.pages);
      if (!page) {
        status = JetError{errors::kDatabaseFull, "The database has reached the 2 GB size limit of the Access format."};
        return {};
      }
      DataPage piecePage(kLongValuePageOwner);
      const uint8_t rowNumber = piecePage.Append(row);
      if ((status = file_->Write(*page, piecePage.bytes()))) return {};
      next = RowPointer(*page, rowNumber);
    }
  }
  return LongValueField(length, next);
}

std::optional<Database::PlacedRow> Database::PlaceLongValueRow(LongValueColumn& column, std::span<const uint8_t> row,
                                                               JetStatus& status) {
  if (!column.current || !column.current->Fits(row.size())) {
    if (column.current) {
      if ((status = file_->Write(column.currentPage, column.current->bytes()))) return std::nullopt;
      column.current.reset();
    }
    const std::optional<uint32_t> page = AllocatePage(column.pages);
    if (!page) {
      status = JetError{errors::kDatabaseFull, "The database has reached the 2 GB size limit of the Access format."};
      return std::nullopt;
    }
    column.current.emplace(kLongValuePageOwner);
    column.currentPage = *page;
  }
  return PlacedRow{column.currentPage, column.current->Append(row)};
}

JetStatus Database::PlaceRow(UserTable& table, std::span<const uint8_t> row) {
  if (!table.current || !table.current->Fits(row.size())) {
    if (table.current) {
      if (JetStatus error = file_->Write(table.currentPage, table.current->bytes())) return error;
      table.current.reset();
    }
    const std::optional<uint32_t> page = AllocatePage(table.dataPages);
    if (!page) return DatabaseFull(table);
    table.current.emplace(table.tablePage);
    table.currentPage = *page;
  }
  table.current->Append(row);
  ++table.rowCount;
  return std::nullopt;
}

}  // namespace salvoran::jet
