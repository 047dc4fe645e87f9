// Loading a database from the bytes of an SQLite 2.1 file, as the library
// loads its schema: sqlite_master in rowid order, each statement parsed and
// run again, the automatic indexes matched by name, then every table's rows.
// Index entries are rebuilt from the rows (the file's own index trees are
// not needed to write the file again).
//
// Rows that the library itself would not load (an unparsable statement, an
// index or trigger listed before its table, a NULL-sql index nobody made)
// are kept as they are, tree included, so that writing the file back loses
// nothing; they are never used.
#ifndef SALVORAN_PLATFORM_SQLITE2_DATABASE_LOADER_H_
#define SALVORAN_PLATFORM_SQLITE2_DATABASE_LOADER_H_

#include <string>
#include <string_view>

#include "platform/sqlite2/schema.h"

namespace salvoran::sqlite2 {

struct LoadResult {
  int code = 0;  // SQLITE_OK, SQLITE_NOTADB, SQLITE_CORRUPT or SQLITE_ERROR
  std::string message;
};

// Replaces db with the database in file. An empty file is an empty database;
// a file shorter than one page, or without the signature and magic number,
// is not a database; a file format above 4 is refused as the library does.
LoadResult LoadDatabase(std::string_view file, Database& db);

// Rebuilds the entries of every index from its table's rows.
void RebuildIndexes(Database& db);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_DATABASE_LOADER_H_
