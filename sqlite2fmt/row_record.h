// The SQLite 2 row record: the data of a table entry.
//
//   | off[0] | off[1] | ... | off[n] | field bytes |
//
// Field i occupies [off[i], off[i+1]); off[n] is the record's length. Every
// offset has the same width W, little-endian in every file: 1 byte when the
// record is shorter than 256 bytes, 2 when shorter than 65536, else 3. The
// first offset is W * (n + 1), so it also gives the number of fields. A
// field of length 0 is NULL; every other value is text followed by one zero
// byte (numbers are stored as their text).
//
// The decoder takes the width from the record length the cell declares, not
// from the bytes gathered, so that a record whose overflow chain broke is
// still read as far as its bytes go: a field cut short keeps the bytes that
// are there, fields beyond them are absent.
#ifndef SALVORAN_SQLITE2FMT_ROW_RECORD_H_
#define SALVORAN_SQLITE2FMT_ROW_RECORD_H_

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace salvoran::sqlite2 {

// The offset width for a record of this many bytes.
uint32_t OffsetWidth(uint64_t recordLength);

struct RecordField {
  bool isNull = true;
  std::string_view text;  // without its terminating zero
};

struct RowRecord {
  std::vector<RecordField> fields;  // the fields that could be located
  bool complete = true;             // false: the offsets or the bytes end early
};

// Decodes `bytes`, the gathered part of a record declared `declaredLength`
// bytes long. Texts point into `bytes`.
RowRecord DecodeRowRecord(std::string_view bytes, uint64_t declaredLength);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_ROW_RECORD_H_
