#include "platform/dao/jet_text.h"

#include <cstddef>

namespace salvoran::jet {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Number of continuation bytes a lead byte announces, or -1 for a byte that
// cannot start a sequence.
int ContinuationCount(uint8_t lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// The General Legacy codes of the characters catalog names may hold.
constexpr uint8_t kDigitCodes[10] = {0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42, 0x44, 0x46, 0x48};
constexpr uint8_t kLetterCodes[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                      0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                      0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};

bool IsSortableCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c == u'_' || c == u' ';
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  // Most recovered text is ASCII: copy runs of it in one go.
  while (i < utf8.size() && static_cast<uint8_t>(utf8[i]) < 0x80) ++i;
  out.resize(i);
  for (size_t k = 0; k < i; ++k) out[k] = static_cast<char16_t>(utf8[k]);
  while (i < utf8.size()) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    const int extra = ContinuationCount(lead);
    if (extra == 0) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // A sequence is well-formed when all its bytes are present, each
    // continuation byte is 10xxxxxx, and the code point is neither overlong,
    // a surrogate nor above U+10FFFF.
    bool wellFormed = extra > 0 && static_cast<size_t>(extra) < utf8.size() - i;
    uint32_t cp = 0;
    if (wellFormed) {
      cp = lead & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
          wellFormed = false;
          break;
        }
        cp = (cp << 6) | (b & 0x3F);
      }
    }
    if (wellFormed) {
      const uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
      wellFormed = cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    }
    if (wellFormed) {
      AppendCodePoint(out, cp);
      i += static_cast<size_t>(extra) + 1;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    uint32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::vector<uint8_t> EncodeText(std::u16string_view text, bool mayCompress) {
  std::vector<uint8_t> out;
  EncodeTextInto(text, mayCompress, out);
  return out;
}

void EncodeTextInto(std::u16string_view text, bool mayCompress, std::vector<uint8_t>& out) {
  bool compress = mayCompress && text.size() > 2;
  for (size_t i = 0; compress && i < text.size(); ++i) {
    compress = text[i] >= 0x0001 && text[i] <= 0x00FF;
  }
  if (compress) {
    out.resize(text.size() + 2);
    out[0] = 0xFF;
    out[1] = 0xFE;
    for (size_t i = 0; i < text.size(); ++i) out[i + 2] = static_cast<uint8_t>(text[i]);
  } else {
    out.resize(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
      out[2 * i] = static_cast<uint8_t>(text[i]);
      out[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
  }
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsCatalogSortableName(std::u16string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == u' ' || name.back() == u' ') return false;
  for (char16_t c : name) {
    if (!IsSortableCharacter(c)) return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> CatalogTextKey(std::u16string_view text) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  std::vector<uint8_t> key{0x7F};
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      key.push_back(kDigitCodes[c - u'0']);
    } else if (c >= u'A' && c <= u'Z') {
      key.push_back(kLetterCodes[c - u'A']);
    } else if (c >= u'a' && c <= u'z') {
      key.push_back(kLetterCodes[c - u'a']);
    } else if (c == u'_') {
      key.push_back(0x2B);
      key.push_back(0x03);
    } else if (c == u' ') {
      key.push_back(0x07);
    } else {
      return std::nullopt;
    }
  }
  key.push_back(0x01);
  key.push_back(0x00);
  return key;
}

}  // namespace salvoran::jet
