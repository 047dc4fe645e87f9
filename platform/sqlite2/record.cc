#include "platform/sqlite2/record.h"

#include <cstdint>

namespace salvoran::sqlite2 {

size_t OffsetWidthForLength(size_t recordLength) {
  if (recordLength < 256) return 1;
  if (recordLength < 65536) return 2;
  return 3;
}

std::string EncodeRecord(const std::vector<FieldView>& fields) {
  size_t valueBytes = 0;
  for (const FieldView& field : fields) {
    if (field) valueBytes += field->size() + 1;
  }
  const size_t offsetCount = fields.size() + 1;
  // The width must suit the length the record has with that width.
  size_t width = 1;
  while (width < 3 && OffsetWidthForLength(width * offsetCount + valueBytes) > width) ++width;
  const size_t length = width * offsetCount + valueBytes;

  std::string record;
  record.reserve(length);
  auto putOffset = [&](size_t offset) {
    for (size_t i = 0; i < width; ++i) record.push_back(static_cast<char>((offset >> (8 * i)) & 0xFF));
  };
  size_t offset = width * offsetCount;
  for (const FieldView& field : fields) {
    putOffset(offset);
    if (field) offset += field->size() + 1;
  }
  putOffset(offset);
  for (const FieldView& field : fields) {
    if (!field) continue;
    record.append(*field);
    record.push_back('\0');
  }
  return record;
}

std::optional<std::vector<FieldView>> DecodeRecord(std::string_view record) {
  const size_t length = record.size();
  const size_t width = OffsetWidthForLength(length);
  auto offsetAt = [&](size_t index) {
    size_t value = 0;
    for (size_t i = 0; i < width; ++i) {
      value |= size_t{static_cast<uint8_t>(record[index * width + i])} << (8 * i);
    }
    return value;
  };
  if (length < width) return std::nullopt;
  const size_t first = offsetAt(0);
  if (first % width != 0 || first < width || first > length) return std::nullopt;
  const size_t fieldCount = first / width - 1;

  std::vector<FieldView> fields;
  fields.reserve(fieldCount);
  size_t start = first;
  for (size_t i = 1; i <= fieldCount; ++i) {
    const size_t end = offsetAt(i);
    if (end < start || end > length) return std::nullopt;
    if (end == start) {
      fields.emplace_back(std::nullopt);
    } else {
      if (record[end - 1] != '\0') return std::nullopt;
      fields.emplace_back(record.substr(start, end - start - 1));
    }
    start = end;
  }
  if (start != length) return std::nullopt;
  return fields;
}

}  // namespace salvoran::sqlite2
