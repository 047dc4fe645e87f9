#include "recovery/value_text.h"

#include "recovery/text.h"

namespace salvoran {

std::string GridText(const Value& value, TextEncoding encoding) {
  switch (value.type) {
    case ValueType::Null:
      return kNullText;
    case ValueType::Integer:
      return std::to_string(value.integer);
    case ValueType::Real:
      return FormatReal(value.real);
    case ValueType::Text:
      return TextToUtf8(value.bytes, encoding);
    case ValueType::Blob:
      return kBlobText;
  }
  return {};
}

}  // namespace salvoran
