// A recovered value, typed as the record stored it.
//
// Text keeps the bytes of the file's own encoding (so that an output in the
// same encoding receives them unchanged); TextToUtf8 gives the form shown to
// people. Blobs keep their bytes.
#ifndef SALVORAN_RECOVERY_VALUE_H_
#define SALVORAN_RECOVERY_VALUE_H_

#include <cstdint>
#include <string>

namespace salvoran {

enum class TextEncoding : uint8_t { Utf8 = 1, Utf16le = 2, Utf16be = 3 };

enum class ValueType : uint8_t { Null, Integer, Real, Text, Blob };

struct Value {
  ValueType type = ValueType::Null;
  int64_t integer = 0;
  double real = 0.0;
  std::string bytes;  // text (in the file's encoding) or blob

  static Value Null() { return {}; }
  static Value Integer(int64_t v) { return {ValueType::Integer, v, 0.0, {}}; }
  static Value Real(double v) { return {ValueType::Real, 0, v, {}}; }
  static Value Text(std::string b) { return {ValueType::Text, 0, 0.0, std::move(b)}; }
  static Value Blob(std::string b) { return {ValueType::Blob, 0, 0.0, std::move(b)}; }

  bool operator==(const Value& other) const = default;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_VALUE_H_
