#include "platform/dao/jet_value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

constexpr size_t kQuotedValueLimit = 40;
// OLE dates of 100-01-01 and 9999-12-31 23:59:59.
constexpr double kFirstOleDate = -657434.0;
constexpr double kLastOleDate = 2958465.99999;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The text as ASCII, or nothing when it holds any other character (numbers,
// dates and the yes/no words are ASCII).
std::optional<std::string> AsAscii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::string Quoted(std::u16string_view text) {
  std::string shown = Utf16ToUtf8(text.substr(0, kQuotedValueLimit));
  if (text.size() > kQuotedValueLimit) shown += "...";
  return "'" + shown + "'";
}

std::string FieldName(const ColumnDef& column) { return "'" + Utf16ToUtf8(column.name) + "'"; }

JetError ConversionError(const ColumnDef& column, std::u16string_view text) {
  return {errors::kConversion, "Data type conversion error. The value " + Quoted(text) +
                                   " cannot be stored in the " + TypeDisplayName(column) + " field " +
                                   FieldName(column) + "."};
}

JetError OverflowError(const ColumnDef& column, std::u16string_view text) {
  return {errors::kNumericOverflow, "Numeric field overflow. The value " + Quoted(text) +
                                        " is out of the range of the " + TypeDisplayName(column) +
                                        " field " + FieldName(column) + "."};
}

JetError TooSmallError(const ColumnDef& column, size_t have, size_t allowed, const char* unit) {
  return {errors::kFieldTooSmall,
          "The field is too small to accept the amount of data you attempted to add. Try inserting or "
          "pasting less data. Field " + FieldName(column) + " holds " + std::to_string(allowed) + " " + unit +
              ", the value has " + std::to_string(have) + "."};
}

bool IsNumberCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

enum class NumberParse { Ok, NotANumber, Overflow };

// A decimal number in the C locale; "+" allowed in front, no "inf" or "nan".
NumberParse ParseDouble(const std::string& ascii, double& value) {
  std::string_view s = ascii;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return NumberParse::NotANumber;
  for (char c : s) {
    if (!IsNumberCharacter(c)) return NumberParse::NotANumber;
  }
  bool hasDigit = false;
  for (char c : s) {
    if (c == 'e' || c == 'E') break;
    hasDigit = hasDigit || (c >= '0' && c <= '9');
  }
  if (!hasDigit) return NumberParse::NotANumber;
  const auto [end, status] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (end != s.data() + s.size()) return NumberParse::NotANumber;
  if (status == std::errc::result_out_of_range) {
    // Too large overflows; too small is zero.
    const size_t e = s.find_first_of("eE");
    const bool negativeExponent = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
    if (negativeExponent) {
      value = s.front() == '-' ? -0.0 : 0.0;
      return NumberParse::Ok;
    }
    return NumberParse::Overflow;
  }
  if (status != std::errc() || !std::isfinite(value)) return NumberParse::NotANumber;
  return NumberParse::Ok;
}

double RoundHalfToEven(double v) {
  const double floor = std::floor(v);
  const double diff = v - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

JetStatus ConvertInteger(const ColumnDef& column, std::u16string_view text, int64_t low, int64_t high,
                         FieldValue& out) {
  const std::optional<std::string> ascii = AsAscii(Trim(text));
  double value = 0;
  const NumberParse parsed = ascii ? ParseDouble(*ascii, value) : NumberParse::NotANumber;
  if (parsed == NumberParse::NotANumber) return ConversionError(column, text);
  const double rounded = RoundHalfToEven(value);
  if (parsed == NumberParse::Overflow || rounded < static_cast<double>(low) || rounded > static_cast<double>(high)) {
    return OverflowError(column, text);
  }
  out = static_cast<int64_t>(rounded);
  return std::nullopt;
}

// MONEY: the decimal text scaled by 10,000 exactly, rounded half to even at
// the fourth decimal place. Digits are kept as text so that no binary
// rounding creeps in.
NumberParse ParseCurrency(const std::string& ascii, int64_t& scaled) {
  std::string_view s = ascii;
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::string digits;
  int64_t exponent = 0;
  bool seenPoint = false;
  bool seenDigit = false;
  size_t i = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      seenDigit = true;
      if (!(digits.empty() && c == '0')) digits.push_back(c);
      if (seenPoint) --exponent;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return NumberParse::NotANumber;
  if (i < s.size()) {
    if (s[i] != 'e' && s[i] != 'E') return NumberParse::NotANumber;
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    if (i == s.size()) return NumberParse::NotANumber;
    int64_t e = 0;
    for (; i < s.size(); ++i) {
      if (s[i] < '0' || s[i] > '9') return NumberParse::NotANumber;
      e = std::min<int64_t>(e * 10 + (s[i] - '0'), 100000);  // far beyond any currency range
    }
    exponent += negativeExponent ? -e : e;
  }
  // Leading zeros after the point were dropped from digits but counted in
  // the exponent, so value = digits x 10^exponent.
  const int64_t shift = exponent + 4;
  std::string integral = digits;
  std::string dropped;
  if (shift >= 0) {
    if (digits.empty()) {
      scaled = 0;
      return NumberParse::Ok;
    }
    if (shift > 19) return NumberParse::Overflow;
    integral.append(static_cast<size_t>(shift), '0');
  } else if (static_cast<int64_t>(digits.size()) + shift > 0) {
    const auto keep = static_cast<size_t>(static_cast<int64_t>(digits.size()) + shift);
    integral = digits.substr(0, keep);
    dropped = digits.substr(keep);
  } else {
    integral.clear();
    const auto zeros = static_cast<size_t>(std::min<int64_t>(-(static_cast<int64_t>(digits.size()) + shift), 2));
    dropped = std::string(zeros, '0') + digits;  // only its first digits matter
  }
  if (integral.size() > 19) return NumberParse::Overflow;
  uint64_t magnitude = 0;
  for (char c : integral) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
  if (integral.size() == 19 && integral > "9223372036854775808") return NumberParse::Overflow;
  if (!dropped.empty()) {
    const bool above = dropped[0] > '5' || (dropped[0] == '5' && dropped.find_first_not_of('0', 1) != std::string::npos);
    const bool half = dropped[0] == '5' && !above;
    if (above || (half && magnitude % 2 == 1)) ++magnitude;
  }
  const uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
  if (magnitude > limit) return NumberParse::Overflow;
  scaled = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return NumberParse::Ok;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int64_t y, int64_t m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads 1 to maxDigits digits at s[i]; advances i.
bool ReadNumber(std::string_view s, size_t& i, size_t minDigits, size_t maxDigits, int64_t& value) {
  value = 0;
  size_t n = 0;
  while (i < s.size() && n < maxDigits && s[i] >= '0' && s[i] <= '9') {
    value = value * 10 + (s[i] - '0');
    ++i;
    ++n;
  }
  return n >= minDigits;
}

// HH:MM[:SS[.fff]] from s[i] to the end (or a final "Z"); seconds of the day.
bool ReadTime(std::string_view s, size_t i, double& seconds) {
  int64_t h = 0;
  int64_t m = 0;
  int64_t sec = 0;
  double fraction = 0;
  if (!ReadNumber(s, i, 1, 2, h) || i >= s.size() || s[i++] != ':' || !ReadNumber(s, i, 2, 2, m)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!ReadNumber(s, i, 2, 2, sec)) return false;
    if (i < s.size() && s[i] == '.') {
      ++i;
      double scale = 0.1;
      size_t n = 0;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        fraction += (s[i] - '0') * scale;
        scale /= 10;
        ++i;
        ++n;
      }
      if (n == 0) return false;
    }
  }
  if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) ++i;
  if (i != s.size() || h > 23 || m > 59 || sec > 59) return false;
  seconds = static_cast<double>(h * 3600 + m * 60 + sec) + fraction;
  return true;
}

}  // namespace

bool ParseOleDate(std::u16string_view text, double& oleDate) {
  const std::optional<std::string> ascii = AsAscii(Trim(text));
  if (!ascii || ascii->empty()) return false;
  const std::string_view s = *ascii;

  double days = 0;
  if (ParseDouble(*ascii, days) == NumberParse::Ok) {
    if (days < kFirstOleDate || days > kLastOleDate) return false;
    oleDate = days;
    return true;
  }

  size_t i = 0;
  int64_t y = 0;
  int64_t m = 0;
  int64_t d = 0;
  double seconds = 0;
  const size_t firstColon = s.find(':');
  const size_t firstDash = s.find_first_of("-/");
  if (firstColon != std::string_view::npos && (firstDash == std::string_view::npos || firstColon < firstDash)) {
    // A time of day alone lies on day 0, 1899-12-30.
    if (!ReadTime(s, 0, seconds)) return false;
    oleDate = seconds / 86400.0;
    return true;
  }
  if (!ReadNumber(s, i, 4, 4, y) || i >= s.size()) return false;
  const char separator = s[i];
  if (separator != '-' && separator != '/') return false;
  ++i;
  if (!ReadNumber(s, i, 1, 2, m) || i >= s.size() || s[i++] != separator || !ReadNumber(s, i, 1, 2, d)) {
    return false;
  }
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  if (i < s.size()) {
    if (s[i] != ' ' && s[i] != 'T' && s[i] != 't') return false;
    ++i;
    while (i < s.size() && s[i] == ' ') ++i;
    if (!ReadTime(s, i, seconds)) return false;
  }
  const auto wholeDays = static_cast<double>(DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30));
  const double fraction = seconds / 86400.0;
  // Before 1899-12-30 the time is added in absolute value: -1.25 is
  // 1899-12-29 06:00.
  oleDate = wholeDays >= 0 ? wholeDays + fraction : wholeDays - fraction;
  return true;
}

bool ParseBoolean(std::u16string_view text, bool& value) {
  const std::optional<std::string> ascii = AsAscii(Trim(text));
  if (!ascii) return false;
  std::string lower = *ascii;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (lower == "true" || lower == "yes" || lower == "on") {
    value = true;
    return true;
  }
  if (lower == "false" || lower == "no" || lower == "off") {
    value = false;
    return true;
  }
  double number = 0;
  if (ParseDouble(lower, number) == NumberParse::Ok) {
    value = number != 0.0;
    return true;
  }
  return false;
}

std::string TypeDisplayName(const ColumnDef& column) {
  switch (column.type) {
    case ColumnType::Bool: return "Yes/No";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Int: return "Integer";
    case ColumnType::Long: return (column.flags & kColumnAutoNumber) ? "AutoNumber" : "Long Integer";
    case ColumnType::Money: return "Currency";
    case ColumnType::Float: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "Date/Time";
    case ColumnType::Binary: return "Binary";
    case ColumnType::Text: return "Text";
    case ColumnType::Ole: return "OLE Object";
    case ColumnType::Memo: return (column.flags & kColumnHyperlink) ? "Hyperlink" : "Memo";
  }
  return "unknown";
}

JetStatus ConvertText(const ColumnDef& column, std::u16string_view text, FieldValue& out) {
  switch (column.type) {
    case ColumnType::Byte: return ConvertInteger(column, text, 0, 255, out);
    case ColumnType::Int: return ConvertInteger(column, text, -32768, 32767, out);
    case ColumnType::Long:
      return ConvertInteger(column, text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                            out);
    case ColumnType::Money: {
      const std::optional<std::string> ascii = AsAscii(Trim(text));
      int64_t scaled = 0;
      const NumberParse parsed = ascii ? ParseCurrency(*ascii, scaled) : NumberParse::NotANumber;
      if (parsed == NumberParse::NotANumber) return ConversionError(column, text);
      if (parsed == NumberParse::Overflow) return OverflowError(column, text);
      out = scaled;
      return std::nullopt;
    }
    case ColumnType::Float:
    case ColumnType::Double: {
      const std::optional<std::string> ascii = AsAscii(Trim(text));
      double value = 0;
      const NumberParse parsed = ascii ? ParseDouble(*ascii, value) : NumberParse::NotANumber;
      if (parsed == NumberParse::NotANumber) return ConversionError(column, text);
      if (parsed == NumberParse::Overflow ||
          (column.type == ColumnType::Float && std::fabs(value) > std::numeric_limits<float>::max())) {
        return OverflowError(column, text);
      }
      out = value;
      return std::nullopt;
    }
    case ColumnType::DateTime: {
      double date = 0;
      if (!ParseOleDate(text, date)) return ConversionError(column, text);
      out = date;
      return std::nullopt;
    }
    case ColumnType::Bool: {
      bool value = false;
      if (!ParseBoolean(text, value)) return ConversionError(column, text);
      out = value;
      return std::nullopt;
    }
    case ColumnType::Text:
      if (text.size() > column.length / 2u) return TooSmallError(column, text.size(), column.length / 2u, "characters");
      out = std::u16string(text);
      return std::nullopt;
    case ColumnType::Memo:
      if (text.size() > kMaxLongValueLength / 2) return TooSmallError(column, text.size(), kMaxLongValueLength / 2, "characters");
      out = std::u16string(text);
      return std::nullopt;
    case ColumnType::Binary:
    case ColumnType::Ole:
      return ConvertBytes(column, EncodeText(text, false), out);
  }
  return ConversionError(column, text);
}

JetStatus ConvertBytes(const ColumnDef& column, std::vector<uint8_t> bytes, FieldValue& out) {
  switch (column.type) {
    case ColumnType::Binary:
      if (bytes.size() > column.length) return TooSmallError(column, bytes.size(), column.length, "bytes");
      out = std::move(bytes);
      return std::nullopt;
    case ColumnType::Ole:
      if (bytes.size() > kMaxLongValueLength) return TooSmallError(column, bytes.size(), kMaxLongValueLength, "bytes");
      out = std::move(bytes);
      return std::nullopt;
    case ColumnType::Text:
    case ColumnType::Memo: {
      std::u16string text;
      text.reserve((bytes.size() + 1) / 2);
      for (size_t i = 0; i < bytes.size(); i += 2) {
        const uint16_t high = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        text.push_back(static_cast<char16_t>(bytes[i] | (high << 8)));
      }
      return ConvertText(column, text, out);
    }
    default:
      return JetError{errors::kConversion, "Data type conversion error. A byte array of " +
                                               std::to_string(bytes.size()) + " bytes cannot be stored in the " +
                                               TypeDisplayName(column) + " field " + FieldName(column) + "."};
  }
}

}  // namespace salvoran::jet
