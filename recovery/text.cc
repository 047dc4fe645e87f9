#include "recovery/text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace salvoran {

namespace {

void AppendCodePoint(std::string& out, uint32_t cp) {
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

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid input gives
// U+FFFD and consumes one byte.
uint32_t DecodeUtf8(std::string_view text, size_t& i) {
  auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int length = 0;
  uint32_t cp = 0;
  uint32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + static_cast<size_t>(length) > text.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    uint8_t b = byte(i + static_cast<size_t>(k));
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += static_cast<size_t>(length);
  return cp;
}

template <typename NextUnit>
std::string DecodeUtf16(size_t units, NextUnit unit) {
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendCodePoint(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

}  // namespace

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
  auto unit = [&](size_t i) -> uint32_t {
    auto b0 = static_cast<uint8_t>(bytes[2 * i]);
    auto b1 = static_cast<uint8_t>(bytes[2 * i + 1]);
    return bigEndian ? (uint32_t{b0} << 8 | b1) : (uint32_t{b1} << 8 | b0);
  };
  return DecodeUtf16(bytes.size() / 2, unit);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  return DecodeUtf16(text.size(), [&](size_t i) -> uint32_t { return text[i]; });
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = DecodeUtf8(text, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t start = i;
    uint32_t cp = DecodeUtf8(text, i);
    if (cp == kReplacement && i == start + 1) {
      AppendCodePoint(out, cp);
    } else {
      out.append(text.substr(start, i - start));
    }
  }
  return out;
}

std::string TextToUtf8(std::string_view bytes, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf16le:
      return Utf16BytesToUtf8(bytes, false);
    case TextEncoding::Utf16be:
      return Utf16BytesToUtf8(bytes, true);
    case TextEncoding::Utf8:
      break;
  }
  return SanitizeUtf8(bytes);
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreCaseAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCaseAscii(text.substr(0, prefix.size()), prefix);
}

std::string TrimWhitespace(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || (c >= 8 && c <= 13); };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string FormatReal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  // Keep a real looking like a real: 2 reads as an integer, 2.0 does not.
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
  return text;
}

}  // namespace salvoran
