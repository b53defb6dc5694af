#include "pkgbuild/pkgbuild.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "platform/crc32.h"
#include "platform/crypto.h"

namespace upvane::pkgbuild {

namespace {

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Set32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Set64(std::string& out, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void SetText(std::string& out, size_t at, const std::string& text, size_t field) {
  std::memcpy(&out[at], text.data(), std::min(text.size(), field));
}
void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

uint32_t CrcOfZeros(uint64_t size) {
  static const std::string zeros(1 << 20, '\0');
  uint32_t crc = 0;
  while (size > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, zeros.size()));
    crc = Crc32Update(crc, zeros.data(), n);
    size -= n;
  }
  return crc;
}

}  // namespace

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  uint32_t x = seed * 2654435761u + 0x9E3779B9u;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = static_cast<char>(x & 0xFF);
  }
  return out;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// ---- ZIP ----

bool WriteStoredZip(const std::string& path, const std::vector<ZipMember>& members, const ZipOptions& options,
                    std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    SetError(error, "cannot create " + path);
    return false;
  }
  std::string central;
  bool anyZip64 = options.zip64;
  uint64_t position = 0;
  for (const ZipMember& member : members) {
    const std::string name =
        member.folder && (member.name.empty() || member.name.back() != '/') ? member.name + "/" : member.name;
    const uint64_t size = member.zeroSize ? member.zeroSize : member.data.size();
    const uint32_t crc =
        member.zeroSize ? CrcOfZeros(size) : Crc32Update(0, member.data.data(), member.data.size());
    const uint64_t offset = position;
    const bool zip64 = options.zip64 || size >= 0xFFFFFFFFull || offset >= 0xFFFFFFFFull;
    anyZip64 = anyZip64 || zip64;
    const uint32_t size32 = zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(size);

    std::string local;
    Put32(local, 0x04034B50);
    Put16(local, zip64 ? 45 : (member.folder ? 20 : 10));
    Put16(local, 0);
    Put16(local, member.method);
    Put16(local, 0);       // time
    Put16(local, 0x0021);  // 1980-01-01
    Put32(local, crc);
    Put32(local, size32);
    Put32(local, size32);
    Put16(local, static_cast<uint16_t>(name.size()));
    Put16(local, zip64 ? 20 : 0);
    local += name;
    if (zip64) {
      Put16(local, 1);
      Put16(local, 16);
      Put64(local, size);
      Put64(local, size);
    }
    out.write(local.data(), static_cast<std::streamsize>(local.size()));
    position += local.size();
    if (member.zeroSize) {
      position += size;
      out.seekp(static_cast<std::streamoff>(position));  // leaves a hole
    } else {
      out.write(member.data.data(), static_cast<std::streamsize>(member.data.size()));
      position += member.data.size();
    }

    Put32(central, 0x02014B50);
    Put16(central, 0x031E);
    Put16(central, zip64 ? 45 : (member.folder ? 20 : 10));
    Put16(central, 0);
    Put16(central, member.method);
    Put16(central, 0);
    Put16(central, 0x0021);
    Put32(central, crc);
    Put32(central, size32);
    Put32(central, size32);
    Put16(central, static_cast<uint16_t>(name.size()));
    Put16(central, zip64 ? 28 : 0);
    Put16(central, static_cast<uint16_t>(member.comment.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, member.folder ? 0x41ED0010u : 0x81A40000u);
    Put32(central, zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(offset));
    central += name;
    if (zip64) {
      Put16(central, 1);
      Put16(central, 24);
      Put64(central, size);
      Put64(central, size);
      Put64(central, offset);
    }
    central += member.comment;
  }
  const uint64_t directoryOffset = position;
  std::string tail = central;
  if (anyZip64) {
    const uint64_t recordOffset = directoryOffset + central.size();
    Put32(tail, 0x06064B50);
    Put64(tail, 44);
    Put16(tail, 45);
    Put16(tail, 45);
    Put32(tail, 0);
    Put32(tail, 0);
    Put64(tail, members.size());
    Put64(tail, members.size());
    Put64(tail, central.size());
    Put64(tail, directoryOffset);
    Put32(tail, 0x07064B50);
    Put32(tail, 0);
    Put64(tail, recordOffset);
    Put32(tail, 1);
  }
  Put32(tail, 0x06054B50);
  Put16(tail, 0);
  Put16(tail, 0);
  const uint16_t count =
      anyZip64 || members.size() >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(members.size());
  Put16(tail, count);
  Put16(tail, count);
  Put32(tail, anyZip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(central.size()));
  Put32(tail, anyZip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(directoryOffset));
  Put16(tail, static_cast<uint16_t>(options.archiveComment.size()));
  tail += options.archiveComment;
  out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  out.close();
  if (!out) {
    SetError(error, "cannot write " + path);
    return false;
  }
  return true;
}

// ---- 7-Zip ----

bool Write7z(const std::string& path, const std::vector<ArchiveItem>& items, std::string* error) {
  struct Closer {
    void operator()(struct archive* a) const { archive_write_free(a); }
  };
  std::unique_ptr<struct archive, Closer> writer(archive_write_new());
  if (!writer || archive_write_set_format_7zip(writer.get()) != ARCHIVE_OK ||
      archive_write_open_filename(writer.get(), path.c_str()) != ARCHIVE_OK) {
    SetError(error, "cannot create " + path);
    return false;
  }
  for (const ArchiveItem& item : items) {
    struct EntryFree {
      void operator()(struct archive_entry* e) const { archive_entry_free(e); }
    };
    std::unique_ptr<struct archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), item.name.c_str());
    if (!item.symlinkTarget.empty()) {
      archive_entry_set_filetype(entry.get(), AE_IFLNK);
      archive_entry_set_symlink(entry.get(), item.symlinkTarget.c_str());
      archive_entry_set_perm(entry.get(), 0777);
    } else if (item.folder) {
      archive_entry_set_filetype(entry.get(), AE_IFDIR);
      archive_entry_set_perm(entry.get(), 0755);
    } else {
      archive_entry_set_filetype(entry.get(), AE_IFREG);
      archive_entry_set_perm(entry.get(), 0644);
      archive_entry_set_size(entry.get(), static_cast<la_int64_t>(item.data.size()));
    }
    if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK) {
      SetError(error, std::string("cannot add ") + item.name + ": " + archive_error_string(writer.get()));
      return false;
    }
    if (!item.data.empty() && archive_write_data(writer.get(), item.data.data(), item.data.size()) < 0) {
      SetError(error, "cannot write " + item.name);
      return false;
    }
  }
  if (archive_write_close(writer.get()) != ARCHIVE_OK) {
    SetError(error, "cannot finish " + path);
    return false;
  }
  return true;
}

// ---- profile texts ----

std::string MakeBinaryInfo(const std::string& section, const std::string& version, const std::string& variant,
                           int isSecure) {
  return "[" + section + "]\r\nversion=" + version + "\r\nvariant=" + variant +
         "\r\nisSecure=" + std::to_string(isSecure) + "\r\n";
}

namespace {
std::string Rows(const std::vector<LayoutRowSpec>& rows, bool withLun) {
  std::string text;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string number = std::to_string(i + 1);
    while (number.size() < 3) number = "0" + number;
    text += "[partition" + number + "]\r\n";
    text += "label=" + rows[i].label + "\r\nfilename=" + rows[i].fileName +
            "\r\nproperty=" + rows[i].property + "\r\n";
    if (withLun) text += "lun=" + std::to_string(rows[i].lun) + "\r\n";
  }
  return text;
}
}  // namespace

std::string MakeLayout(int maxLun, const std::vector<LayoutRowSpec>& rows) {
  return "[global]\r\nmax_lun_no=" + std::to_string(maxLun) + "\r\n" + Rows(rows, true);
}

std::string MakeLegacyLayout(const std::string& model, const std::vector<LayoutRowSpec>& rows) {
  return "[global]\r\nmodel=" + model + "\r\n" + Rows(rows, false);
}

// ---- GPT ----

namespace {

std::string GptEntries(const std::vector<GptPartition>& partitions) {
  std::string entries(128 * 128, '\0');
  // Basic data partition type, in the on-disk mixed-endian form.
  static const uint8_t kType[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                    0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
  for (size_t i = 0; i < partitions.size() && i < 128; ++i) {
    const size_t at = i * 128;
    std::memcpy(&entries[at], kType, 16);
    for (size_t b = 0; b < 16; ++b) entries[at + 16 + b] = static_cast<char>(0x11 * (i + 1) + b);
    Set64(entries, at + 32, partitions[i].firstLba);
    Set64(entries, at + 40, partitions[i].lastLba);
    for (size_t c = 0; c < partitions[i].name.size() && c < 36; ++c)
      entries[at + 56 + 2 * c] = partitions[i].name[c];
  }
  return entries;
}

std::string GptHeader(uint64_t current, uint64_t backup, uint64_t entriesLba, uint64_t diskSectors,
                      const std::string& entries) {
  std::string h(512, '\0');
  std::memcpy(&h[0], "EFI PART", 8);
  Set32(h, 8, 0x00010000);
  Set32(h, 12, 92);
  Set64(h, 24, current);
  Set64(h, 32, backup);
  Set64(h, 40, 34);
  Set64(h, 48, diskSectors - 34);
  for (size_t b = 0; b < 16; ++b) h[56 + b] = static_cast<char>(0xA0 + b);
  Set64(h, 72, entriesLba);
  Set32(h, 80, 128);
  Set32(h, 84, 128);
  Set32(h, 88, Crc32Update(0, entries.data(), entries.size()));
  Set32(h, 16, Crc32Update(0, h.data(), 92));
  return h;
}

}  // namespace

std::string MakeGptMain(const std::vector<GptPartition>& partitions, uint64_t diskSectors) {
  std::string mbr(512, '\0');
  mbr[446 + 2] = 0x02;
  mbr[446 + 4] = static_cast<char>(0xEE);
  mbr[446 + 5] = mbr[446 + 6] = mbr[446 + 7] = static_cast<char>(0xFF);
  Set32(mbr, 446 + 8, 1);
  Set32(mbr, 446 + 12, static_cast<uint32_t>(std::min<uint64_t>(diskSectors - 1, 0xFFFFFFFFull)));
  mbr[510] = 0x55;
  mbr[511] = static_cast<char>(0xAA);
  const std::string entries = GptEntries(partitions);
  return mbr + GptHeader(1, diskSectors - 1, 2, diskSectors, entries) + entries;
}

std::string MakeGptBoth(const std::vector<GptPartition>& partitions, uint64_t diskSectors) {
  const std::string entries = GptEntries(partitions);
  return MakeGptMain(partitions, diskSectors) + entries +
         GptHeader(diskSectors - 1, 1, diskSectors - 33, diskSectors, entries);
}

// ---- super image ----

bool WriteSuperImage(const std::string& path, const std::vector<SuperPartition>& partitions,
                     const SuperOptions& options, std::vector<ExtentInfo>* extentsOut) {
  constexpr uint64_t kBlock = 4096, kAlign = 1 << 20;
  struct Placed {
    uint64_t start, size;
  };
  std::vector<Placed> placed;
  uint64_t next = kAlign;
  for (const SuperPartition& p : partitions) {
    const uint64_t size = p.fillSize ? p.fillSize : p.data.size();
    if (size % kBlock != 0) return false;
    if (p.noExtent || size == 0) {
      placed.push_back({0, 0});
      continue;
    }
    placed.push_back({next, size});
    next = (next + size + 1 + kAlign - 1) / kAlign * kAlign;  // at least one gap block
  }
  const uint64_t superSize = next;

  // Tables: partitions, extents, groups, block devices.
  std::string partitionTable, extentTable, groups(48, '\0'), devices(64, '\0');
  uint32_t extentCount = 0;
  for (size_t i = 0; i < partitions.size(); ++i) {
    std::string entry(52, '\0');
    SetText(entry, 0, partitions[i].name, 36);
    Set32(entry, 36, 1);  // read-only
    const bool hasExtent = placed[i].size != 0;
    Set32(entry, 40, hasExtent ? extentCount : 0);
    Set32(entry, 44, hasExtent ? 1 : 0);
    partitionTable += entry;
    if (hasExtent) {
      std::string extent(24, '\0');
      Set64(extent, 0, placed[i].size / 512);
      Set64(extent, 12, placed[i].start / 512);
      extentTable += extent;
      ++extentCount;
      if (extentsOut) extentsOut->push_back({partitions[i].name, placed[i].start, placed[i].size});
    }
  }
  SetText(groups, 0, "default", 36);
  Set64(devices, 0, kAlign / 512);
  Set32(devices, 8, kAlign);
  Set64(devices, 16, superSize);
  SetText(devices, 24, "super", 36);
  const std::string tables = partitionTable + extentTable + groups + devices;

  const uint32_t headerSize = options.metadataHeaderSize;
  std::string header(headerSize, '\0');
  Set32(header, 0, 0x414C5030);
  header[4] = 10;
  header[6] = headerSize > 128 ? 2 : 0;
  Set32(header, 8, headerSize);
  Set32(header, 44, static_cast<uint32_t>(tables.size()));
  const Sha256Digest tablesSum = Sha256(tables.data(), tables.size());
  std::memcpy(&header[48], tablesSum.data(), 32);
  Set32(header, 80, 0);
  Set32(header, 84, static_cast<uint32_t>(partitions.size()));
  Set32(header, 88, 52);
  Set32(header, 92, static_cast<uint32_t>(partitionTable.size()));
  Set32(header, 96, extentCount);
  Set32(header, 100, 24);
  Set32(header, 104, static_cast<uint32_t>(partitionTable.size() + extentTable.size()));
  Set32(header, 108, 1);
  Set32(header, 112, 48);
  Set32(header, 116, static_cast<uint32_t>(partitionTable.size() + extentTable.size() + groups.size()));
  Set32(header, 120, 1);
  Set32(header, 124, 64);
  const Sha256Digest headerSum = Sha256(header.data(), header.size());
  std::memcpy(&header[12], headerSum.data(), 32);
  const std::string metadata = header + tables;
  const uint64_t maxSize = (metadata.size() + kBlock - 1) / kBlock * kBlock;

  std::string geometry(kBlock, '\0');
  Set32(geometry, 0, 0x616C4467);
  Set32(geometry, 4, 52);
  Set32(geometry, 40, static_cast<uint32_t>(maxSize));
  Set32(geometry, 44, 1);
  Set32(geometry, 48, kBlock);
  {
    const Sha256Digest sum = Sha256(geometry.data(), 52);
    std::memcpy(&geometry[8], sum.data(), 32);
  }
  std::string slot(maxSize, '\0');
  std::memcpy(&slot[0], metadata.data(), metadata.size());
  // Reserved block, primary and backup geometry, primary and backup metadata.
  const std::string region = geometry + geometry + slot + slot;
  if (kBlock + region.size() > kAlign) return false;

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  if (!options.sparse) {
    out.seekp(static_cast<std::streamoff>(kBlock));
    out.write(region.data(), static_cast<std::streamsize>(region.size()));
    for (size_t i = 0; i < partitions.size(); ++i) {
      if (placed[i].size == 0) continue;
      out.seekp(static_cast<std::streamoff>(placed[i].start));
      if (partitions[i].fillSize) {
        std::string block(kBlock, '\0');
        for (size_t b = 0; b < kBlock; b += 4) Set32(block, b, partitions[i].fillValue);
        for (uint64_t n = 0; n < placed[i].size; n += kBlock) out.write(block.data(), kBlock);
      } else {
        out.write(partitions[i].data.data(), static_cast<std::streamsize>(partitions[i].data.size()));
      }
    }
    // Zero up to the super size so the file is exactly as large as the device.
    out.seekp(static_cast<std::streamoff>(superSize - 1));
    out.put('\0');
    return static_cast<bool>(out);
  }

  std::string chunks;
  uint32_t chunkCount = 0;
  auto dontCare = [&](uint64_t bytes) {
    if (bytes == 0) return;
    Put16(chunks, 0xCAC3);
    Put16(chunks, 0);
    Put32(chunks, static_cast<uint32_t>(bytes / kBlock));
    Put32(chunks, 12);
    ++chunkCount;
  };
  auto flush = [&]() {
    out.write(chunks.data(), static_cast<std::streamsize>(chunks.size()));
    chunks.clear();
  };
  auto raw = [&](const std::string& data) {
    Put16(chunks, 0xCAC1);
    Put16(chunks, 0);
    Put32(chunks, static_cast<uint32_t>(data.size() / kBlock));
    Put32(chunks, static_cast<uint32_t>(12 + data.size()));
    ++chunkCount;
    flush();
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
  };
  std::string fileHeader;
  Put32(fileHeader, 0xED26FF3A);
  Put16(fileHeader, 1);
  Put16(fileHeader, options.sparseMinor);
  Put16(fileHeader, 28);
  Put16(fileHeader, 12);
  Put32(fileHeader, kBlock);
  Put32(fileHeader, static_cast<uint32_t>(superSize / kBlock));
  Put32(fileHeader, 0);  // chunk count, set below
  Put32(fileHeader, 0);
  out.write(fileHeader.data(), static_cast<std::streamsize>(fileHeader.size()));

  dontCare(kBlock);
  raw(region);
  uint64_t at = kBlock + region.size();
  for (size_t i = 0; i < partitions.size(); ++i) {
    if (placed[i].size == 0) continue;
    dontCare(placed[i].start - at);
    if (partitions[i].fillSize) {
      Put16(chunks, 0xCAC2);
      Put16(chunks, 0);
      Put32(chunks, static_cast<uint32_t>(placed[i].size / kBlock));
      Put32(chunks, 16);
      Put32(chunks, partitions[i].fillValue);
      ++chunkCount;
    } else {
      raw(partitions[i].data);
    }
    at = placed[i].start + placed[i].size;
  }
  dontCare(superSize - at);
  flush();
  out.seekp(20);
  std::string count;
  Put32(count, chunkCount);
  out.write(count.data(), 4);
  return static_cast<bool>(out);
}

// ---- NAND info block ----

namespace {

struct BlockLayout {
  size_t rowsAt, rowCount, entriesAt, entrySize, tailBytesAt, tailWordsAt, tailWordCount, endMarkAt;
};

bool BlockLayoutOf(uint32_t version, BlockLayout& l) {
  switch (version) {
    case 1:
      l = {128, 16, 704, 24, 1088, 1104, 4, 1120};
      return true;
    case 2:
      l = {152, 16, 728, 24, 1112, 1128, 4, 1144};
      return true;
    case 3:
      l = {152, 16, 728, 24, 1112, 1128, 12, 1176};
      return true;
    case 4:
      l = {152, 32, 1304, 24, 1688, 1704, 12, 1752};
      return true;
    case 5:
    case 6:
      l = {152, 64, 2456, 32, 2968, 2984, 12, 3032};
      return true;
    case 7:
      l = {152, 256, 9368, 56, 10264, 10280, 12, 10328};
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string MakeInfoBlock(const InfoBlockSpec& desc) {
  BlockLayout l{};
  if (!BlockLayoutOf(desc.version, l)) {
    // Unknown versions still get a head, so readers can be shown one.
    l = {152, 16, 728, 24, 1112, 1128, 4, 1144};
  }
  const size_t endAt = desc.endMarkAt >= 0 ? static_cast<size_t>(desc.endMarkAt) : l.endMarkAt;
  std::string b(std::max(endAt, l.endMarkAt) + 8, '\0');
  SetText(b, 0, "ANDRBIN", 8);
  Set32(b, 8, desc.version);
  Set32(b, 12, desc.n1);
  SetText(b, 16, desc.t1, 20);
  SetText(b, 36, desc.t5, 12);
  SetText(b, 48, desc.t6, 12);
  SetText(b, 60, desc.t4, 12);
  SetText(b, 72, desc.t7, 12);
  SetText(b, 84, desc.t8, 12);
  if (desc.version == 1) {
    SetText(b, 96, desc.t2, 12);
    SetText(b, 108, desc.t3, 12);
    Set32(b, 120, desc.blockSize);
    Set32(b, 124, desc.pageSize);
  } else {
    SetText(b, 96, desc.t9, 12);
    SetText(b, 108, desc.t10, 8);
    SetText(b, 116, desc.t2, 12);
    SetText(b, 128, desc.t3, 12);
    Set32(b, 140, desc.n2);
    Set32(b, 144, desc.blockSize);
    Set32(b, 148, desc.pageSize);
  }
  for (size_t i = 0; i < desc.rows.size() && i < l.rowCount; ++i) {
    const size_t at = l.rowsAt + i * 36;
    SetText(b, at, desc.rows[i].name, 16);
    Set32(b, at + 16, desc.rows[i].dataStart);
    Set32(b, at + 20, desc.rows[i].dataEnd);
    Set32(b, at + 24, desc.rows[i].flashStart);
    Set32(b, at + 28, desc.rows[i].flashEnd);
    Set32(b, at + 32, desc.rows[i].kind);
  }
  for (size_t i = 0; i < desc.entries.size() && i < 16; ++i) {
    const size_t at = l.entriesAt + i * l.entrySize;
    const InfoEntrySpec& e = desc.entries[i];
    SetText(b, at, e.name, 16);
    if (l.entrySize == 24) {
      uint32_t mask = 0;
      for (unsigned r : e.rows)
        if (r < 32) mask |= 1u << r;
      Set32(b, at + 16, e.kind);
      Set32(b, at + 20, mask);
    } else if (l.entrySize == 32) {
      uint64_t mask = 0;
      for (unsigned r : e.rows)
        if (r < 64) mask |= 1ull << r;
      Set64(b, at + 16, mask);
      Set32(b, at + 24, e.kind);
    } else {
      for (unsigned r : e.rows)
        if (r < 256) b[at + 16 + r / 8] = static_cast<char>(b[at + 16 + r / 8] | (1 << (r % 8)));
      Set32(b, at + 48, e.kind);
    }
  }
  std::memcpy(&b[l.tailBytesAt], desc.tailBytes.data(), 16);
  for (size_t i = 0; i < l.tailWordCount; ++i) Set32(b, l.tailWordsAt + 4 * i, desc.tailWords[i]);
  SetText(b, endAt, "ENDMARK", 8);
  return b;
}

std::string AppendCrcTrailer(const std::string& bytes) {
  std::string out = bytes;
  Put32(out, Crc32Update(0, bytes.data(), bytes.size()));
  return out;
}

std::string MakeNandImage(const InfoBlockSpec& desc, const std::string& payload) {
  return AppendCrcTrailer(MakeInfoBlock(desc) + payload);
}

}  // namespace upvane::pkgbuild
