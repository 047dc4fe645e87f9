/*
 * The SQLite 2.8 library calls that Salvoran uses to write SQLite 2 output
 * files, with the 2.8 names, result codes and error texts.
 *
 * A connection keeps the whole database in memory: sqlite_open loads the file
 * (creating an empty one when there is none), statements change the memory
 * copy, and the file is written in full, as an SQLite 2.1 file in little-
 * endian byte order, by COMMIT and by sqlite_close, so that after every close
 * it is complete and valid. The file is replaced atomically (written beside
 * it, then renamed over it); a connection that changed nothing writes nothing.
 * A journal file left next to the database ("<name>-journal") belongs to no
 * write of ours and is removed before the file is read or written, so that a
 * later reader cannot play it back into our output.
 *
 * Statements run: CREATE TABLE, CREATE [UNIQUE] INDEX, CREATE VIEW,
 * CREATE TRIGGER, INSERT / REPLACE with literal values (NULL, numbers, quoted
 * text), BEGIN, COMMIT / END and ROLLBACK. Every other statement fails with
 * SQLITE_ERROR and a message. Triggers and views are stored, never run, so an
 * INSERT into a table that has a trigger fails rather than skip the trigger.
 *
 * Strings handed out (error messages, sqlite_mprintf results) come from
 * malloc and are released with sqlite_freemem. A connection is used by one
 * thread at a time; separate connections share nothing.
 */
#ifndef SALVORAN_PLATFORM_SQLITE2_SQLITE_H_
#define SALVORAN_PLATFORM_SQLITE2_SQLITE_H_

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct sqlite sqlite;

/* Receives one result row: column count, values, column names. Our
 * statements produce no rows, so it is never called. */
typedef int (*sqlite_callback)(void *, int, char **, char **);

#define SQLITE_OK 0          /* Successful result */
#define SQLITE_ERROR 1       /* SQL error or missing database */
#define SQLITE_INTERNAL 2    /* An internal logic error in SQLite */
#define SQLITE_PERM 3        /* Access permission denied */
#define SQLITE_ABORT 4       /* Callback routine requested an abort */
#define SQLITE_BUSY 5        /* The database file is locked */
#define SQLITE_LOCKED 6      /* A table in the database is locked */
#define SQLITE_NOMEM 7       /* A malloc() failed */
#define SQLITE_READONLY 8    /* Attempt to write a readonly database */
#define SQLITE_INTERRUPT 9   /* Operation terminated by sqlite_interrupt() */
#define SQLITE_IOERR 10      /* Some kind of disk I/O error occurred */
#define SQLITE_CORRUPT 11    /* The database disk image is malformed */
#define SQLITE_NOTFOUND 12   /* (Internal Only) Table or record not found */
#define SQLITE_FULL 13       /* Insertion failed because database is full */
#define SQLITE_CANTOPEN 14   /* Unable to open the database file */
#define SQLITE_PROTOCOL 15   /* Database lock protocol error */
#define SQLITE_EMPTY 16      /* (Internal Only) Database table is empty */
#define SQLITE_SCHEMA 17     /* The database schema changed */
#define SQLITE_TOOBIG 18     /* Too much data for one row of a table */
#define SQLITE_CONSTRAINT 19 /* Abort due to constraint violation */
#define SQLITE_MISMATCH 20   /* Data type mismatch */
#define SQLITE_MISUSE 21     /* Library used incorrectly */
#define SQLITE_NOLFS 22      /* Uses OS features not supported on host */
#define SQLITE_AUTH 23       /* Authorization denied */
#define SQLITE_FORMAT 24     /* Auxiliary database format error */
#define SQLITE_RANGE 25      /* 2nd parameter to sqlite_bind out of range */
#define SQLITE_NOTADB 26     /* File opened that is not a database file */
#define SQLITE_ROW 100       /* sqlite_step() has another row ready */
#define SQLITE_DONE 101      /* sqlite_step() has finished executing */

/* Opens (or creates) the database file. mode is not used. Returns NULL on
 * failure, with *errmsg (when errmsg is not NULL) set to the reason; on
 * success *errmsg is set to NULL. ":memory:" opens a database that is never
 * written to a file. */
sqlite *sqlite_open(const char *filename, int mode, char **errmsg);

/* Writes the database when it changed (an open transaction is rolled back
 * first) and frees the connection. A NULL connection is ignored. */
void sqlite_close(sqlite *db);

/* Runs the statements of sql in order, stopping at the first that fails.
 * Returns SQLITE_OK or the failing statement's code, with *errmsg (when
 * errmsg is not NULL) set to its message or to NULL on success. */
int sqlite_exec(sqlite *db, const char *sql, sqlite_callback callback, void *arg, char **errmsg);

/* Rows inserted by the last statement that sqlite_exec ran. */
int sqlite_changes(sqlite *db);

/* Kept for the 2.8 interface; there are no locks to wait for. */
void sqlite_busy_timeout(sqlite *db, int ms);

/* printf-style formatting into a string from malloc, NULL when out of
 * memory. Besides the C conversions: %q inserts a string with every single
 * quote doubled ("(NULL)" for a NULL pointer), %Q the same in single quotes
 * (NULL unquoted for a NULL pointer), %z a string that is then freed. */
char *sqlite_mprintf(const char *format, ...);
char *sqlite_vmprintf(const char *format, va_list args);

/* Releases a string handed out by this library. NULL is ignored. */
void sqlite_freemem(void *p);

/* The 2.8 text of a result code, such as "SQL logic error or missing
 * database" for SQLITE_ERROR. */
const char *sqlite_error_string(int code);

#ifdef __cplusplus
}
#endif

#endif /* SALVORAN_PLATFORM_SQLITE2_SQLITE_H_ */
