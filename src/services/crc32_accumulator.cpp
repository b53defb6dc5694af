#include "services/crc32_accumulator.h"

#include "platform/crc32.h"

namespace upvane {

uint32_t Crc32Accumulator::Update(const void* data, size_t length) {
  if (!data) {
    m_value = 0xFFFFFFFFu;
    return 0;
  }
  const uint32_t crc = Crc32Update(~m_value, data, length);
  m_value = ~crc;
  return crc;
}

}  // namespace upvane
