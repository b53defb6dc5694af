#pragma once
// CRC-32 (IEEE 802.3, reflected, as zlib) over zlib's fast implementation.
#include <cstddef>
#include <cstdint>

namespace upvane {

// Continues a finished CRC-32 value `crc` (0 to start) over `len` bytes.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t len);

}  // namespace upvane
