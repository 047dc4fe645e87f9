#include "sqlite2fmt/row_record.h"

#include <algorithm>

namespace salvoran::sqlite2 {

uint32_t OffsetWidth(uint64_t recordLength) {
  if (recordLength < 256) return 1;
  if (recordLength < 65536) return 2;
  return 3;
}

namespace {

uint64_t ReadOffset(std::string_view bytes, size_t at, uint32_t width) {
  uint64_t value = 0;
  for (uint32_t k = 0; k < width; ++k) value |= uint64_t{static_cast<uint8_t>(bytes[at + k])} << (8 * k);
  return value;
}

}  // namespace

RowRecord DecodeRowRecord(std::string_view bytes, uint64_t declaredLength) {
  RowRecord record;
  const uint32_t width = OffsetWidth(declaredLength);
  if (bytes.size() < width) {
    record.complete = false;
    return record;
  }
  const uint64_t first = ReadOffset(bytes, 0, width);
  if (first < 2 * uint64_t{width} || first % width != 0 || first > declaredLength) {
    record.complete = false;
    return record;
  }
  const size_t fieldCount = static_cast<size_t>(first / width - 1);
  record.complete = bytes.size() >= declaredLength;
  uint64_t start = first;
  for (size_t i = 0; i < fieldCount; ++i) {
    const size_t at = (i + 1) * width;
    if (at + width > bytes.size()) {
      record.complete = false;
      break;
    }
    const uint64_t end = ReadOffset(bytes, at, width);
    if (end < start || end > declaredLength) {
      // Offsets that go backwards or past the record: the rest cannot be
      // located.
      record.complete = false;
      break;
    }
    RecordField field;
    if (end > start) {
      if (start >= bytes.size()) {
        record.complete = false;
        break;
      }
      field.isNull = false;
      std::string_view raw = bytes.substr(static_cast<size_t>(start),
                                          static_cast<size_t>(std::min<uint64_t>(end, bytes.size()) - start));
      // A value ends at its zero byte; the field's last byte is that zero
      // unless the field was cut short.
      field.text = raw.substr(0, std::min(raw.find('\0'), raw.size()));
    }
    record.fields.push_back(field);
    start = end;
  }
  return record;
}

}  // namespace salvoran::sqlite2
