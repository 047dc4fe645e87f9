// Decoding SQLite 3 records: a header-size varint, one serial-type varint per
// field, then the field bodies. Any number of fields; every value keeps its
// type (integers, reals, text in the file's encoding, blobs, NULL).
#ifndef SALVORAN_SQLITE3FMT_RECORD_H_
#define SALVORAN_SQLITE3FMT_RECORD_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "recovery/value.h"

namespace salvoran::sqlite3 {

// Bytes a field of serial type t occupies in the body.
uint64_t SerialTypeSize(uint64_t t);

struct RecordHeader {
  std::vector<uint64_t> serialTypes;
  size_t bodyOffset = 0;  // = the header size
};

// False when the header size or a serial type runs past the payload, or the
// header size is smaller than its own varint.
bool ParseRecordHeader(std::string_view payload, RecordHeader* header);

struct DecodedRecord {
  std::vector<Value> values;
  // Fields whose bytes lie (partly) beyond the payload's end: their values
  // hold what was there and complete is false.
  bool complete = true;
  size_t firstIncompleteField = SIZE_MAX;
};

// Decodes every field of the record. A record whose header is unreadable
// gives no values and complete = false.
DecodedRecord DecodeRecord(std::string_view payload);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_RECORD_H_
