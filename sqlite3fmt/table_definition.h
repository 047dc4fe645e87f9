// Taking a CREATE TABLE statement apart without an SQL grammar.
//
// The tokenizer starts at the position of "CREATE TABLE" in a schema record
// text and reads:
//   - the table name as written: everything between "CREATE TABLE " and the
//     opening parenthesis, blanks and quoting included;
//   - one column definition at a time, up to the table's closing parenthesis
//     or the first table constraint (CONSTRAINT, FOREIGN KEY, UNIQUE, CHECK,
//     PRIMARY KEY (...)). Keywords count only as whole words, so columns
//     named checksum or unique_code are columns. Parenthesised parts (nested
//     or not) and quoted strings and names are stepped over as units, so a
//     "," or ")" inside them does not end a column.
// For every column it keeps the raw name (quoting as written), marks the
// column whose definition reads INTEGER ... PRIMARY KEY with "< P.K >", and
// maps its declared type onto an Access type (anything Access does not know
// becomes TEXT).
//
// Every scan is bounded by the text: a definition that would run past its
// end (no "(", unbalanced parentheses, an unterminated quote or "]") is
// refused as a whole and nothing of it is kept.
#ifndef SALVORAN_SQLITE3FMT_TABLE_DEFINITION_H_
#define SALVORAN_SQLITE3FMT_TABLE_DEFINITION_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran::sqlite3 {

struct TableDefinition {
  std::string name;             // as written, e.g. "t " or "[My Table] "
  std::string statement;        // from "CREATE TABLE" up to, not including, the table's ")"
  std::string accessStatement;  // "create Table [t] ( [id]  INTEGER, [name]  TEXT )"
  std::vector<std::string> columns;      // raw names; the key column ends in "< P.K >"
  std::vector<std::string> columnTypes;  // Access types, trimmed, one per column

  // "name+col~col~#root".
  std::string Descriptor(uint32_t rootPage) const;
  // The columns marked as the key, in order.
  std::vector<int> MarkedColumns() const;
};

// Parses the CREATE TABLE statement that begins at text[keywordPosition].
// False when the statement runs past the end of the text.
bool ParseTableDefinition(std::string_view text, size_t keywordPosition, TableDefinition* definition);

// The Access statement's opening: "create Table [Clean] ( ", or with the
// name as written when it has no plain characters at all.
std::string AccessStatementHeader(const std::string& tableName);
// Appends one column ("[name] " + type) to an Access statement.
void AppendAccessColumn(std::string* statement, bool first, const std::string& rawName,
                        const std::string& accessType);
// The Access type of a declared type text, which may begin with white space
// (kept as blanks): NormalizeColumnType, and "TEXT" when the type is empty
// or not one Access knows.
std::string AccessTypeOf(const std::string& typeText);

// An SQL name without its quoting: [a b] -> a b, "x""y" -> x"y, `c` -> c,
// 'd' -> d; a bare name is returned trimmed. A "< P.K >" mark is removed.
std::string UnquoteIdentifier(std::string_view name);

// The table's name as SQLite knows it, from the name as written: trimmed,
// without IF NOT EXISTS, a schema prefix or quoting.
std::string CleanTableName(std::string_view writtenName);

// White space of the tokenizer: the blank and the characters 8 to 13.
inline bool IsSqlSpace(char c) { return c == ' ' || (c >= 8 && c <= 13); }
// Characters of a bare SQL word; bytes of UTF-8 sequences count as letters.
inline bool IsWordChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}

// Position just after the quoted part that opens at text[pos] ("'", '"',
// "`" or "["), doubled quotes included; npos when it never closes.
size_t SkipQuoted(std::string_view text, size_t pos);
// Position just after the ")" that closes the "(" at text[pos], nested
// parentheses and quoted parts included; npos when it never closes.
size_t SkipParenthesised(std::string_view text, size_t pos);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_TABLE_DEFINITION_H_
