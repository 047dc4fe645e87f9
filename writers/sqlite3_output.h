// The SQLite 3 output: the checked tables of a recovery, with their rows, and
// the checked indexes, views and triggers, written into a new database.
//
// The writer never reads the damaged file. It creates each table from the
// statement the scan kept, then lets the parser walk the table again in
// insert mode with a RowSink that inserts every row through one prepared
// statement with bound values, inside one transaction per table. The output
// gets the text encoding of the input, and text values are bound in that
// encoding, so they arrive byte for byte. A row the output refuses (a
// constraint it violates) is logged and skipped; the others go in.
//
// Every object opens and closes its own connection. Errors are logged as
// "Error: " followed by the library's message and kept in the context's
// SaveReport.
#ifndef SALVORAN_WRITERS_SQLITE3_OUTPUT_H_
#define SALVORAN_WRITERS_SQLITE3_OUTPUT_H_

#include <string>

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"
#include "recovery/sqlite_base.h"

namespace salvoran {

// With the context's accessOutput set the tables go to the Access database
// instead (writers/access_output.h).
void WriteCheckedTables(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame, TreeItem tablesNode,
                        const std::string& outputPath);

// kind: the category's item data (kIndexesItemData, kViewsItemData or
// kTriggersItemData). Writes nothing with accessOutput set: Access output
// holds tables only.
void WriteCheckedSchemaObjects(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                               TreeItem category, const std::string& outputPath, int kind);

// Removes an output file and the journal files SQLite keeps beside it, so a
// stale journal cannot be played back into the new output. False when a
// file exists and cannot be removed.
bool RemoveOutputFiles(const std::string& path);

// "name" with embedded quotes doubled.
std::string QuoteIdentifier(const std::string& name);

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_SQLITE3_OUTPUT_H_
