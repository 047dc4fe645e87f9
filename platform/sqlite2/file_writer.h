// Writing a database as an SQLite 2.1 file.
//
// The file is laid out from scratch: page 1 the header (file format 4, the
// schema cookie and the kept PRAGMA defaults, an empty free list), page 2 the
// root of sqlite_master, then each object's tree in sqlite_master order (its
// root first, then its other pages and its overflow pages), and last the
// other pages of sqlite_master. Every page is used exactly once.
#ifndef SALVORAN_PLATFORM_SQLITE2_FILE_WRITER_H_
#define SALVORAN_PLATFORM_SQLITE2_FILE_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sqlite2/schema.h"

namespace salvoran::sqlite2 {

// The bytes of the file, little-endian.
std::vector<uint8_t> BuildDatabaseFile(const Database& db);

// Replaces the file at path with bytes. Any "<path>-journal" is removed
// first. The bytes go to a new file beside it that is then renamed over it,
// so that the old file stays whole until the new one is; where no file can
// be made beside it, the file is rewritten in place. Returns SQLITE_OK, or
// SQLITE_FULL / SQLITE_IOERR with message set.
int SaveDatabaseFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& message);

// Removes "<path>-journal" if there is one.
void RemoveStaleJournal(const std::string& path);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_FILE_WRITER_H_
