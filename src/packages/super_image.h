#pragma once
// "super.img": an Android sparse image whose contents begin with the
// logical-partition metadata. The readers cut it into one sparse image per
// logical partition.
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

struct SparseHeader {
  uint32_t magic = 0;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  uint16_t fileHeaderSize = 0;
  uint16_t chunkHeaderSize = 0;
  uint32_t blockSize = 0;
  uint32_t totalBlocks = 0;
  uint32_t totalChunks = 0;
  uint32_t imageChecksum = 0;
};

struct SparseChunk {
  uint64_t fileOffset = 0;      // of the chunk header
  uint64_t expandedOffset = 0;  // of the chunk's first byte in the expanded image
  uint16_t type = 0;
  uint32_t blocks = 0;
};

struct SuperExtent {
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t size = 0;
  std::string partitionName;
  std::string outputPath;
};

// One partition to flash with fastboot.
struct D_FAST_PART_INFO {
  std::string partitionName;
  std::string imageFile;
  int32_t upgradable = 0;
};

constexpr uint32_t SPARSE_MAGIC = 0xED26FF3A;
constexpr uint16_t CHUNK_RAW = 0xCAC1;
constexpr uint16_t CHUNK_FILL = 0xCAC2;
constexpr uint16_t CHUNK_DONT_CARE = 0xCAC3;
constexpr uint16_t CHUNK_CRC32 = 0xCAC4;
constexpr uint32_t LP_GEOMETRY_MAGIC = 0x616C4467;
constexpr uint32_t LP_HEADER_MAGIC = 0x414C5030;

// Reading shared by both variants.
class SuperImageBase {
 public:
  const SparseHeader& Header() const { return m_header; }
  const std::vector<SparseChunk>& Chunks() const { return m_chunks; }
  const std::vector<SuperExtent>& Extents() const { return m_extents; }
  // Outputs go to this folder instead of the folder of "super.img" (set
  // before Load; empty restores the default).
  void SetOutputFolder(const std::string& folder) { m_strOutputFolder = folder; }

 protected:
  // Chunks and metadata; the partition table's first extents get their
  // output names from `nameFor` ("" = none).
  bool LoadImage(const std::string& path, bool recordNames, std::string (*nameFor)(const std::string&));
  // File range [from, to) of the chunks that make up the extent.
  bool ChunkRange(const SuperExtent& extent, uint64_t& from, uint64_t& to, uint32_t& chunkCount) const;
  // Writes one output sparse image; `written` counts copied bytes.
  bool WriteExtent(const SuperExtent& extent, size_t blockSize, uint64_t* written) const;

  std::string m_strPath;
  std::string m_strOutputFolder;
  SparseHeader m_header;
  std::vector<SparseChunk> m_chunks;
  uint64_t m_nChunksEnd = 0;  // file offset after the last chunk
  std::vector<SuperExtent> m_extents;
};

class SuperImageReader : public SuperImageBase {
 public:
  bool Load(const std::string& path);
  bool WriteImages();
  static std::string OutputName(const std::string& partition);
};

class SuperImageReaderMtk : public SuperImageBase {
 public:
  bool Load(const std::string& path, std::vector<D_FAST_PART_INFO>& list);
  bool WriteImages();
  static std::string OutputName(const std::string& partition);
  uint64_t BytesToWrite() const { return m_nBytesToWrite; }
  uint64_t BytesWritten() const { return m_nBytesWritten; }

 private:
  std::string m_strFolder;
  uint64_t m_nBytesToWrite = 0;
  uint64_t m_nBytesWritten = 0;
};

}  // namespace upvane
