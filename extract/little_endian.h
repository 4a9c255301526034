// The archive's records store their fields little-endian, whatever the host; these read them
// from raw bytes.
#pragma once

#include <cstdint>

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Load32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t Load64(const uint8_t* p) { return Load32(p) | (uint64_t(Load32(p + 4)) << 32); }
