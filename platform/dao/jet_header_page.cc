#include "platform/dao/jet_header_page.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <span>

#include "platform/dao/jet_bytes.h"
#include "platform/dao/jet_rc4.h"

namespace salvoran::jet {

Page BuildHeaderPage() {
  Page page{};
  PutU32(page, 0x000, 0x00000100);  // page type 0 and magic 01 00
  std::memcpy(page.data() + 0x004, "Standard Jet DB", 15);
  PutU32(page, 0x014, 1);  // Jet 4

  // The masked region, written in plain text first. Offsets are relative to
  // the page, as in the format notes.
  constexpr uint8_t kLeadingConstant[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                            0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                            0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  std::memcpy(page.data() + 0x018, kLeadingConstant, sizeof(kLeadingConstant));
  PutU16(page, 0x03C, 1252);  // default code page
  PutU32(page, 0x03E, 0);     // page encryption key: none
  // An empty password: the 40 password bytes are the mask taken from the
  // whole days of the creation date, repeated.
  const double creation = std::bit_cast<double>(kHeaderCreationDateBits);
  const auto mask = static_cast<uint32_t>(static_cast<int32_t>(std::trunc(creation)));
  for (size_t i = 0; i < 40; i += 4) PutU32(page, 0x042 + i, mask);
  PutU32(page, 0x06A, 0x000011A6);
  PutU16(page, 0x06E, 1033);  // sort order "General"
  page[0x070] = 0;
  page[0x071] = 0;  // sort order version: legacy
  PutU64(page, 0x072, kHeaderCreationDateBits);
  Rc4Apply(kHeaderMaskKey, std::span<uint8_t>(page.data() + kMaskedRegionStart, kMaskedRegionLength));

  PutU32(page, 0x098, 0x00000654);
  std::memcpy(page.data() + 0x09C, "4.0", 4);
  page[0xE00] = 0x01;
  page[0xE01] = 0x01;
  for (size_t i = 0; i < 255; ++i) {
    page[0xE02 + 2 * i] = 0x00;
    page[0xE03 + 2 * i] = 0x01;
  }
  return page;
}

}  // namespace salvoran::jet
