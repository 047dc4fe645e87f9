// sqlite_mprintf: printf into a string from malloc, with the SQL quoting
// conversions %q and %Q and the freeing %z.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sqlite2/sqlite.h"

namespace {

// One conversion of the format, as read from its text.
struct Conversion {
  std::string flags;
  int width = -1;  // -1: none
  int precision = -1;
  std::string length;  // "", "h", "l" or "ll"
  char type = 0;
};

// The C format text of a conversion, its width and precision written out.
std::string CFormatOf(const Conversion& c, const char* length, char type) {
  std::string format = "%" + c.flags;
  if (c.width >= 0) format += std::to_string(c.width);
  if (c.precision >= 0) format += "." + std::to_string(c.precision);
  format += length;
  format.push_back(type);
  return format;
}

template <typename T>
void AppendC(std::string& out, const std::string& format, T value) {
  char small[128];
  const int needed = std::snprintf(small, sizeof small, format.c_str(), value);
  if (needed < 0) return;
  if (static_cast<size_t>(needed) < sizeof small) {
    out.append(small, static_cast<size_t>(needed));
    return;
  }
  std::string large(static_cast<size_t>(needed) + 1, '\0');
  std::snprintf(large.data(), large.size(), format.c_str(), value);
  out.append(large.data(), static_cast<size_t>(needed));
}

// Appends text with the conversion's precision (cut) and width (padding).
void AppendPadded(std::string& out, const Conversion& c, std::string text) {
  if (c.precision >= 0 && static_cast<size_t>(c.precision) < text.size()) {
    text.resize(static_cast<size_t>(c.precision));
  }
  const bool left = c.flags.find('-') != std::string::npos;
  const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
  if (!left && text.size() < width) out.append(width - text.size(), ' ');
  out += text;
  if (left && text.size() < width) out.append(width - text.size(), ' ');
}

std::string QuoteEscaped(const char* text, bool surround) {
  if (text == nullptr) return surround ? "NULL" : "(NULL)";
  std::string escaped;
  if (surround) escaped.push_back('\'');
  for (const char* p = text; *p; ++p) {
    escaped.push_back(*p);
    if (*p == '\'') escaped.push_back('\'');
  }
  if (surround) escaped.push_back('\'');
  return escaped;
}

int ReadNumber(const char*& p) {
  int value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value < 100000) value = value * 10 + (*p - '0');
    ++p;
  }
  return value;
}

// Reads the conversion after a "%"; its arguments "*" are taken from args.
Conversion ReadConversion(const char*& p, va_list& args) {
  Conversion c;
  while (*p && std::strchr("-+ #0", *p)) c.flags.push_back(*p++);
  if (*p == '*') {
    ++p;
    c.width = va_arg(args, int);
    if (c.width < 0) {
      c.flags.push_back('-');
      c.width = c.width == -2147483647 - 1 ? 0 : -c.width;
    }
  } else if (*p >= '0' && *p <= '9') {
    c.width = ReadNumber(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      ++p;
      c.precision = va_arg(args, int);
      if (c.precision < 0) c.precision = -1;
    } else {
      c.precision = ReadNumber(p);
    }
  }
  while (*p == 'h' || *p == 'l') c.length.push_back(*p++);
  c.type = *p;
  if (*p) ++p;
  return c;
}

void AppendInteger(std::string& out, const Conversion& c, va_list& args) {
  const bool isSigned = c.type == 'd' || c.type == 'i';
  if (c.length == "ll") {
    if (isSigned) AppendC(out, CFormatOf(c, "ll", c.type), va_arg(args, long long));
    else AppendC(out, CFormatOf(c, "ll", c.type), va_arg(args, unsigned long long));
  } else if (c.length == "l") {
    if (isSigned) AppendC(out, CFormatOf(c, "l", c.type), va_arg(args, long));
    else AppendC(out, CFormatOf(c, "l", c.type), va_arg(args, unsigned long));
  } else {
    if (isSigned) AppendC(out, CFormatOf(c, "", c.type), va_arg(args, int));
    else AppendC(out, CFormatOf(c, "", c.type), va_arg(args, unsigned int));
  }
}

}  // namespace

extern "C" char* sqlite_vmprintf(const char* format, va_list args) {
  if (format == nullptr) return nullptr;
  std::string out;
  va_list ap;
  va_copy(ap, args);
  for (const char* p = format; *p;) {
    if (*p != '%') {
      out.push_back(*p++);
      continue;
    }
    const char* start = p++;
    const Conversion c = ReadConversion(p, ap);
    switch (c.type) {
      case '%':
        out.push_back('%');
        break;
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        AppendInteger(out, c, ap);
        break;
      case 'c':
        AppendC(out, CFormatOf(c, "", 'c'), va_arg(ap, int));
        break;
      case 'f':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        AppendC(out, CFormatOf(c, "", c.type), va_arg(ap, double));
        break;
      case 'p':
        AppendC(out, CFormatOf(c, "", 'p'), va_arg(ap, void*));
        break;
      case 's':
      case 'z': {
        char* text = va_arg(ap, char*);
        AppendPadded(out, c, text ? std::string(text) : std::string());
        if (c.type == 'z') std::free(text);
        break;
      }
      case 'q':
      case 'Q':
        AppendPadded(out, c, QuoteEscaped(va_arg(ap, const char*), c.type == 'Q'));
        break;
      default:
        // Not a conversion: keep the text as written.
        out.append(start, static_cast<size_t>(p - start));
        break;
    }
  }
  va_end(ap);
  char* result = static_cast<char*>(std::malloc(out.size() + 1));
  if (result == nullptr) return nullptr;
  std::memcpy(result, out.data(), out.size());
  result[out.size()] = '\0';
  return result;
}

extern "C" char* sqlite_mprintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* result = sqlite_vmprintf(format, args);
  va_end(args);
  return result;
}

extern "C" void sqlite_freemem(void* p) { std::free(p); }
