// RC4, which Jet 4 uses to mask part of the database definition page. The
// same call masks and unmasks.
#ifndef SALVORAN_PLATFORM_DAO_JET_RC4_H_
#define SALVORAN_PLATFORM_DAO_JET_RC4_H_

#include <cstdint>
#include <span>

namespace salvoran::jet {

// XORs `data` in place with the RC4 keystream of `key` (key must not be empty).
void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_RC4_H_
