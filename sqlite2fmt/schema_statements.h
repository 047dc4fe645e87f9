// The CREATE statements of an SQLite 2 schema, found and taken apart without
// an SQL grammar.
//
// A schema record is a row of sqlite_master: type, name, tbl_name, rootpage
// and sql, all stored as text. When the record decodes, the statement is
// searched in its sql field and the root page read from its rootpage field;
// a record whose offsets are damaged is searched as raw bytes instead, the
// root page then being the decimal number that ends two bytes before the
// statement (the zero that ends the rootpage field lies in between).
//
// The search tests, at each position and ignoring case, the kinds below in
// this order; the first match decides. Keywords may be separated by any run
// of white space and count only as whole words.
//   CREATE TABLE                    table
//   CREATE INDEX                    index
//   CREATE UNIQUE INDEX             unique index
//   _autoindex, autoindex, CREATE VIRTUAL TABLE   skipped
//   CREATE VIEW, %REATE VIEW        view
//   CREATE TRIGGER, &REATE TRIGGER  trigger
// The forms with "%" and "&" are damaged first bytes that are still
// recognised.
//
// Every scan of a statement is bounded by its text: a statement cut short
// (a damaged or truncated record) is used as far as it goes.
#ifndef SALVORAN_SQLITE2FMT_SCHEMA_STATEMENTS_H_
#define SALVORAN_SQLITE2FMT_SCHEMA_STATEMENTS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran::sqlite2 {

enum class StatementKind { None, Table, Index, UniqueIndex, Skipped, View, Trigger };

struct FoundStatement {
  StatementKind kind = StatementKind::None;
  size_t position = 0;      // where the statement starts in the searched text
  size_t bodyPosition = 0;  // just after its keywords
};

FoundStatement FindStatement(std::string_view text);

// A gathered schema record, with the statement it holds.
struct SchemaStatement {
  StatementKind kind = StatementKind::None;
  std::string text;       // from the statement's first keyword to its end
  size_t bodyPosition = 0;  // in text, just after the keywords
  uint32_t rootPage = 0;
  std::string tableName;  // the record's tbl_name field, when it decoded
  bool nullSql = false;   // the record decoded and its sql field is NULL
};

// Finds the statement of one record (the data of an sqlite_master entry).
SchemaStatement ReadSchemaStatement(std::string_view record);

// A CREATE TABLE statement taken apart.
struct TableStatement {
  std::string name;                      // as written, quoting included
  std::string statement;                 // up to, not including, the ")" closing the column list
  std::string accessStatement;           // "create Table [t] ( [a]  INTEGER , [b]  TEXT )"
  std::vector<std::string> columns;      // names as written; the key column ends in "< P.K >"
  std::vector<std::string> declaredTypes;  // the column types as SQLite reads them
  std::vector<std::string> accessTypes;  // trimmed Access types, one per column
  int keyColumn = -1;                    // the INTEGER PRIMARY KEY column, or -1

  // "name+col~col~#root".
  std::string Descriptor(uint32_t rootPage) const;
};

// Parses the statement in `text`, whose keywords end at bodyPosition.
// False when it names no table or has no column list.
bool ParseTableStatement(std::string_view text, size_t bodyPosition, TableStatement* table);

// A CREATE [UNIQUE] INDEX statement: one element per column token, each the
// statement from its start up to that token; the last one is the statement
// without its closing ")".
struct IndexStatement {
  std::string name;       // as written
  std::string tableName;  // as written
  std::vector<std::string> elements;
};

bool ParseIndexStatement(std::string_view text, size_t bodyPosition, IndexStatement* index);

// The name a view or trigger statement gives its object, as written.
std::string ObjectNameAfterKeywords(std::string_view text, size_t bodyPosition);
// The table a trigger is on, as written: the name after its first whole-word ON.
std::string TriggerTableName(std::string_view text, size_t bodyPosition);

// The object tree's label of a catalog text: the text after the kind's
// keyword ("TABLE", "INDEX", "VIEW", "TRIGGER"), blanks included; for tables
// and indexes up to the first "(", for views up to the blank before "AS",
// for triggers the word after it. Empty when the keyword is missing.
std::string TreeLabel(StatementKind kind, std::string_view text);

// A name without its quoting: [a b] -> a b, "x""y" -> x"y, `c` -> c, 'd' -> d.
std::string UnquoteName(std::string_view name);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_SCHEMA_STATEMENTS_H_
