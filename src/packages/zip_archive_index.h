#pragma once
// Table of the members of a ZIP archive of stored (uncompressed) members:
// name, absolute offset of the first data byte and size, so that members can
// be copied straight out of the archive. Understands ZIP64.
#include <cstdint>
#include <string>
#include <vector>

#include "packages/binary_file.h"

namespace upvane {

struct ZipEndRecord {
  uint32_t signature = 0;
  uint16_t diskNumber = 0;
  uint16_t directoryDisk = 0;
  uint16_t entriesOnDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
};

struct Zip64Locator {
  uint32_t signature = 0;
  uint32_t disk = 0;
  uint64_t recordOffset = 0;
  uint32_t diskCount = 0;
};

struct Zip64EndRecord {
  uint32_t signature = 0;
  uint64_t recordSize = 0;
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint32_t diskNumber = 0;
  uint32_t directoryDisk = 0;
  uint64_t entriesOnDisk = 0;
  uint64_t totalEntries = 0;
  uint64_t directorySize = 0;
  uint64_t directoryOffset = 0;
};

struct ZipCentralHeader {
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint32_t localHeaderOffset = 0;
};

struct ZipLocalHeader {
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
};

struct Zip64Values {
  uint16_t hasSize = 0;
  uint16_t hasOffset = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;
};

struct ZipEntry {
  std::string name;
  uint64_t dataOffset = 0;
  uint64_t size = 0;
  // A member that cannot be copied out as it is (compressed, encrypted, with
  // a name beyond the accepted length, or whose data lies outside the file).
  bool refused = false;
};

class ZipArchiveIndex {
 public:
  static constexpr size_t MAX_NAME = 256;
  static constexpr size_t MAX_NAME_AND_EXTRA = 1024;
  static constexpr size_t MAX_ZIP64_FIELD = 80;

  // 0 when the end records, the central directory and every local header were
  // read; 1 otherwise (the index must then not be used).
  int Open(const std::string& archivePath);
  // 0 with the data offset and size of the first member of exactly that
  // name; 4 when there is none or the member is refused.
  int Find(const std::string& name, uint64_t& offset, uint64_t& size) const;
  // Total size of the members whose names begin with `prefix`.
  uint64_t SumSizes(const std::string& prefix) const;
  void Close();

  const std::string& ArchivePath() const { return m_strArchivePath; }
  const std::vector<ZipEntry>& Entries() const { return m_entries; }

 private:
  bool ReadEndRecords(BinaryFile& file, uint64_t fileSize);
  bool ReadCentralDirectory(BinaryFile& file, uint64_t fileSize);
  bool ReadLocalHeaders(BinaryFile& file, uint64_t fileSize);

  std::string m_strArchivePath;
  ZipEndRecord m_endRecord;
  Zip64Locator m_zip64Locator;
  Zip64EndRecord m_zip64EndRecord;
  bool m_bHasZip64 = false;
  std::vector<ZipCentralHeader> m_centralHeaders;
  std::vector<ZipLocalHeader> m_localHeaders;
  std::vector<Zip64Values> m_zip64Values;
  std::vector<ZipEntry> m_entries;
};

}  // namespace upvane
