#pragma once
#include <cstddef>
#include <cstdint>

namespace upvane {

// Running CRC-32 (reflected, polynomial 0xEDB88320). Update(nullptr, 0)
// resets it and returns 0; every other call returns the CRC of all bytes
// passed since the reset.
class Crc32Accumulator {
 public:
  uint32_t Update(const void* data, size_t length);

 private:
  uint32_t m_value = 0xFFFFFFFFu;  // the running (not complemented) value
};

}  // namespace upvane
