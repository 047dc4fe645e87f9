// Text as the Jet 4 format stores it: UTF-16LE ("UCS-2") values, the
// one-byte-per-character "Unicode compression", case-insensitive name
// comparison, and the General Legacy sort keys of catalog names.
#ifndef SALVORAN_PLATFORM_DAO_JET_TEXT_H_
#define SALVORAN_PLATFORM_DAO_JET_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace salvoran::jet {

// Decodes UTF-8; every byte that does not start a well-formed sequence
// (overlong forms, surrogates and code points above U+10FFFF included)
// becomes U+FFFD, so damaged recovered text never stops a row.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Encodes UTF-16; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// The stored bytes of a text value. With `mayCompress` (the column has the
// compression flag) a value of more than two characters, all in
// U+0001..U+00FF, is written compressed (FF FE, then one byte per character);
// anything else is plain UTF-16LE.
std::vector<uint8_t> EncodeText(std::u16string_view text, bool mayCompress);
// The same, into `out` (replacing its contents, keeping its capacity).
void EncodeTextInto(std::u16string_view text, bool mayCompress, std::vector<uint8_t>& out);

// Name comparison as Jet does it for table and field names: ASCII letters
// ignore case, every other code unit must match exactly.
bool NamesEqual(std::u16string_view a, std::u16string_view b);

// True when every character of the name is a Latin letter, a digit, "_" or a
// blank, it neither starts nor ends with a blank, and it has 1 to 64
// characters. Only such names get a correct catalog index key without Jet's
// full collation table.
bool IsCatalogSortableName(std::u16string_view name);

// The General Legacy (LCID 1033, version 0) index key of a text value made of
// the characters IsCatalogSortableName allows: 7F, one or two codes per
// character, 01, 00. Trailing blanks are dropped first, and letters of either
// case give the same codes. Returns nothing for any other character.
std::optional<std::vector<uint8_t>> CatalogTextKey(std::u16string_view text);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_TEXT_H_
