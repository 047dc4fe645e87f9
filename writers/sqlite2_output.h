// The SQLite 2 output: the checked tables of an SQLite 2 recovery, with their
// rows, and the checked indexes, views and triggers, written into a new
// SQLite 2 database through the parser's CppSQLiteDB connection.
//
// Every object opens the output, is written, and closes it again (which
// writes the file). A table is created from its own statement, else from its
// Access statement; its rows go in through an Sqlite2RowSink inside one
// transaction. Failures are logged with fixed texts ("Error: Database not
// created.", "Error: Index not created.", "Error: View not created.",
// "Error: Trigger not created.") and kept in the context's SaveReport. Both
// walks end when stopRequested is set. Progress of the schema objects counts
// in the parser's previewProgress.
//
// OpenDatabase failures are not caught here: the CppSQLiteException reaches
// the caller, which reports it.
#ifndef SALVORAN_WRITERS_SQLITE2_OUTPUT_H_
#define SALVORAN_WRITERS_SQLITE2_OUTPUT_H_

#include <string>

#include "recovery/owner_frame.h"
#include "recovery/recovery_context.h"
#include "recovery/sqlite_base.h"
#include "writers/cpp_sqlite_db.h"

namespace salvoran {

void WriteCheckedTablesSqlite2(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                               CppSQLiteDB& connection, TreeItem tablesNode, const std::string& outputPath);

// kind: the category's item data (kIndexesItemData, kViewsItemData or
// kTriggersItemData).
void WriteCheckedSchemaObjectsSqlite2(RecoveryContext& context, sqlite_base& parser, OwnerFrame& frame,
                                      CppSQLiteDB& connection, const std::string& outputPath, int kind,
                                      TreeItem category);

}  // namespace salvoran

#endif  // SALVORAN_WRITERS_SQLITE2_OUTPUT_H_
