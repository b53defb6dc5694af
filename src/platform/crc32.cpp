#include "platform/crc32.h"

#include <zlib.h>

namespace upvane {

uint32_t Crc32Update(uint32_t crc, const void* data, size_t len) {
  if (!data || len == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), len));
}

}  // namespace upvane
