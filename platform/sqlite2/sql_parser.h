// The parser of the statements this library executes: CREATE TABLE,
// CREATE [UNIQUE] INDEX, CREATE VIEW, CREATE TRIGGER, INSERT (and REPLACE)
// with literal values, BEGIN, COMMIT/END and ROLLBACK, in the 2.8 grammar.
//
// Other statements of the language are refused as unsupported rather than
// misread. View selects and trigger bodies are checked only for balanced
// parentheses and their end; their text is stored, never run.
#ifndef SALVORAN_PLATFORM_SQLITE2_SQL_PARSER_H_
#define SALVORAN_PLATFORM_SQLITE2_SQL_PARSER_H_

#include <string>
#include <string_view>

#include "platform/sqlite2/sql_statement.h"
#include "platform/sqlite2/sql_tokenizer.h"

namespace salvoran::sqlite2 {

struct ParseOutcome {
  enum class Status { Parsed, End, Error };
  Status status = Status::End;
  Statement statement;
  std::string error;  // the 2.8-style message when status is Error
};

// Reads the statements of one SQL text one after another, so that each can
// be executed before the next is read (as the library does). The text must
// outlive the parser.
class SqlParser {
 public:
  explicit SqlParser(std::string_view sql);
  // The next statement; End when only white space, comments and ";" remain.
  ParseOutcome Next();

 private:
  void Advance();
  bool AcceptKeyword(std::string_view keyword);
  bool AcceptSymbol(std::string_view symbol);
  bool ExpectKeyword(std::string_view keyword);
  bool ExpectSymbol(std::string_view symbol);
  bool AtKeyword(std::string_view keyword) const { return IsKeyword(current_, keyword); }
  bool AtSymbol(std::string_view symbol) const {
    return current_.kind == TokenKind::Symbol && current_.text == symbol;
  }
  bool AtName() const;
  bool ParseName(std::string& name, std::string* asWritten = nullptr);
  bool ParseQualifiedName(std::string& name);
  bool ParseConflictClause(ConflictAction& action);
  bool ParseResolveType(ConflictAction& action);
  bool ParseNameList(std::vector<std::string>& names, bool allowSortOrder);
  bool SkipBalancedParentheses();
  bool SkipExpressionUntilListEnd();
  bool ParseReferences();
  bool ParseDeferrable();

  bool ParseCreate(Statement& out);
  bool ParseCreateTable(size_t start, Statement& out);
  bool ParseColumn(CreateTableStatement& table);
  bool ParseColumnType(ColumnDefinition& column);
  bool ParseColumnConstraint(CreateTableStatement& table, ColumnDefinition& column);
  bool ParseDefaultValue(ColumnDefinition& column);
  bool ParseTableConstraint(CreateTableStatement& table);
  bool ParseCreateIndex(size_t start, bool unique, Statement& out);
  bool ParseCreateView(size_t start, Statement& out);
  bool ParseCreateTrigger(size_t start, Statement& out);
  bool ParseInsert(Statement& out);
  bool ParseLiteral(FieldValue& value);
  bool ParseTransaction(Statement& out);

  bool SyntaxError();
  bool Unsupported(const std::string& what);
  std::string TextFrom(size_t start) const;

  std::string_view sql_;
  Tokenizer tokenizer_;
  Token current_;
  Token previous_;
  std::string error_;
};

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_SQL_PARSER_H_
