#include "platform/dao/jet_table_def.h"

#include <algorithm>
#include <numeric>

#include "platform/dao/jet_bytes.h"
#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

constexpr uint32_t kDefinitionConstant = 1625;
constexpr uint32_t kRealIndexConstant = 1923;
constexpr size_t kHeaderSize = 63;
constexpr size_t kMaxIndexColumns = 10;
constexpr size_t kContinuationHeader = 8;

// Case-insensitive order of names, as Jet sorts descriptors and index names.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

void AppendName(std::vector<uint8_t>& out, const std::u16string& name) {
  const std::vector<uint8_t> bytes = EncodeText(name, false);
  AppendU16(out, static_cast<uint16_t>(bytes.size()));
  AppendBytes(out, bytes);
}

void AppendColumnDescriptor(std::vector<uint8_t>& out, const ColumnDef& column, bool systemTable) {
  AppendU8(out, static_cast<uint8_t>(column.type));
  AppendU32(out, kDefinitionConstant);
  AppendU16(out, column.number);
  AppendU16(out, column.variableIndex);
  AppendU16(out, systemTable ? 0 : column.number);
  AppendU32(out, 0x00000409);  // sort order 1033, version 0
  AppendU8(out, column.flags);
  AppendU8(out, column.extraFlags);
  AppendU32(out, 0);
  AppendU16(out, column.IsFixed() ? column.fixedOffset : 0);
  AppendU16(out, column.length);
}

void AppendRealIndex(std::vector<uint8_t>& out, const RealIndexDef& index) {
  AppendU32(out, kRealIndexConstant);
  for (size_t slot = 0; slot < kMaxIndexColumns; ++slot) {
    if (slot < index.columns.size()) {
      AppendU16(out, index.columns[slot]);
      AppendU8(out, 0x01);  // ascending
    } else {
      AppendU16(out, 0xFFFF);
      AppendU8(out, 0x00);
    }
  }
  AppendU32(out, index.usageMap);
  AppendU32(out, index.rootPage);
  AppendU32(out, 0);
  AppendU8(out, index.flags);
  for (int i = 0; i < 5; ++i) AppendU8(out, 0);
}

void AppendLogicalIndex(std::vector<uint8_t>& out, const LogicalIndexDef& index) {
  AppendU32(out, kDefinitionConstant);
  AppendU32(out, index.number);
  AppendU32(out, index.realIndex);
  AppendU8(out, 0);            // related table type
  AppendU32(out, 0xFFFFFFFF);  // no related index
  AppendU32(out, 0);           // related table page
  AppendU8(out, index.cascadeFlags);
  AppendU8(out, index.cascadeFlags);
  AppendU8(out, index.indexType);
  AppendU32(out, 0);
}

}  // namespace

void AssignColumnPositions(std::vector<ColumnDef>& columns) {
  uint16_t fixedOffset = 0;
  uint16_t variableCount = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    ColumnDef& column = columns[i];
    column.number = static_cast<uint16_t>(i);
    if (column.IsFixed()) {
      column.variableIndex = variableCount;
      column.fixedOffset = column.type == ColumnType::Bool ? 0 : fixedOffset;
      if (column.type != ColumnType::Bool) fixedOffset = static_cast<uint16_t>(fixedOffset + column.length);
    } else {
      column.variableIndex = variableCount++;
      column.fixedOffset = 0;
    }
  }
}

std::vector<uint8_t> SerializeTableDefinition(const TableDef& table) {
  const bool systemTable = table.tableType == kTableTypeSystem;
  std::vector<size_t> order(table.columns.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (table.descriptorsByName) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return NameLess(table.columns[a].name, table.columns[b].name);
    });
  }
  const auto variableColumns = static_cast<uint16_t>(
      std::count_if(table.columns.begin(), table.columns.end(), [](const ColumnDef& c) { return !c.IsFixed(); }));

  std::vector<uint8_t> out(kHeaderSize, 0);
  out[0] = kPageTableDefinition;
  out[1] = 0x01;
  PutU32(out, 12, kDefinitionConstant);
  PutU32(out, 16, table.rowCount);
  PutU32(out, 20, table.autoNumber);
  out[24] = 0x01;
  out[40] = table.tableType;
  PutU16(out, 41, static_cast<uint16_t>(table.columns.size()));
  PutU16(out, 43, variableColumns);
  PutU16(out, 45, static_cast<uint16_t>(table.columns.size()));
  PutU32(out, 47, static_cast<uint32_t>(table.logicalIndexes.size()));
  PutU32(out, 51, static_cast<uint32_t>(table.realIndexes.size()));
  PutU32(out, 55, table.ownedMap);
  PutU32(out, 59, table.freeMap);

  for (const RealIndexDef& index : table.realIndexes) {
    AppendU32(out, 0);
    AppendU32(out, index.distinctKeys);
    AppendU32(out, 0);
  }
  for (size_t i : order) AppendColumnDescriptor(out, table.columns[i], systemTable);
  for (size_t i : order) AppendName(out, table.columns[i].name);
  for (const RealIndexDef& index : table.realIndexes) AppendRealIndex(out, index);

  std::vector<LogicalIndexDef> logical = table.logicalIndexes;
  std::stable_sort(logical.begin(), logical.end(),
                   [](const LogicalIndexDef& a, const LogicalIndexDef& b) { return NameLess(a.name, b.name); });
  for (const LogicalIndexDef& index : logical) AppendLogicalIndex(out, index);
  for (const LogicalIndexDef& index : logical) AppendName(out, index.name);

  for (size_t i : order) {
    for (const LongValueMapRef& map : table.longValueMaps) {
      if (map.column != table.columns[i].number) continue;
      AppendU16(out, map.column);
      AppendU32(out, map.ownedMap);
      AppendU32(out, map.freeMap);
    }
  }
  AppendU16(out, 0xFFFF);
  PutU32(out, 8, static_cast<uint32_t>(out.size()));
  return out;
}

size_t TableDefinitionPageCount(size_t streamLength) {
  if (streamLength <= kPageSize) return 1;
  const size_t perPage = kPageSize - kContinuationHeader;
  return 1 + (streamLength - kPageSize + perPage - 1) / perPage;
}

std::vector<Page> PaginateTableDefinition(std::span<const uint8_t> stream,
                                          std::span<const uint32_t> pageNumbers) {
  std::vector<Page> pages;
  size_t consumed = 0;
  for (size_t k = 0; k < pageNumbers.size() && consumed < stream.size(); ++k) {
    Page page{};
    size_t used = 0;
    if (k == 0) {
      used = std::min(stream.size(), kPageSize);
      std::copy_n(stream.begin(), used, page.begin());
    } else {
      const size_t chunk = std::min(stream.size() - consumed, kPageSize - kContinuationHeader);
      std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(consumed), chunk,
                  page.begin() + kContinuationHeader);
      used = kContinuationHeader + chunk;
    }
    consumed += k == 0 ? used : used - kContinuationHeader;
    page[0] = kPageTableDefinition;
    page[1] = 0x01;
    PutU16(page, 2, static_cast<uint16_t>(used + 8 <= kPageSize ? kPageSize - used - 8 : 0));
    PutU32(page, 4, k + 1 < pageNumbers.size() ? pageNumbers[k + 1] : 0);
    pages.push_back(page);
  }
  return pages;
}

}  // namespace salvoran::jet
