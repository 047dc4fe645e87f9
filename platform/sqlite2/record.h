// Row records of SQLite 2 table entries.
//
// A record is the list of its field offsets (off[0] .. off[n], off[n] being
// the record length), each 1, 2 or 3 bytes wide, little-endian, followed by
// the field bytes. Every non-NULL value is its text followed by one 0x00; a
// NULL is an empty field. The offset width depends only on the record length
// T: 1 when T < 256, 2 when T < 65536, 3 otherwise.
#ifndef SALVORAN_PLATFORM_SQLITE2_RECORD_H_
#define SALVORAN_PLATFORM_SQLITE2_RECORD_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran::sqlite2 {

// A value as SQLite 2 keeps it: NULL or text (which never holds a 0x00 byte).
using FieldValue = std::optional<std::string>;
using FieldView = std::optional<std::string_view>;

// Offset width for a record of the given total length.
size_t OffsetWidthForLength(size_t recordLength);

// The record of the given fields, with the smallest offset width that fits.
// Its length may exceed what the format accepts for a row; the caller checks.
std::string EncodeRecord(const std::vector<FieldView>& fields);

// The fields of a record, views into its bytes without the 0x00 that ends each
// value. Empty when the bytes are not a well-formed record: offsets of the
// width its length implies, off[0] = width * (fields + 1), offsets not
// decreasing, the last equal to the length, and every non-empty field ending
// in 0x00.
std::optional<std::vector<FieldView>> DecodeRecord(std::string_view record);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_RECORD_H_
