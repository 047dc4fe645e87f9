#include "platform/sqlite2/index_key.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace salvoran::sqlite2 {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal magnitude of a number text: the power of ten of its first non-zero
// digit, or nullopt when every digit is zero. Used only to tell an overflow
// from an underflow when the conversion reports the value out of range.
std::optional<long> DecimalMagnitude(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  long position = 0;  // digits before the decimal point seen so far
  std::optional<long> firstNonZero;
  bool fraction = false;
  long fractionDigits = 0;
  for (; i < text.size() && (IsDigit(text[i]) || text[i] == '.'); ++i) {
    if (text[i] == '.') {
      fraction = true;
      continue;
    }
    if (fraction) ++fractionDigits;
    else ++position;
    if (text[i] != '0' && !firstNonZero) firstNonZero = fraction ? -fractionDigits : position;
  }
  if (!firstNonZero) return std::nullopt;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  // A digit at integer position p (counted from 1) is worth 10^(position - p).
  long magnitude = *firstNonZero > 0 ? position - *firstNonZero : *firstNonZero;
  return magnitude + exponent;
}

constexpr char kSortableDigits[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz|~";

}  // namespace

bool IsNumberText(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == digitsStart) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    const size_t fractionStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == fractionStart) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t exponentStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == exponentStart) return false;
  }
  return i == text.size();
}

double NumberTextToDouble(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  const bool negative = !digits.empty() && digits.front() == '-';
  double value = 0.0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    const std::optional<long> magnitude = DecimalMagnitude(text);
    value = magnitude && *magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) value = -value;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return value;
}

std::string SortableNumber(double value) {
  std::string out;
  double r = value;
  const bool negative = r < 0;
  out.push_back(negative ? '-' : '0');
  if (negative) r = -r;
  int exponent = 0;
  if (r == 0) {
    exponent = -1024;
  } else {
    // Scale by powers of 64 (exact) into [1/128, 1/2); the bounds stop an
    // infinity from looping.
    while (r >= 0.5 && exponent <= 1024) {
      r /= 64.0;
      ++exponent;
    }
    while (r < 1.0 / 128.0 && exponent >= -1024) {
      r *= 64.0;
      --exponent;
    }
  }
  if (negative) {
    exponent = -exponent;
    r = -r;
  }
  int biased = exponent + 1024;
  r += 0.5;
  if (biased >= 2048 || r >= 1.0) {
    out.append(12, '~');
    return out;
  }
  if (biased < 0) biased = 0;
  out.push_back(kSortableDigits[(biased >> 6) & 63]);
  out.push_back(kSortableDigits[biased & 63]);
  for (int i = 0; i < 10 && r > 0; ++i) {
    r *= 64.0;
    const int digit = static_cast<int>(r);
    out.push_back(kSortableDigits[digit & 63]);
    r -= digit;
  }
  return out;
}

bool IsTextTypeName(std::string_view typeName) {
  static constexpr std::string_view kWords[] = {"BLOB", "CHAR", "CLOB", "TEXT"};
  for (size_t i = 0; i + 4 <= typeName.size(); ++i) {
    for (std::string_view word : kWords) {
      bool match = true;
      for (size_t k = 0; k < 4 && match; ++k) {
        match = std::toupper(static_cast<unsigned char>(typeName[i + k])) == word[k];
      }
      if (match) return true;
    }
  }
  return false;
}

void AppendIndexField(std::string& key, const std::optional<std::string_view>& value,
                      bool textColumn) {
  if (!value) {
    key.push_back('a');
  } else if (!textColumn && IsNumberText(*value)) {
    key.push_back('b');
    key.append(SortableNumber(NumberTextToDouble(*value)));
  } else {
    key.push_back('c');
    key.append(*value);
  }
  key.push_back('\0');
}

}  // namespace salvoran::sqlite2
