// The text form of a recovered value, as the grid and the command line show
// it: NULL as "NULL", integers in decimal, reals as the shortest text that
// reads back to the same double, text decoded to UTF-8 over its whole
// length, blobs as "< Blob Data >".
#ifndef SALVORAN_RECOVERY_VALUE_TEXT_H_
#define SALVORAN_RECOVERY_VALUE_TEXT_H_

#include <string>

#include "recovery/value.h"

namespace salvoran {

inline constexpr const char* kBlobText = "< Blob Data >";
inline constexpr const char* kNullText = "NULL";

std::string GridText(const Value& value, TextEncoding encoding);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_VALUE_TEXT_H_
