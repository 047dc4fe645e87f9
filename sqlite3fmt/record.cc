#include "sqlite3fmt/record.h"

#include <bit>
#include <cstring>
#include <span>

#include "sqlite3fmt/btree.h"

namespace salvoran::sqlite3 {

uint64_t SerialTypeSize(uint64_t t) {
  static constexpr uint8_t kSizes[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  if (t < 12) return kSizes[t];
  return (t - 12) / 2;
}

bool ParseRecordHeader(std::string_view payload, RecordHeader* header) {
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  size_t pos = 0;
  uint64_t headerSize;
  if (!ReadVarint(bytes, &pos, &headerSize)) return false;
  if (headerSize < pos || headerSize > bytes.size()) return false;
  header->serialTypes.clear();
  header->bodyOffset = static_cast<size_t>(headerSize);
  std::span<const uint8_t> types = bytes.first(header->bodyOffset);
  while (pos < types.size()) {
    uint64_t t;
    if (!ReadVarint(types, &pos, &t)) return false;
    header->serialTypes.push_back(t);
  }
  return true;
}

namespace {

int64_t BigEndianSigned(const uint8_t* p, size_t n) {
  uint64_t v = (p[0] & 0x80) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return static_cast<int64_t>(v);
}

}  // namespace

DecodedRecord DecodeRecord(std::string_view payload) {
  DecodedRecord record;
  RecordHeader header;
  if (!ParseRecordHeader(payload, &header)) {
    record.complete = false;
    record.firstIncompleteField = 0;
    return record;
  }
  record.values.reserve(header.serialTypes.size());
  size_t pos = header.bodyOffset;
  const auto* bytes = reinterpret_cast<const uint8_t*>(payload.data());
  for (size_t field = 0; field < header.serialTypes.size(); ++field) {
    const uint64_t t = header.serialTypes[field];
    const uint64_t size = SerialTypeSize(t);
    const size_t available = payload.size() - pos;
    if (size > available) {
      if (record.complete) record.firstIncompleteField = field;
      record.complete = false;
      // Keep what is physically there of a text or blob; a number cut short
      // has no value.
      if (t >= 12) {
        std::string part(payload.substr(pos, available));
        record.values.push_back((t & 1) ? Value::Text(std::move(part)) : Value::Blob(std::move(part)));
      } else {
        record.values.push_back(Value::Null());
      }
      pos = payload.size();
      continue;
    }
    const uint8_t* p = bytes + pos;
    switch (t) {
      case 0:
      case 10:
      case 11:
        record.values.push_back(Value::Null());
        break;
      case 1:
      case 2:
      case 3:
      case 4:
      case 5:
      case 6:
        record.values.push_back(Value::Integer(BigEndianSigned(p, static_cast<size_t>(size))));
        break;
      case 7: {
        uint64_t bits = static_cast<uint64_t>(BigEndianSigned(p, 8));
        record.values.push_back(Value::Real(std::bit_cast<double>(bits)));
        break;
      }
      case 8:
        record.values.push_back(Value::Integer(0));
        break;
      case 9:
        record.values.push_back(Value::Integer(1));
        break;
      default: {
        std::string content(payload.substr(pos, static_cast<size_t>(size)));
        record.values.push_back((t & 1) ? Value::Text(std::move(content)) : Value::Blob(std::move(content)));
        break;
      }
    }
    pos += static_cast<size_t>(size);
  }
  return record;
}

}  // namespace salvoran::sqlite3
