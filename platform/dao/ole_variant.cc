#include "platform/dao/ole_variant.h"

#include <utility>

#include "platform/dao/jet_text.h"

namespace salvoran {

COleVariant::COleVariant(std::string_view utf8Text) : type_(VT_BSTR), text_(jet::Utf8ToUtf16(utf8Text)) {}

COleVariant::COleVariant(std::u16string text) : type_(VT_BSTR), text_(std::move(text)) {}

COleVariant::COleVariant(const uint8_t* bytes, size_t count)
    : type_(VT_ARRAY | VT_UI1), bytes_(bytes, bytes + count) {}

COleVariant::COleVariant(std::vector<uint8_t> bytes) : type_(VT_ARRAY | VT_UI1), bytes_(std::move(bytes)) {}

COleVariant COleVariant::Null() {
  COleVariant variant;
  variant.type_ = VT_NULL;
  return variant;
}

void COleVariant::Clear() {
  type_ = VT_EMPTY;
  text_.clear();
  text_.shrink_to_fit();
  bytes_.clear();
  bytes_.shrink_to_fit();
}

}  // namespace salvoran
