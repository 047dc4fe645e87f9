// Page 0 of a Jet 4 file: the database definition page.
//
// We write the constants a Jet-created empty database holds: Jet version 1
// (Jet 4), code page 1252, sort order 1033 "General" (legacy), no page
// encryption, no password. The creation date at 0x72, the field at 0x6A and
// the user and group identifiers the catalog rows carry (jet_system_tables)
// belong together as one set taken from the same Jet-created file, so the
// header date is that file's date, not today's; the real creation time goes
// into the catalog rows.
#ifndef SALVORAN_PLATFORM_DAO_JET_HEADER_PAGE_H_
#define SALVORAN_PLATFORM_DAO_JET_HEADER_PAGE_H_

#include <cstdint>

#include "platform/dao/jet_page.h"

namespace salvoran::jet {

// The header's creation date (2017-04-25 11:33:57 as an OLE date).
constexpr uint64_t kHeaderCreationDateBits = 0x40E4EC4F6BD4AF81ull;

// Offset and length of the RC4-masked region, and its key.
constexpr size_t kMaskedRegionStart = 0x18;
constexpr size_t kMaskedRegionLength = 128;
constexpr std::array<uint8_t, 4> kHeaderMaskKey{0xC7, 0xDA, 0x39, 0x6B};

Page BuildHeaderPage();

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_HEADER_PAGE_H_
