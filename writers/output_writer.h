// The SQLite 3 output: creating the checked tables, indexes, views and
// triggers of a recovery in a new database.
#ifndef SALVORAN_WRITERS_OUTPUT_WRITER_H_
#define SALVORAN_WRITERS_OUTPUT_WRITER_H_
#endif  // SALVORAN_WRITERS_OUTPUT_WRITER_H_
