#include "packages/zip_archive_index.h"

#include <algorithm>

namespace upvane {

namespace {

constexpr uint32_t END_SIGNATURE = 0x06054B50;
constexpr uint32_t ZIP64_LOCATOR_SIGNATURE = 0x07064B50;
constexpr uint32_t ZIP64_END_SIGNATURE = 0x06064B50;
constexpr uint32_t CENTRAL_SIGNATURE = 0x02014B50;
constexpr uint32_t LOCAL_SIGNATURE = 0x04034B50;
constexpr uint16_t ZIP64_TAG = 0x0001;
constexpr size_t END_SIZE = 22, LOCATOR_SIZE = 20, ZIP64_END_SIZE = 56, CENTRAL_SIZE = 46, LOCAL_SIZE = 30;

// Reads through a sliding window so that a directory of many small headers
// costs a few large reads instead of one per field.
class WindowReader {
 public:
  WindowReader(BinaryFile& file, size_t window) : m_file(file), m_window(window) {}
  // Pointer to `length` bytes at `offset`, or null when the file ends first.
  const uint8_t* Need(uint64_t offset, size_t length) {
    if (length > m_file.Size() || offset > m_file.Size() - length) return nullptr;
    if (offset < m_start || offset + length > m_start + m_buffer.size()) {
      m_buffer.resize(std::max(length, m_window));
      m_start = offset;
      const size_t got = m_file.ReadAt(offset, m_buffer.data(), m_buffer.size());
      m_buffer.resize(got);
      if (got < length) return nullptr;
    }
    return m_buffer.data() + (offset - m_start);
  }

 private:
  BinaryFile& m_file;
  size_t m_window;
  uint64_t m_start = 0;
  std::vector<uint8_t> m_buffer;
};

}  // namespace

int ZipArchiveIndex::Open(const std::string& archivePath) {
  Close();
  m_strArchivePath = archivePath;
  BinaryFile file;
  if (!file.Open(archivePath)) return 1;
  const uint64_t fileSize = file.Size();
  if (!ReadEndRecords(file, fileSize)) return 1;
  if (!ReadCentralDirectory(file, fileSize)) return 1;
  if (!ReadLocalHeaders(file, fileSize)) return 1;
  return 0;
}

bool ZipArchiveIndex::ReadEndRecords(BinaryFile& file, uint64_t fileSize) {
  m_endRecord = {};
  m_zip64Locator = {};
  m_zip64EndRecord = {};
  m_bHasZip64 = false;
  uint8_t end[END_SIZE];
  // The record must close the file: an archive comment is not accepted.
  if (fileSize < END_SIZE || !file.ReadExactAt(fileSize - END_SIZE, end, END_SIZE)) return false;
  m_endRecord.signature = Le32(end);
  if (m_endRecord.signature != END_SIGNATURE) return false;
  m_endRecord.diskNumber = Le16(end + 4);
  m_endRecord.directoryDisk = Le16(end + 6);
  m_endRecord.entriesOnDisk = Le16(end + 8);
  m_endRecord.totalEntries = Le16(end + 10);
  m_endRecord.directorySize = Le32(end + 12);
  m_endRecord.directoryOffset = Le32(end + 16);
  m_endRecord.commentLength = Le16(end + 20);
  if (m_endRecord.commentLength != 0) return false;

  // Beyond 4 GiB the ZIP64 records are required; below, they are used when
  // the 32-bit record says its fields overflowed and a locator is present.
  const bool large = fileSize > 0xFFFFFFFFull;
  const bool saturated = m_endRecord.totalEntries == 0xFFFF || m_endRecord.directoryOffset == 0xFFFFFFFFu ||
                         m_endRecord.directorySize == 0xFFFFFFFFu;
  if (!large && !saturated) return true;
  uint8_t locator[LOCATOR_SIZE];
  if (fileSize < END_SIZE + LOCATOR_SIZE ||
      !file.ReadExactAt(fileSize - END_SIZE - LOCATOR_SIZE, locator, LOCATOR_SIZE))
    return false;
  m_zip64Locator.signature = Le32(locator);
  if (m_zip64Locator.signature != ZIP64_LOCATOR_SIGNATURE) return !large;
  m_zip64Locator.disk = Le32(locator + 4);
  m_zip64Locator.recordOffset = Le64(locator + 8);
  m_zip64Locator.diskCount = Le32(locator + 16);
  uint8_t record[ZIP64_END_SIZE];
  if (!file.ReadExactAt(m_zip64Locator.recordOffset, record, ZIP64_END_SIZE)) return false;
  m_zip64EndRecord.signature = Le32(record);
  if (m_zip64EndRecord.signature != ZIP64_END_SIGNATURE) return false;
  m_zip64EndRecord.recordSize = Le64(record + 4);
  m_zip64EndRecord.versionMadeBy = Le16(record + 12);
  m_zip64EndRecord.versionNeeded = Le16(record + 14);
  m_zip64EndRecord.diskNumber = Le32(record + 16);
  m_zip64EndRecord.directoryDisk = Le32(record + 20);
  m_zip64EndRecord.entriesOnDisk = Le64(record + 24);
  m_zip64EndRecord.totalEntries = Le64(record + 32);
  m_zip64EndRecord.directorySize = Le64(record + 40);
  m_zip64EndRecord.directoryOffset = Le64(record + 48);
  m_bHasZip64 = true;
  return true;
}

bool ZipArchiveIndex::ReadCentralDirectory(BinaryFile& file, uint64_t fileSize) {
  uint64_t position = m_bHasZip64 ? m_zip64EndRecord.directoryOffset : m_endRecord.directoryOffset;
  uint64_t count = m_endRecord.totalEntries;
  if (m_bHasZip64 && m_endRecord.totalEntries == 0xFFFF) count = m_zip64EndRecord.totalEntries;
  // Every header takes at least 46 bytes: a count the file cannot hold is false.
  if (count > fileSize / CENTRAL_SIZE) return false;
  // Reserve for what a real package holds; a claimed count grows the lists
  // only as far as headers are actually there.
  const size_t expected = static_cast<size_t>(std::min<uint64_t>(count, 1 << 16));
  m_centralHeaders.reserve(expected);
  m_zip64Values.reserve(expected);
  m_entries.reserve(expected);
  WindowReader reader(file, 1 << 20);
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* h = reader.Need(position, CENTRAL_SIZE);
    if (!h || Le32(h) != CENTRAL_SIGNATURE) return false;
    ZipCentralHeader header;
    header.flags = Le16(h + 8);
    header.method = Le16(h + 10);
    header.compressedSize = Le32(h + 20);
    header.uncompressedSize = Le32(h + 24);
    header.nameLength = Le16(h + 28);
    header.extraLength = Le16(h + 30);
    header.commentLength = Le16(h + 32);
    header.localHeaderOffset = Le32(h + 42);
    if (static_cast<size_t>(header.nameLength) + header.extraLength > MAX_NAME_AND_EXTRA) return false;
    const uint8_t* variable = reader.Need(position + CENTRAL_SIZE, header.nameLength + header.extraLength);
    if (!variable) return false;

    ZipEntry entry;
    entry.name.assign(reinterpret_cast<const char*>(variable), header.nameLength);
    Zip64Values values;
    // Walk the extra fields. The ZIP64 field holds, in this order, exactly the
    // values whose 32-bit fields are saturated.
    const uint8_t* extra = variable + header.nameLength;
    size_t at = 0;
    while (at + 4 <= header.extraLength) {
      const uint16_t tag = Le16(extra + at), size = Le16(extra + at + 2);
      if (at + 4 + size > header.extraLength) break;
      if (tag == ZIP64_TAG) {
        if (size > MAX_ZIP64_FIELD) entry.refused = true;
        const uint8_t* field = extra + at + 4;
        size_t used = 0;
        if (header.uncompressedSize == 0xFFFFFFFFu && used + 8 <= size) {
          values.hasSize = 1;
          values.uncompressedSize = Le64(field + used);
          used += 8;
        }
        if (header.compressedSize == 0xFFFFFFFFu && used + 8 <= size) used += 8;
        if (header.localHeaderOffset == 0xFFFFFFFFu && used + 8 <= size) {
          values.hasOffset = 1;
          values.localHeaderOffset = Le64(field + used);
          used += 8;
        }
        if (header.uncompressedSize == 0xFFFFFFFFu && !values.hasSize) entry.refused = true;
        if (header.localHeaderOffset == 0xFFFFFFFFu && !values.hasOffset) entry.refused = true;
      }
      at += 4 + size;
    }
    // Only members stored as they are can be copied out byte for byte.
    if (header.method != 0 || (header.flags & 0x0001) != 0) entry.refused = true;
    if (header.nameLength > MAX_NAME) entry.refused = true;
    const uint64_t compressed = header.compressedSize;
    if (!values.hasSize && compressed != header.uncompressedSize && compressed != 0xFFFFFFFFu)
      entry.refused = true;

    m_centralHeaders.push_back(header);
    m_zip64Values.push_back(values);
    m_entries.push_back(std::move(entry));
    position += CENTRAL_SIZE + header.nameLength + header.extraLength + header.commentLength;
  }
  return true;
}

bool ZipArchiveIndex::ReadLocalHeaders(BinaryFile& file, uint64_t fileSize) {
  m_localHeaders.reserve(m_entries.size());
  WindowReader reader(file, 1 << 16);
  for (size_t i = 0; i < m_entries.size(); ++i) {
    const ZipCentralHeader& central = m_centralHeaders[i];
    const Zip64Values& values = m_zip64Values[i];
    ZipEntry& entry = m_entries[i];
    const uint64_t offset = values.hasOffset ? values.localHeaderOffset : central.localHeaderOffset;
    const uint8_t* h = reader.Need(offset, LOCAL_SIZE);
    if (!h || Le32(h) != LOCAL_SIGNATURE) return false;
    ZipLocalHeader local;
    local.flags = Le16(h + 6);
    local.method = Le16(h + 8);
    local.nameLength = Le16(h + 26);
    local.extraLength = Le16(h + 28);
    m_localHeaders.push_back(local);
    if (static_cast<size_t>(local.nameLength) + local.extraLength > MAX_NAME_AND_EXTRA) return false;
    const uint8_t* name = reader.Need(offset + LOCAL_SIZE, local.nameLength);
    if (!name) return false;
    if (local.nameLength > MAX_NAME) {
      entry.refused = true;  // refused rather than cut to a different name
    } else {
      entry.name.assign(reinterpret_cast<const char*>(name), local.nameLength);
    }
    if (local.method != 0) entry.refused = true;
    entry.dataOffset = offset + LOCAL_SIZE + local.nameLength + local.extraLength;
    entry.size = values.hasSize ? values.uncompressedSize : central.uncompressedSize;
    if (entry.dataOffset > fileSize || entry.size > fileSize - entry.dataOffset) entry.refused = true;
  }
  return true;
}

int ZipArchiveIndex::Find(const std::string& name, uint64_t& offset, uint64_t& size) const {
  for (const ZipEntry& entry : m_entries) {
    if (entry.name != name) continue;
    if (entry.refused) return 4;
    offset = entry.dataOffset;
    size = entry.size;
    return 0;
  }
  return 4;
}

uint64_t ZipArchiveIndex::SumSizes(const std::string& prefix) const {
  uint64_t total = 0;
  for (const ZipEntry& entry : m_entries)
    if (!entry.refused && entry.name.compare(0, prefix.size(), prefix) == 0) total += entry.size;
  return total;
}

void ZipArchiveIndex::Close() {
  m_strArchivePath.clear();
  m_endRecord = {};
  m_zip64Locator = {};
  m_zip64EndRecord = {};
  m_bHasZip64 = false;
  m_centralHeaders.clear();
  m_localHeaders.clear();
  m_zip64Values.clear();
  m_entries.clear();
}

}  // namespace upvane
