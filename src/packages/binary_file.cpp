#include "packages/binary_file.h"

#include <filesystem>

namespace upvane {

bool BinaryFile::Open(const std::string& path) {
  if (m_file.is_open()) m_file.close();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return false;
  // Unbuffered: the parsers read small pieces at scattered offsets.
  m_file.rdbuf()->pubsetbuf(nullptr, 0);
  m_file.open(path, std::ios::binary);
  if (!m_file.is_open()) return false;
  m_size = static_cast<uint64_t>(size);
  return true;
}

size_t BinaryFile::ReadAt(uint64_t offset, void* buffer, size_t length) {
  if (!m_file.is_open() || offset >= m_size || length == 0) return 0;
  if (length > m_size - offset) length = static_cast<size_t>(m_size - offset);
  m_file.clear();
  m_file.seekg(static_cast<std::streamoff>(offset));
  if (!m_file) return 0;
  m_file.read(static_cast<char*>(buffer), static_cast<std::streamsize>(length));
  return static_cast<size_t>(m_file.gcount());
}

}  // namespace upvane
