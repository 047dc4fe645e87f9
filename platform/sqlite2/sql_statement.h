// The statements this library executes, as the parser hands them over.
//
// Names are dequoted; each statement that is stored in sqlite_master keeps
// its text from CREATE to its last token (without the closing ";").
#ifndef SALVORAN_PLATFORM_SQLITE2_SQL_STATEMENT_H_
#define SALVORAN_PLATFORM_SQLITE2_SQL_STATEMENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/sqlite2/record.h"

namespace salvoran::sqlite2 {

// ON CONFLICT resolution of a constraint, statement or transaction.
enum class ConflictAction : uint8_t { Default, Rollback, Abort, Fail, Ignore, Replace };

struct ColumnDefinition {
  std::string name;
  std::string type;  // the declared type as written, "" when none
  bool notNull = false;
  ConflictAction notNullConflict = ConflictAction::Default;
  FieldValue defaultValue;            // used when an INSERT names other columns
  std::optional<bool> collateText;    // COLLATE clause: text (true) or numeric
};

// A PRIMARY KEY or UNIQUE constraint, of a column or of the table.
struct KeyConstraint {
  bool primaryKey = false;
  std::vector<std::string> columns;
  ConflictAction conflict = ConflictAction::Default;
};

struct CreateTableStatement {
  std::string name;
  std::string nameAsWritten;
  std::vector<ColumnDefinition> columns;
  std::vector<KeyConstraint> keys;  // in the order they appear
  std::string sql;
};

struct CreateIndexStatement {
  std::string name;
  std::string table;
  std::vector<std::string> columns;
  bool unique = false;
  ConflictAction conflict = ConflictAction::Default;
  std::string sql;
};

struct CreateViewStatement {
  std::string name;
  std::string nameAsWritten;
  std::string sql;
};

enum class TriggerTiming : uint8_t { Before, After, InsteadOf };

struct CreateTriggerStatement {
  std::string name;
  std::string nameAsWritten;
  std::string table;
  TriggerTiming timing = TriggerTiming::Before;
  std::string sql;
};

struct InsertStatement {
  std::string table;
  ConflictAction conflict = ConflictAction::Default;  // INSERT OR ...
  std::optional<std::vector<std::string>> columns;
  std::vector<FieldValue> values;
};

struct TransactionStatement {
  enum class Kind : uint8_t { Begin, Commit, Rollback };
  Kind kind = Kind::Begin;
  ConflictAction conflict = ConflictAction::Default;  // BEGIN ON CONFLICT ...
};

using Statement = std::variant<CreateTableStatement, CreateIndexStatement, CreateViewStatement,
                               CreateTriggerStatement, InsertStatement, TransactionStatement>;

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_SQL_STATEMENT_H_
