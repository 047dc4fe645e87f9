// Errors of the Jet writer: the DAO error number and the description DAO
// would show, so that the DAO classes can pass them on unchanged.
#ifndef SALVORAN_PLATFORM_DAO_JET_ERROR_H_
#define SALVORAN_PLATFORM_DAO_JET_ERROR_H_

#include <optional>
#include <string>

namespace salvoran::jet {

struct JetError {
  long code = 0;
  std::string description;
};

// What an operation without a result returns: nothing on success.
using JetStatus = std::optional<JetError>;

// DAO error numbers the writer raises.
namespace errors {
constexpr long kDiskError = 3043;
constexpr long kInvalidPath = 3044;
constexpr long kDatabaseExists = 3204;
constexpr long kTableExists = 3010;
constexpr long kInputTableNotFound = 3078;
constexpr long kRecordTooLarge = 3047;
constexpr long kFieldTooSmall = 3163;
constexpr long kItemNotFound = 3265;
constexpr long kConversion = 3421;
constexpr long kNumericOverflow = 3349;
constexpr long kTooManyFields = 3190;
constexpr long kFieldDefinedTwice = 3191;
constexpr long kCreateTableSyntax = 3290;
constexpr long kFieldDefinitionSyntax = 3292;
constexpr long kFromClauseSyntax = 3131;
constexpr long kNoCurrentEdit = 3020;
constexpr long kReadOnly = 3027;
constexpr long kObjectClosed = 3420;
constexpr long kDatabaseFull = 3183;
constexpr long kInvalidName = 3125;
}  // namespace errors

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_ERROR_H_
