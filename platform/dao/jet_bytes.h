// Little-endian and big-endian integer stores into byte buffers, as the Jet 4
// file format lays them out. Every store is bounds-checked by the caller's
// buffer type: a std::span must be large enough for the offset written.
#ifndef SALVORAN_PLATFORM_DAO_JET_BYTES_H_
#define SALVORAN_PLATFORM_DAO_JET_BYTES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace salvoran::jet {

inline void PutU8(std::span<uint8_t> out, size_t at, uint8_t v) { out[at] = v; }

inline void PutU16(std::span<uint8_t> out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(std::span<uint8_t> out, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutU64(std::span<uint8_t> out, size_t at, uint64_t v) {
  for (size_t i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutF64(std::span<uint8_t> out, size_t at, double v) {
  PutU64(out, at, std::bit_cast<uint64_t>(v));
}

inline uint16_t GetU16(std::span<const uint8_t> in, size_t at) {
  return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

inline uint32_t GetU32(std::span<const uint8_t> in, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
  return v;
}

inline void AppendU8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }

inline void AppendU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void AppendU32BigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}

inline void AppendBytes(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_BYTES_H_
