#include "platform/sqlite2/sql_parser.h"

#include <utility>

#include "platform/sqlite2/index_key.h"

namespace salvoran::sqlite2 {
namespace {

bool IsExpressionOperator(const Token& token) {
  if (token.kind != TokenKind::Symbol) {
    static constexpr std::string_view kWordOperators[] = {"AND", "OR",    "IS",   "ISNULL",
                                                          "NOTNULL", "LIKE", "GLOB", "IN",
                                                          "BETWEEN", "NOT"};
    for (std::string_view op : kWordOperators) {
      if (IsKeyword(token, op)) return true;
    }
    return false;
  }
  return token.text != "," && token.text != ")" && token.text != "(" && token.text != ";";
}

// First words of statements of the language that this library does not run.
constexpr std::string_view kUnsupportedStatements[] = {
    "SELECT", "UPDATE", "DELETE", "DROP", "PRAGMA", "ATTACH", "DETACH", "VACUUM", "COPY",
    "EXPLAIN"};

}  // namespace

SqlParser::SqlParser(std::string_view sql) : sql_(sql), tokenizer_(sql) { Advance(); }

void SqlParser::Advance() {
  previous_ = current_;
  current_ = tokenizer_.Next();
}

std::string SqlParser::TextFrom(size_t start) const {
  const size_t end = previous_.offset + previous_.text.size();
  return std::string(sql_.substr(start, end > start ? end - start : 0));
}

bool SqlParser::SyntaxError() {
  if (!error_.empty()) return false;
  if (current_.kind == TokenKind::Illegal) {
    error_ = "unrecognized token: \"" + std::string(current_.text) + "\"";
  } else if (current_.kind == TokenKind::End) {
    // The library reports an unfinished statement at its last token.
    if (previous_.text.empty()) {
      error_ = "incomplete SQL statement";
    } else {
      error_ = "near \"" + std::string(previous_.text) + "\": syntax error";
    }
  } else {
    error_ = "near \"" + std::string(current_.text) + "\": syntax error";
  }
  return false;
}

bool SqlParser::Unsupported(const std::string& what) {
  if (error_.empty()) error_ = "not supported by this SQLite 2 writer: " + what;
  return false;
}

bool SqlParser::AcceptKeyword(std::string_view keyword) {
  if (!AtKeyword(keyword)) return false;
  Advance();
  return true;
}

bool SqlParser::AcceptSymbol(std::string_view symbol) {
  if (!AtSymbol(symbol)) return false;
  Advance();
  return true;
}

bool SqlParser::ExpectKeyword(std::string_view keyword) {
  return AcceptKeyword(keyword) || SyntaxError();
}

bool SqlParser::ExpectSymbol(std::string_view symbol) {
  return AcceptSymbol(symbol) || SyntaxError();
}

bool SqlParser::AtName() const {
  switch (current_.kind) {
    case TokenKind::Word:
      return !IsReservedWord(current_.text);
    case TokenKind::Bracketed:
    case TokenKind::DoubleQuoted:
    case TokenKind::SingleQuoted:
      return true;
    default:
      return false;
  }
}

bool SqlParser::ParseName(std::string& name, std::string* asWritten) {
  if (!AtName()) return SyntaxError();
  name = Dequote(current_);
  if (asWritten) *asWritten = std::string(current_.text);
  Advance();
  return true;
}

// name or database.name; a database other than "main" leaves the qualified
// text as the name, which then matches no object.
bool SqlParser::ParseQualifiedName(std::string& name) {
  if (!ParseName(name)) return false;
  if (!AcceptSymbol(".")) return true;
  std::string object;
  if (!ParseName(object)) return false;
  name = EqualsIgnoreCase(name, "main") ? object : name + "." + object;
  return true;
}

bool SqlParser::ParseResolveType(ConflictAction& action) {
  static constexpr std::pair<std::string_view, ConflictAction> kActions[] = {
      {"ROLLBACK", ConflictAction::Rollback}, {"ABORT", ConflictAction::Abort},
      {"FAIL", ConflictAction::Fail},         {"IGNORE", ConflictAction::Ignore},
      {"REPLACE", ConflictAction::Replace}};
  for (const auto& [word, value] : kActions) {
    if (AcceptKeyword(word)) {
      action = value;
      return true;
    }
  }
  return SyntaxError();
}

bool SqlParser::ParseConflictClause(ConflictAction& action) {
  if (!AcceptKeyword("ON")) return true;
  return ExpectKeyword("CONFLICT") && ParseResolveType(action);
}

bool SqlParser::ParseNameList(std::vector<std::string>& names, bool allowSortOrder) {
  if (!ExpectSymbol("(")) return false;
  do {
    std::string name;
    if (!ParseName(name)) return false;
    names.push_back(std::move(name));
    if (allowSortOrder && !AcceptKeyword("ASC")) AcceptKeyword("DESC");
  } while (AcceptSymbol(","));
  return ExpectSymbol(")");
}

// Skips "( ... )" with everything nested in it.
bool SqlParser::SkipBalancedParentheses() {
  if (!ExpectSymbol("(")) return false;
  for (int depth = 1; depth > 0;) {
    if (current_.kind == TokenKind::End || current_.kind == TokenKind::Illegal) return SyntaxError();
    if (AtSymbol("(")) ++depth;
    if (AtSymbol(")")) --depth;
    Advance();
  }
  return true;
}

// Skips a table CHECK expression: up to the "," or ")" that ends the
// constraint, or its ON CONFLICT clause.
bool SqlParser::SkipExpressionUntilListEnd() {
  bool empty = true;
  int depth = 0;
  while (true) {
    if (current_.kind == TokenKind::End || current_.kind == TokenKind::Illegal) return SyntaxError();
    if (depth == 0 && (AtSymbol(",") || AtSymbol(")") || AtKeyword("ON"))) break;
    if (AtSymbol("(")) ++depth;
    if (AtSymbol(")")) --depth;
    Advance();
    empty = false;
  }
  return !empty || SyntaxError();
}

// REFERENCES name [(columns)] [MATCH name | ON DELETE|UPDATE|INSERT action]...
bool SqlParser::ParseReferences() {
  std::string ignored;
  if (!ParseName(ignored)) return false;
  if (AtSymbol("(")) {
    std::vector<std::string> columns;
    if (!ParseNameList(columns, false)) return false;
  }
  while (true) {
    if (AcceptKeyword("MATCH")) {
      if (!ParseName(ignored)) return false;
    } else if (AcceptKeyword("ON")) {
      if (!AcceptKeyword("DELETE") && !AcceptKeyword("UPDATE") && !AcceptKeyword("INSERT")) {
        return SyntaxError();
      }
      if (AcceptKeyword("SET")) {
        if (!AcceptKeyword("NULL") && !AcceptKeyword("DEFAULT")) return SyntaxError();
      } else if (!AcceptKeyword("CASCADE") && !AcceptKeyword("RESTRICT")) {
        return SyntaxError();
      }
    } else {
      return true;
    }
  }
}

// DEFERRABLE [INITIALLY DEFERRED|IMMEDIATE], its NOT already read.
bool SqlParser::ParseDeferrable() {
  if (!ExpectKeyword("DEFERRABLE")) return false;
  if (AcceptKeyword("INITIALLY")) {
    if (!AcceptKeyword("DEFERRED") && !AcceptKeyword("IMMEDIATE")) return SyntaxError();
  }
  return true;
}

ParseOutcome SqlParser::Next() {
  ParseOutcome outcome;
  while (AcceptSymbol(";")) {
  }
  if (current_.kind == TokenKind::End) return outcome;

  bool ok = false;
  if (AtKeyword("CREATE")) {
    ok = ParseCreate(outcome.statement);
  } else if (AtKeyword("INSERT") || AtKeyword("REPLACE")) {
    ok = ParseInsert(outcome.statement);
  } else if (AtKeyword("BEGIN") || AtKeyword("COMMIT") || AtKeyword("END") ||
             AtKeyword("ROLLBACK")) {
    ok = ParseTransaction(outcome.statement);
  } else {
    bool known = false;
    for (std::string_view word : kUnsupportedStatements) {
      if (AtKeyword(word)) {
        known = true;
        Unsupported(std::string(word) + " statements");
      }
    }
    if (!known) SyntaxError();
  }
  if (ok && !AtSymbol(";") && current_.kind != TokenKind::End) ok = SyntaxError();
  if (!ok) {
    outcome.status = ParseOutcome::Status::Error;
    outcome.error = error_.empty() ? "near \"" + std::string(current_.text) + "\": syntax error"
                                   : error_;
    return outcome;
  }
  AcceptSymbol(";");
  outcome.status = ParseOutcome::Status::Parsed;
  return outcome;
}

bool SqlParser::ParseCreate(Statement& out) {
  const size_t start = current_.offset;
  Advance();  // CREATE
  if (AtKeyword("TEMP") || AtKeyword("TEMPORARY")) return Unsupported("temporary objects");
  if (AcceptKeyword("TABLE")) return ParseCreateTable(start, out);
  if (AcceptKeyword("UNIQUE")) return ExpectKeyword("INDEX") && ParseCreateIndex(start, true, out);
  if (AcceptKeyword("INDEX")) return ParseCreateIndex(start, false, out);
  if (AcceptKeyword("VIEW")) return ParseCreateView(start, out);
  if (AcceptKeyword("TRIGGER")) return ParseCreateTrigger(start, out);
  return SyntaxError();
}

bool SqlParser::ParseCreateTable(size_t start, Statement& out) {
  CreateTableStatement table;
  if (!ParseName(table.name, &table.nameAsWritten)) return false;
  if (AtKeyword("AS")) return Unsupported("CREATE TABLE ... AS SELECT");
  if (!ExpectSymbol("(")) return false;
  auto atTableConstraint = [&] {
    return AtKeyword("CONSTRAINT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE") ||
           AtKeyword("CHECK") || AtKeyword("FOREIGN");
  };
  bool constraints = false;
  while (true) {
    if (!ParseColumn(table)) return false;
    if (!AcceptSymbol(",")) break;
    if (atTableConstraint()) {
      constraints = true;
      break;
    }
  }
  while (constraints) {
    if (!ParseTableConstraint(table)) return false;
    if (!AcceptSymbol(",") && !atTableConstraint()) break;
  }
  if (!ExpectSymbol(")")) return false;
  table.sql = TextFrom(start);
  out = std::move(table);
  return true;
}

bool SqlParser::ParseColumn(CreateTableStatement& table) {
  ColumnDefinition column;
  if (!ParseName(column.name)) return false;
  if (!ParseColumnType(column)) return false;
  while (AtKeyword("CONSTRAINT") || AtKeyword("DEFAULT") || AtKeyword("NULL") ||
         AtKeyword("NOT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE") || AtKeyword("CHECK") ||
         AtKeyword("REFERENCES") || AtKeyword("DEFERRABLE") || AtKeyword("COLLATE")) {
    if (!ParseColumnConstraint(table, column)) return false;
  }
  table.columns.push_back(std::move(column));
  return true;
}

// typename... [ ( signed [, signed] ) ], kept as written.
bool SqlParser::ParseColumnType(ColumnDefinition& column) {
  if (!AtName()) return true;
  const size_t start = current_.offset;
  while (AtName()) Advance();
  if (AcceptSymbol("(")) {
    auto parseSigned = [&] {
      if (!AcceptSymbol("+")) AcceptSymbol("-");
      if (current_.kind != TokenKind::Integer) return SyntaxError();
      Advance();
      return true;
    };
    if (!parseSigned()) return false;
    if (AcceptSymbol(",") && !parseSigned()) return false;
    if (!ExpectSymbol(")")) return false;
  }
  column.type = TextFrom(start);
  return true;
}

bool SqlParser::ParseColumnConstraint(CreateTableStatement& table, ColumnDefinition& column) {
  std::string ignored;
  if (AcceptKeyword("CONSTRAINT")) return ParseName(ignored);
  if (AcceptKeyword("DEFAULT")) return ParseDefaultValue(column);
  if (AcceptKeyword("NULL")) {
    ConflictAction unused = ConflictAction::Default;
    return ParseConflictClause(unused);
  }
  if (AcceptKeyword("NOT")) {
    if (AtKeyword("DEFERRABLE")) return ParseDeferrable();
    if (!ExpectKeyword("NULL")) return false;
    column.notNull = true;
    return ParseConflictClause(column.notNullConflict);
  }
  if (AcceptKeyword("PRIMARY")) {
    if (!ExpectKeyword("KEY")) return false;
    if (!AcceptKeyword("ASC")) AcceptKeyword("DESC");
    KeyConstraint key{true, {column.name}, ConflictAction::Default};
    if (!ParseConflictClause(key.conflict)) return false;
    table.keys.push_back(std::move(key));
    return true;
  }
  if (AcceptKeyword("UNIQUE")) {
    KeyConstraint key{false, {column.name}, ConflictAction::Default};
    if (!ParseConflictClause(key.conflict)) return false;
    table.keys.push_back(std::move(key));
    return true;
  }
  if (AcceptKeyword("CHECK")) {
    // The library parses CHECK constraints but does not enforce them.
    ConflictAction unused = ConflictAction::Default;
    return SkipBalancedParentheses() && ParseConflictClause(unused);
  }
  if (AcceptKeyword("REFERENCES")) return ParseReferences();
  if (AtKeyword("DEFERRABLE")) return ParseDeferrable();
  if (AcceptKeyword("COLLATE")) {
    std::string collation;
    if (!ParseName(collation)) return false;
    column.collateText = IsTextTypeName(collation);
    return true;
  }
  return SyntaxError();
}

// DEFAULT string | name | [+-]number | NULL.
bool SqlParser::ParseDefaultValue(ColumnDefinition& column) {
  if (AcceptKeyword("NULL")) {
    column.defaultValue.reset();
    return true;
  }
  std::string sign;
  if (AcceptSymbol("-")) {
    sign = "-";
  } else {
    AcceptSymbol("+");
  }
  if (current_.kind == TokenKind::Integer || current_.kind == TokenKind::Float) {
    column.defaultValue = sign + std::string(current_.text);
    Advance();
    return true;
  }
  if (sign.empty() && AtName()) {
    column.defaultValue = Dequote(current_);
    Advance();
    return true;
  }
  return SyntaxError();
}

bool SqlParser::ParseTableConstraint(CreateTableStatement& table) {
  std::string ignored;
  if (AcceptKeyword("CONSTRAINT")) return ParseName(ignored);
  const bool primaryKey = AtKeyword("PRIMARY");
  if (AcceptKeyword("PRIMARY") || AcceptKeyword("UNIQUE")) {
    KeyConstraint key;
    key.primaryKey = primaryKey;
    if (primaryKey && !ExpectKeyword("KEY")) return false;
    if (!ParseNameList(key.columns, true) || !ParseConflictClause(key.conflict)) return false;
    table.keys.push_back(std::move(key));
    return true;
  }
  if (AcceptKeyword("CHECK")) {
    ConflictAction unused = ConflictAction::Default;
    return SkipExpressionUntilListEnd() && ParseConflictClause(unused);
  }
  if (AcceptKeyword("FOREIGN")) {
    std::vector<std::string> columns;
    if (!ExpectKeyword("KEY") || !ParseNameList(columns, false)) return false;
    if (!ExpectKeyword("REFERENCES") || !ParseReferences()) return false;
    if (AcceptKeyword("NOT")) return ParseDeferrable();
    if (AtKeyword("DEFERRABLE")) return ParseDeferrable();
    return true;
  }
  return SyntaxError();
}

bool SqlParser::ParseCreateIndex(size_t start, bool unique, Statement& out) {
  CreateIndexStatement index;
  index.unique = unique;
  if (!ParseName(index.name)) return false;
  if (!ExpectKeyword("ON") || !ParseQualifiedName(index.table)) return false;
  if (!ParseNameList(index.columns, true)) return false;
  if (!ParseConflictClause(index.conflict)) return false;
  index.sql = TextFrom(start);
  out = std::move(index);
  return true;
}

bool SqlParser::ParseCreateView(size_t start, Statement& out) {
  CreateViewStatement view;
  if (!ParseName(view.name, &view.nameAsWritten)) return false;
  if (!ExpectKeyword("AS")) return false;
  if (!AtKeyword("SELECT")) return SyntaxError();
  int depth = 0;
  while (!(depth == 0 && AtSymbol(";")) && current_.kind != TokenKind::End) {
    if (current_.kind == TokenKind::Illegal) return SyntaxError();
    if (AtSymbol("(")) ++depth;
    if (AtSymbol(")") && --depth < 0) return SyntaxError();
    Advance();
  }
  if (depth != 0) return SyntaxError();
  view.sql = TextFrom(start);
  out = std::move(view);
  return true;
}

bool SqlParser::ParseCreateTrigger(size_t start, Statement& out) {
  CreateTriggerStatement trigger;
  if (!ParseName(trigger.name, &trigger.nameAsWritten)) return false;
  if (AcceptKeyword("BEFORE")) {
    trigger.timing = TriggerTiming::Before;
  } else if (AcceptKeyword("AFTER")) {
    trigger.timing = TriggerTiming::After;
  } else if (AcceptKeyword("INSTEAD")) {
    if (!ExpectKeyword("OF")) return false;
    trigger.timing = TriggerTiming::InsteadOf;
  }
  if (AcceptKeyword("UPDATE")) {
    if (AcceptKeyword("OF")) {
      std::string column;
      do {
        if (!ParseName(column)) return false;
      } while (AcceptSymbol(","));
    }
  } else if (!AcceptKeyword("INSERT") && !AcceptKeyword("DELETE")) {
    return SyntaxError();
  }
  if (!ExpectKeyword("ON") || !ParseQualifiedName(trigger.table)) return false;
  if (AcceptKeyword("FOR")) {
    if (!ExpectKeyword("EACH")) return false;
    if (!AcceptKeyword("ROW") && !AcceptKeyword("STATEMENT")) return SyntaxError();
  }
  if (AcceptKeyword("WHEN")) {
    bool empty = true;
    for (int depth = 0; !(depth == 0 && AtKeyword("BEGIN")); empty = false) {
      if (current_.kind == TokenKind::End || current_.kind == TokenKind::Illegal) return SyntaxError();
      if (AtSymbol("(")) ++depth;
      if (AtSymbol(")") && --depth < 0) return SyntaxError();
      Advance();
    }
    if (empty) return SyntaxError();
  }
  if (!ExpectKeyword("BEGIN")) return false;
  // Each command ends with ";"; the END right after one closes the body
  // (an END inside a command, as in CASE ... END, never follows a ";").
  do {
    if (!AtKeyword("UPDATE") && !AtKeyword("INSERT") && !AtKeyword("DELETE") &&
        !AtKeyword("SELECT") && !AtKeyword("REPLACE")) {
      return SyntaxError();
    }
    int depth = 0;
    while (!(depth == 0 && AtSymbol(";"))) {
      if (current_.kind == TokenKind::End || current_.kind == TokenKind::Illegal) return SyntaxError();
      if (AtSymbol("(")) ++depth;
      if (AtSymbol(")") && --depth < 0) return SyntaxError();
      Advance();
    }
    Advance();  // ;
  } while (!AcceptKeyword("END"));
  trigger.sql = TextFrom(start);
  out = std::move(trigger);
  return true;
}

bool SqlParser::ParseInsert(Statement& out) {
  InsertStatement insert;
  if (AcceptKeyword("REPLACE")) {
    insert.conflict = ConflictAction::Replace;
  } else {
    Advance();  // INSERT
    if (AcceptKeyword("OR") && !ParseResolveType(insert.conflict)) return false;
  }
  if (!ExpectKeyword("INTO") || !ParseQualifiedName(insert.table)) return false;
  if (AtSymbol("(")) {
    insert.columns.emplace();
    if (!ParseNameList(*insert.columns, false)) return false;
  }
  if (AtKeyword("SELECT")) return Unsupported("INSERT ... SELECT");
  if (!ExpectKeyword("VALUES") || !ExpectSymbol("(")) return false;
  do {
    FieldValue value;
    if (!ParseLiteral(value)) return false;
    insert.values.push_back(std::move(value));
  } while (AcceptSymbol(","));
  if (!ExpectSymbol(")")) return false;
  out = std::move(insert);
  return true;
}

// NULL, a string, or a number with at most one sign. The library stores a
// literal with the spelling it has in the statement ("-" + the number for a
// negated one); expressions would be computed, which this library does not do.
bool SqlParser::ParseLiteral(FieldValue& value) {
  if (AcceptKeyword("NULL")) {
    value.reset();
  } else if (current_.kind == TokenKind::SingleQuoted || current_.kind == TokenKind::DoubleQuoted) {
    value = Dequote(current_);
    Advance();
  } else if (AtSymbol("-") || AtSymbol("+") || current_.kind == TokenKind::Integer ||
             current_.kind == TokenKind::Float) {
    std::string sign;
    if (AcceptSymbol("-")) {
      sign = "-";
    } else {
      AcceptSymbol("+");
    }
    if (current_.kind != TokenKind::Integer && current_.kind != TokenKind::Float) {
      if (current_.kind == TokenKind::End || current_.kind == TokenKind::Illegal) return SyntaxError();
      return Unsupported("expressions in VALUES (only literal values are written)");
    }
    value = sign + std::string(current_.text);
    Advance();
  } else if (current_.kind == TokenKind::Word && !IsReservedWord(current_.text)) {
    if (error_.empty()) error_ = "no such column: " + std::string(current_.text);
    return false;
  } else if (current_.kind == TokenKind::Bracketed) {
    if (error_.empty()) error_ = "no such column: " + Dequote(current_);
    return false;
  } else if (AtSymbol("(")) {
    return Unsupported("expressions in VALUES (only literal values are written)");
  } else {
    return SyntaxError();
  }
  if (IsExpressionOperator(current_)) {
    return Unsupported("expressions in VALUES (only literal values are written)");
  }
  return true;
}

bool SqlParser::ParseTransaction(Statement& out) {
  TransactionStatement transaction;
  if (AcceptKeyword("BEGIN")) {
    transaction.kind = TransactionStatement::Kind::Begin;
  } else if (AcceptKeyword("ROLLBACK")) {
    transaction.kind = TransactionStatement::Kind::Rollback;
  } else {
    Advance();  // COMMIT or END
    transaction.kind = TransactionStatement::Kind::Commit;
  }
  if (AcceptKeyword("TRANSACTION") && AtName()) {
    std::string ignored;
    ParseName(ignored);
  }
  if (transaction.kind == TransactionStatement::Kind::Begin &&
      !ParseConflictClause(transaction.conflict)) {
    return false;
  }
  out = transaction;
  return true;
}

}  // namespace salvoran::sqlite2
