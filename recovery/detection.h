// Finding the database inside a file: which format, where it starts, its
// page size and text encoding. The file-settings dialog and the command line
// both call DetectFileSettings.
//
// The SQLite 3 signature "SQLite format 3" is searched, ignoring case, at
// every offset from 0 to size - 513; failing that, the SQLite 2 signature
// "** This file contains an SQLite 2.1 database **" at every offset from 0 to
// size - 1024. A page-size field of 1 means 65536. An encoding field of 1, 2
// or 3 gives UTF-8, UTF-16le or UTF-16be; any other value is decided from the
// schema text on page 1.
#ifndef SALVORAN_RECOVERY_DETECTION_H_
#define SALVORAN_RECOVERY_DETECTION_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "recovery/owner_frame.h"
#include "recovery/reader.h"
#include "recovery/recovery_context.h"

namespace salvoran {

inline constexpr char kSqlite3Signature[] = "SQLite format 3";
inline constexpr char kSqlite2Signature[] = "** This file contains an SQLite 2.1 database **";

// Offset of the first case-insensitive match of signature in the reader's
// bytes at an offset <= lastOffset, or nullopt.
std::optional<uint64_t> FindSignature(const Reader& reader, std::string_view signature,
                                      uint64_t lastOffset);

// Format detection over an open reader; sets settings->startOffset and
// returns the format version (0 when nothing was found, after showing why).
int32_t DetectFormat(const Reader& reader, FileSettings* settings, OwnerFrame& frame);

// The text encoding guessed from the bytes of page 1 when the header's
// encoding field is damaged: 1 UTF-8, 2 UTF-16le, 3 UTF-16be.
uint32_t GuessTextEncoding(std::span<const uint8_t> page1);

// The whole Browse logic: opens path with ChooseReader, detects the format,
// reads page size and encoding, and shows the dialog's messages. The result
// has formatVersion 0 when nothing usable was found.
FileSettings DetectFileSettings(const std::string& path, OwnerFrame& frame);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_DETECTION_H_
