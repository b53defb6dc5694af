#include "packages/super_image.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "packages/binary_file.h"
#include "platform/files.h"
#include "services/file_names.h"

namespace upvane {

namespace {

constexpr size_t FILE_HEADER_SIZE = 28;
constexpr size_t CHUNK_HEADER_MIN = 12;
constexpr uint64_t METADATA_AFTER_GEOMETRY = 8192;
constexpr size_t METADATA_HEADER_READ = 128;
constexpr size_t EXTENT_SIZE = 24;
constexpr size_t PARTITION_SIZE = 52;
constexpr uint64_t LP_SECTOR = 512;

// A partition name becomes a file name next to "super.img": one that could
// name another folder gets no output.
bool IsPlainName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c == ':') return false;
  return true;
}

bool EndsWithSlot(const std::string& name, char slot) {
  if (name.size() < 2 || name[name.size() - 2] != '_') return false;
  const char c = name.back();
  return c == slot || c == slot - 'a' + 'A';
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool SuperImageBase::LoadImage(const std::string& path, bool recordNames,
                               std::string (*nameFor)(const std::string&)) {
  m_strPath = path;
  m_header = {};
  m_chunks.clear();
  m_extents.clear();
  m_nChunksEnd = 0;
  BinaryFile file;
  if (!file.Open(path)) return false;
  const uint64_t fileSize = file.Size();

  uint8_t h[FILE_HEADER_SIZE];
  if (!file.ReadExactAt(0, h, sizeof h)) return false;
  m_header.magic = Le32(h);
  m_header.majorVersion = Le16(h + 4);
  m_header.minorVersion = Le16(h + 6);
  m_header.fileHeaderSize = Le16(h + 8);
  m_header.chunkHeaderSize = Le16(h + 10);
  m_header.blockSize = Le32(h + 12);
  m_header.totalBlocks = Le32(h + 16);
  m_header.totalChunks = Le32(h + 20);
  m_header.imageChecksum = Le32(h + 24);
  if (m_header.magic != SPARSE_MAGIC || m_header.majorVersion != 1 || m_header.minorVersion != 0)
    return false;
  if (m_header.fileHeaderSize < FILE_HEADER_SIZE || m_header.chunkHeaderSize < CHUNK_HEADER_MIN) return false;
  if (m_header.blockSize == 0 || m_header.blockSize % 4 != 0) return false;

  uint64_t position = m_header.fileHeaderSize;
  const uint64_t chunkHeader = m_header.chunkHeaderSize;
  if (position > fileSize || m_header.totalChunks > (fileSize - position) / chunkHeader) return false;
  m_chunks.reserve(std::min<uint32_t>(m_header.totalChunks, 1 << 16));
  uint64_t expanded = 0;
  for (uint32_t i = 0; i < m_header.totalChunks; ++i) {
    uint8_t c[CHUNK_HEADER_MIN];
    if (position + chunkHeader > fileSize || !file.ReadExactAt(position, c, sizeof c)) return false;
    SparseChunk chunk;
    chunk.fileOffset = position;
    chunk.expandedOffset = expanded;
    chunk.type = Le16(c);
    chunk.blocks = Le32(c + 4);
    const uint64_t totalSize = Le32(c + 8);
    if (totalSize < chunkHeader || totalSize > fileSize - position) return false;
    const uint64_t dataSize = totalSize - chunkHeader;
    const uint64_t expandedSize = static_cast<uint64_t>(chunk.blocks) * m_header.blockSize;
    if (chunk.type == CHUNK_RAW && dataSize != expandedSize) return false;
    if (chunk.type != CHUNK_RAW && chunk.type != CHUNK_FILL && chunk.type != CHUNK_DONT_CARE &&
        chunk.type != CHUNK_CRC32)
      return false;
    m_chunks.push_back(chunk);
    expanded += expandedSize;
    position += totalSize;
  }
  m_nChunksEnd = position;

  // The metadata lives in the first raw chunk that begins with the geometry.
  const SparseChunk* geometryChunk = nullptr;
  for (const SparseChunk& chunk : m_chunks) {
    if (chunk.type != CHUNK_RAW || chunk.blocks == 0) continue;
    uint8_t magic[4];
    if (!file.ReadExactAt(chunk.fileOffset + chunkHeader, magic, 4)) return false;
    if (Le32(magic) == LP_GEOMETRY_MAGIC) {
      geometryChunk = &chunk;
      break;
    }
  }
  if (!geometryChunk || geometryChunk->blocks < 4) return false;
  const uint64_t dataStart = geometryChunk->fileOffset + chunkHeader;
  const uint64_t dataEnd = dataStart + static_cast<uint64_t>(geometryChunk->blocks) * m_header.blockSize;
  // Everything below is read from this chunk's bytes: a table reaching past
  // them is not part of the metadata.
  auto inside = [&](uint64_t at, uint64_t length) {
    return at >= dataStart && at <= dataEnd && length <= dataEnd - at;
  };

  const uint64_t headerAt = dataStart + METADATA_AFTER_GEOMETRY;
  uint8_t mh[METADATA_HEADER_READ];
  if (!inside(headerAt, sizeof mh) || !file.ReadExactAt(headerAt, mh, sizeof mh)) return false;
  if (Le32(mh) != LP_HEADER_MAGIC) return false;
  const uint32_t headerSize = Le32(mh + 8);
  if (headerSize < METADATA_HEADER_READ || !inside(headerAt, headerSize)) return false;
  const uint64_t tablesAt = headerAt + headerSize;
  const uint32_t partitionsOffset = Le32(mh + 80), partitionCount = Le32(mh + 84);
  const uint32_t extentsOffset = Le32(mh + 92), extentCount = Le32(mh + 96);

  const uint64_t extentsAt = tablesAt + extentsOffset;
  if (!inside(extentsAt, static_cast<uint64_t>(extentCount) * EXTENT_SIZE)) return false;
  std::vector<uint8_t> table(static_cast<size_t>(extentCount) * EXTENT_SIZE);
  if (!table.empty() && !file.ReadExactAt(extentsAt, table.data(), table.size())) return false;
  m_extents.reserve(extentCount);
  for (uint32_t i = 0; i < extentCount; ++i) {
    const uint8_t* e = table.data() + static_cast<size_t>(i) * EXTENT_SIZE;
    const uint64_t sectors = Le64(e);
    const uint64_t firstSector = Le64(e + 12);
    // Positions beyond 64 bits of bytes cannot be on any device.
    if (sectors > (UINT64_MAX / LP_SECTOR) || firstSector > (UINT64_MAX / LP_SECTOR)) return false;
    SuperExtent extent;
    extent.start = firstSector * LP_SECTOR;
    extent.size = sectors * LP_SECTOR;
    if (extent.size > UINT64_MAX - extent.start) return false;
    extent.end = extent.start + extent.size;
    m_extents.push_back(std::move(extent));
  }

  const uint64_t partitionsAt = tablesAt + partitionsOffset;
  if (!inside(partitionsAt, static_cast<uint64_t>(partitionCount) * PARTITION_SIZE)) return false;
  table.assign(static_cast<size_t>(partitionCount) * PARTITION_SIZE, 0);
  if (!table.empty() && !file.ReadExactAt(partitionsAt, table.data(), table.size())) return false;
  for (uint32_t i = 0; i < partitionCount; ++i) {
    const uint8_t* p = table.data() + static_cast<size_t>(i) * PARTITION_SIZE;
    const std::string name = FieldText(p, 36);
    const uint32_t firstExtent = Le32(p + 40), count = Le32(p + 44);
    if (count == 0) continue;
    if (firstExtent >= m_extents.size() || count > m_extents.size() - firstExtent) return false;
    const std::string output = IsPlainName(name) ? nameFor(name) : std::string();
    SuperExtent& extent = m_extents[firstExtent];
    if (!output.empty())
      extent.outputPath =
          m_strOutputFolder.empty() ? ReplaceFileName(path, output) : JoinPath(m_strOutputFolder, output);
    if (recordNames || !output.empty()) extent.partitionName = name;
  }
  return true;
}

bool SuperImageBase::ChunkRange(const SuperExtent& extent, uint64_t& from, uint64_t& to,
                                uint32_t& chunkCount) const {
  size_t b = m_chunks.size() + 1, c = m_chunks.size() + 1;
  for (size_t i = 0; i < m_chunks.size(); ++i) {
    if (b > m_chunks.size() && m_chunks[i].expandedOffset == extent.start) b = i;
    if (m_chunks[i].expandedOffset == extent.end && i >= b && i < c) c = i;
    if (b <= m_chunks.size() && c <= m_chunks.size()) break;
  }
  // An extent that reaches the end of the image ends after the last chunk.
  uint64_t total = 0;
  if (!m_chunks.empty())
    total =
        m_chunks.back().expandedOffset + static_cast<uint64_t>(m_chunks.back().blocks) * m_header.blockSize;
  if (b > m_chunks.size() && extent.start == total) b = m_chunks.size();
  if (c > m_chunks.size() && extent.end == total) c = m_chunks.size();
  if (b > m_chunks.size() || c > m_chunks.size() || c < b) return false;
  from = b < m_chunks.size() ? m_chunks[b].fileOffset : m_nChunksEnd;
  to = c < m_chunks.size() ? m_chunks[c].fileOffset : m_nChunksEnd;
  chunkCount = static_cast<uint32_t>(c - b);
  return true;
}

bool SuperImageBase::WriteExtent(const SuperExtent& extent, size_t blockSize, uint64_t* written) const {
  uint64_t from = 0, to = 0;
  uint32_t chunkCount = 0;
  if (!ChunkRange(extent, from, to, chunkCount)) return false;
  BinaryFile source;
  if (!source.Open(m_strPath)) return false;

  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(extent.outputPath.c_str(), "wbx"));
  if (!out) return false;
  auto fail = [&]() {
    out.reset();
    DeleteFileIfExists(extent.outputPath);
    return false;
  };
  uint8_t h[FILE_HEADER_SIZE];
  PutLe32(h, m_header.magic);
  PutLe16(h + 4, m_header.majorVersion);
  PutLe16(h + 6, m_header.minorVersion);
  PutLe16(h + 8, static_cast<uint16_t>(FILE_HEADER_SIZE));  // only the 28 bytes are written
  PutLe16(h + 10, m_header.chunkHeaderSize);
  PutLe32(h + 12, m_header.blockSize);
  PutLe32(h + 16, static_cast<uint32_t>(extent.size / m_header.blockSize));
  PutLe32(h + 20, chunkCount);
  PutLe32(h + 24, 0);  // the source's checksum covers other bytes
  if (std::fwrite(h, 1, sizeof h, out.get()) != sizeof h) return fail();

  std::unique_ptr<uint8_t[]> buffer;
  for (int tries = 0; tries < 10 && !buffer; ++tries) {
    buffer.reset(new (std::nothrow) uint8_t[blockSize]);
    if (!buffer) blockSize /= 2;
  }
  if (!buffer) return fail();
  for (uint64_t at = from; at < to;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(blockSize, to - at));
    if (!source.ReadExactAt(at, buffer.get(), want)) return fail();
    if (std::fwrite(buffer.get(), 1, want, out.get()) != want) return fail();
    at += want;
    if (written) *written += want;
  }
  if (std::fclose(out.release()) != 0) {
    DeleteFileIfExists(extent.outputPath);
    return false;
  }
  return true;
}

// ---- Qualcomm flow ----

std::string SuperImageReader::OutputName(const std::string& partition) {
  if (partition == "system_a") return "system.img";
  if (partition == "system_b") return "system_other.img";
  if (partition == "product_a") return "product.img";
  if (partition == "vendor_a") return "vendor.img";
  if (partition == "odm_a") return "odm.img";
  return partition + ".img";
}

bool SuperImageReader::Load(const std::string& path) { return LoadImage(path, true, &OutputName); }

bool SuperImageReader::WriteImages() {
  for (const SuperExtent& extent : m_extents) {
    if (extent.outputPath.empty()) return false;
    if (!WriteExtent(extent, 1 << 20, nullptr)) return false;
  }
  return true;
}

// ---- MediaTek flow ----

std::string SuperImageReaderMtk::OutputName(const std::string& partition) {
  if (EndsWithSlot(partition, 'a') || EndsWithSlot(partition, 'b'))
    return partition.substr(0, partition.size() - 2) + ".img";
  return {};
}

bool SuperImageReaderMtk::Load(const std::string& path, std::vector<D_FAST_PART_INFO>& list) {
  m_nBytesToWrite = 0;
  m_nBytesWritten = 0;
  m_strFolder = ReplaceFileName(path, "");
  if (!LoadImage(path, true, &OutputName)) return false;
  for (const SuperExtent& extent : m_extents) {
    if (extent.outputPath.empty() || !EndsWithSlot(extent.partitionName, 'a')) continue;
    D_FAST_PART_INFO info;
    info.partitionName = extent.partitionName;
    info.imageFile = extent.outputPath;
    list.push_back(std::move(info));
    uint64_t from = 0, to = 0;
    uint32_t count = 0;
    if (!FileExists(extent.outputPath) && ChunkRange(extent, from, to, count)) m_nBytesToWrite += to - from;
  }
  return true;
}

bool SuperImageReaderMtk::WriteImages() {
  for (const SuperExtent& extent : m_extents) {
    if (extent.outputPath.empty() || !EndsWithSlot(extent.partitionName, 'a')) continue;
    if (FileExists(extent.outputPath)) continue;
    if (!WriteExtent(extent, 128 * 1024, &m_nBytesWritten)) return false;
  }
  return true;
}

}  // namespace upvane
