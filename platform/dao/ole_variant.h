// COleVariant: the values the program hands to DAO fields. Two kinds carry
// data, as the Access output uses them:
//   VT_BSTR               a text (held as UTF-16, like a BSTR)
//   VT_ARRAY | VT_UI1     a one-dimensional array of bytes, lower bound 0
// VT_NULL stores NULL; VT_EMPTY, a variant that was never given a value or
// was cleared, is stored as NULL too.
#ifndef SALVORAN_PLATFORM_DAO_OLE_VARIANT_H_
#define SALVORAN_PLATFORM_DAO_OLE_VARIANT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran {

using VARTYPE = uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_ARRAY = 0x2000;

class COleVariant {
 public:
  COleVariant() = default;
  // A BSTR copy of UTF-8 text; bytes that are not UTF-8 become U+FFFD.
  explicit COleVariant(std::string_view utf8Text);
  explicit COleVariant(std::u16string text);
  // A byte array copy of `count` bytes.
  COleVariant(const uint8_t* bytes, size_t count);
  explicit COleVariant(std::vector<uint8_t> bytes);
  static COleVariant Null();

  VARTYPE Type() const { return type_; }
  bool IsText() const { return type_ == VT_BSTR; }
  bool IsByteArray() const { return type_ == (VT_ARRAY | VT_UI1); }
  bool IsNullOrEmpty() const { return type_ == VT_NULL || type_ == VT_EMPTY; }
  const std::u16string& Text() const { return text_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

  // Releases the value; the variant is VT_EMPTY afterwards.
  void Clear();

 private:
  VARTYPE type_ = VT_EMPTY;
  std::u16string text_;
  std::vector<uint8_t> bytes_;
};

}  // namespace salvoran

#endif  // SALVORAN_PLATFORM_DAO_OLE_VARIANT_H_
