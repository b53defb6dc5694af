#include "packages/gpt_image.h"

#include <algorithm>
#include <cstring>

#include "packages/binary_file.h"
#include "packages/zip_archive_index.h"
#include "platform/files.h"

namespace upvane {

int GptImage::Load(const std::string& zipPath) {
  m_buffer.fill(0);
  m_nBytes = 0;
  m_bLoaded = false;
  if (!FileExists(zipPath)) return 1;
  BinaryFile file;
  if (!file.Open(zipPath)) return 4;
  ZipArchiveIndex index;
  if (int rc = index.Open(zipPath); rc != 0) return rc;
  uint64_t offset = 0, size = 0;
  if (int rc = index.Find("gpt_main.bin", offset, size); rc != 0) return rc;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(size, IMAGE_SIZE));
  const size_t got = file.ReadAt(offset, m_buffer.data(), want);
  if (got < want) return 1;
  m_nBytes = got;
  m_bLoaded = true;
  return 0;
}

void GptImage::LoadBuffer(const uint8_t* data, size_t size) {
  m_buffer.fill(0);
  m_nBytes = std::min(size, IMAGE_SIZE);
  if (m_nBytes) std::memcpy(m_buffer.data(), data, m_nBytes);
  m_bLoaded = true;
}

bool GptImage::FindEntry(const std::string& label, size_t& entryAt) const {
  if (!m_bLoaded || label.empty() || label.size() > 199) return false;
  // Names are up to 36 UTF-16 units; a longer label cannot match.
  if (label.size() > 36) return false;
  uint32_t count = Le32(m_buffer.data() + SECTOR + 80);
  // The buffer holds 128 entries at most, whatever the header claims.
  count = std::min<uint32_t>(count, MAX_ENTRIES);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = ENTRIES_AT + i * ENTRY_SIZE;
    const uint8_t* name = m_buffer.data() + at + 56;
    bool equal = true;
    size_t n = 0;
    for (; n < 36; ++n) {
      const uint16_t unit = Le16(name + 2 * n);
      if (unit == 0) break;
      if (n >= label.size() || unit != static_cast<unsigned char>(label[n])) {
        equal = false;
        break;
      }
    }
    if (equal && n == label.size()) {
      entryAt = at;
      return true;
    }
  }
  return false;
}

bool GptImage::PartitionStart(const std::string& label, uint64_t& offset) const {
  size_t at = 0;
  if (!FindEntry(label, at)) return false;
  offset = Le64(m_buffer.data() + at + 32) * SECTOR;
  return true;
}

bool GptImage::PartitionEnd(const std::string& label, uint64_t& offset) const {
  size_t at = 0;
  if (!FindEntry(label, at)) return false;
  offset = Le64(m_buffer.data() + at + 40) * SECTOR + (SECTOR - 1);
  return true;
}

}  // namespace upvane
