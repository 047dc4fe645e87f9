// Text helpers shared by the parsers, the writers and the frames.
#ifndef SALVORAN_RECOVERY_TEXT_H_
#define SALVORAN_RECOVERY_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "recovery/value.h"

namespace salvoran {

// Decodes UTF-16 code units (little- or big-endian bytes) to UTF-8. Unpaired
// surrogates become U+FFFD. An odd trailing byte is ignored.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
std::string Utf16ToUtf8(std::u16string_view text);
// Encodes UTF-8 as UTF-16 code units; invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Replaces invalid UTF-8 sequences by U+FFFD.
std::string SanitizeUtf8(std::string_view text);
// Text of the file's encoding as UTF-8.
std::string TextToUtf8(std::string_view bytes, TextEncoding encoding);

std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);
bool StartsWithIgnoreCaseAscii(std::string_view text, std::string_view prefix);
std::string TrimWhitespace(std::string_view text);

// The shortest decimal text that reads back to the same double ("0.1",
// "1.5", "1e-300", "-0.0"). Integral values keep a ".0".
std::string FormatReal(double value);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_TEXT_H_
