#pragma once
// Positioned reads from a file for the parsers of this folder, plus the
// little-endian field readers they share. Every read states how much it got.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace upvane {

class BinaryFile {
 public:
  bool Open(const std::string& path);
  bool IsOpen() const { return m_file.is_open(); }
  uint64_t Size() const { return m_size; }
  // Reads up to `length` bytes at `offset`; returns the number read.
  size_t ReadAt(uint64_t offset, void* buffer, size_t length);
  // True only when all `length` bytes were read.
  bool ReadExactAt(uint64_t offset, void* buffer, size_t length) {
    return ReadAt(offset, buffer, length) == length;
  }

 private:
  std::ifstream m_file;
  uint64_t m_size = 0;
};

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLe64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
// A NUL-terminated text in a fixed field: up to the NUL or the field's end.
inline std::string FieldText(const uint8_t* p, size_t size) {
  size_t n = 0;
  while (n < size && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace upvane
