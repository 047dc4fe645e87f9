// Recognising the statement in a schema record text, and cutting the index
// entries out of a CREATE INDEX statement.
//
// The keyword search tries, at every position of the text from the first
// on, these forms in this order (ignoring case); the first that stands at a
// position decides the kind:
//   "CREATE TABLE"                                table
//   "CREATE INDEX"                                index
//   "CREATE UNIQUE INDEX"                         unique index
//   "CREATE VIRTUAL TABLE", "_autoindex", "autoindex"   skipped
//   "CREATE VIEW", "%REATE VIEW"                  view
//   "CREATE TRIGGER", "&REATE TRIGGER"            trigger
// The "%" and "&" forms accept a view or trigger whose first byte was
// damaged; the other letters of the keyword must be there.
#ifndef SALVORAN_SQLITE3FMT_SCHEMA_KEYWORDS_H_
#define SALVORAN_SQLITE3FMT_SCHEMA_KEYWORDS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran::sqlite3 {

enum class SchemaKind { Table, Index, UniqueIndex, Skipped, View, Trigger };

struct KeywordMatch {
  SchemaKind kind = SchemaKind::Skipped;
  size_t position = 0;  // where the keyword begins in the text
  size_t length = 0;    // the keyword's length
};

std::optional<KeywordMatch> FindSchemaKeyword(std::string_view text);

// What a CREATE [UNIQUE] INDEX statement leaves in the catalog: one entry
// per column of its list, each the statement from the keyword up to the
// end of that column ("CREATE INDEX i ON t(a", "CREATE INDEX i ON t(a, b").
struct IndexEntries {
  std::string name;       // as written
  std::string tableName;  // as written
  std::vector<std::string> entries;
};

// False when the statement runs past the end of the text (no column list,
// a column list that never closes).
bool ReadIndexEntries(std::string_view text, const KeywordMatch& match, IndexEntries* index);

// The table a CREATE TRIGGER statement is declared on (the name after its
// first whole word ON), without quoting; empty when there is none.
std::string TriggerTableName(std::string_view statement);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_SCHEMA_KEYWORDS_H_
