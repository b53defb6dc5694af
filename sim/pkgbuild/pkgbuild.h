#pragma once
// Writers for every package and image format the program reads, so that
// tests build their fixtures instead of committing binaries. Test equipment:
// the writers follow the published formats and are independent of the
// program's readers.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace upvane::pkgbuild {

// ---- ZIP (stored members) ----

struct ZipMember {
  ZipMember() = default;
  ZipMember(std::string n, std::string d = {}, uint64_t zeros = 0, uint16_t m = 0, std::string c = {},
            bool f = false)
      : name(std::move(n)),
        data(std::move(d)),
        zeroSize(zeros),
        method(m),
        comment(std::move(c)),
        folder(f) {}
  std::string name;
  std::string data;
  // When non-zero: a member of this many zero bytes, written as a hole so a
  // multi-GiB archive costs no disk space.
  uint64_t zeroSize = 0;
  uint16_t method = 0;  // 0 stored; anything else is only written into the headers
  std::string comment;  // member comment in the central directory
  bool folder = false;  // a folder entry ("name/")
};

struct ZipOptions {
  bool zip64 = false;          // ZIP64 extra fields and end records for every member
  std::string archiveComment;  // appended after the end record
};

bool WriteStoredZip(const std::string& path, const std::vector<ZipMember>& members,
                    const ZipOptions& options = {}, std::string* error = nullptr);

// ---- 7-Zip (and other libarchive formats) ----

struct ArchiveItem {
  ArchiveItem() = default;
  ArchiveItem(std::string n, std::string d = {}, std::string link = {}, bool f = false)
      : name(std::move(n)), data(std::move(d)), symlinkTarget(std::move(link)), folder(f) {}
  std::string name;
  std::string data;
  std::string symlinkTarget;  // non-empty: a symbolic link
  bool folder = false;
};
bool Write7z(const std::string& path, const std::vector<ArchiveItem>& items, std::string* error = nullptr);

// ---- profile texts ----

std::string MakeBinaryInfo(const std::string& section, const std::string& version, const std::string& variant,
                           int isSecure);

struct LayoutRowSpec {
  std::string label;
  std::string fileName;
  std::string property;  // as written, e.g. "0x102"
  int lun = 0;
};
std::string MakeLayout(int maxLun, const std::vector<LayoutRowSpec>& rows);
std::string MakeLegacyLayout(const std::string& model, const std::vector<LayoutRowSpec>& rows);

// ---- GPT ----

struct GptPartition {
  std::string name;
  uint64_t firstLba = 0;
  uint64_t lastLba = 0;
};
// Protective MBR, header and 128 entries (17408 bytes) for a disk of
// `diskSectors` 512-byte sectors.
std::string MakeGptMain(const std::vector<GptPartition>& partitions, uint64_t diskSectors);
// The main part followed by the backup entries and backup header.
std::string MakeGptBoth(const std::vector<GptPartition>& partitions, uint64_t diskSectors);

// ---- super image ----

struct SuperPartition {
  SuperPartition() = default;
  SuperPartition(std::string n, std::string d = {}, uint64_t fill = 0, uint32_t value = 0, bool none = false)
      : name(std::move(n)), data(std::move(d)), fillSize(fill), fillValue(value), noExtent(none) {}
  std::string name;
  std::string data;       // size must be a multiple of 4096 (raw data)
  uint64_t fillSize = 0;  // alternatively: this many bytes of a fill chunk
  uint32_t fillValue = 0;
  bool noExtent = false;  // a partition entry without extents
};

struct SuperOptions {
  uint16_t sparseMinor = 0;
  uint32_t metadataHeaderSize = 128;  // 128 (v10.0) or 256 (v10.2)
  bool sparse = true;                 // false: write the expanded bytes
};

// Writes "super.img": reserved block, geometry and metadata, then every
// partition 1 MiB aligned with a gap of don't-care blocks between them, so
// that extents start and end on chunk boundaries. `extents` gets each
// partition's byte range in the expanded image.
struct ExtentInfo {
  std::string name;
  uint64_t start = 0;
  uint64_t size = 0;
};
bool WriteSuperImage(const std::string& path, const std::vector<SuperPartition>& partitions,
                     const SuperOptions& options = {}, std::vector<ExtentInfo>* extents = nullptr);

// ---- NAND info block ----

struct InfoRowSpec {
  std::string name;
  uint32_t dataStart = 0, dataEnd = 0, flashStart = 0, flashEnd = 0, kind = 0;
};
struct InfoEntrySpec {
  std::string name;
  uint32_t kind = 0;
  std::vector<unsigned> rows;  // row indexes that belong to the entry
};
struct InfoBlockSpec {
  uint32_t version = 2;
  std::string t1, t2, t3, t4, t5, t6, t7, t8, t9, t10;
  uint32_t n1 = 0, n2 = 0, blockSize = 0x20000, pageSize = 0x800;
  std::vector<InfoRowSpec> rows;
  std::vector<InfoEntrySpec> entries;
  std::array<uint8_t, 16> tailBytes{};
  std::array<uint32_t, 12> tailWords{};
  int endMarkAt = -1;  // -1: where the version puts it
};
// The block alone (up to and including the end mark). Empty for a version
// without a layout (6 is the version-5 layout, written as such).
std::string MakeInfoBlock(const InfoBlockSpec& desc);
// Block, payload, then the CRC-32 trailer of everything before it.
std::string MakeNandImage(const InfoBlockSpec& desc, const std::string& payload);
std::string AppendCrcTrailer(const std::string& bytes);

// Deterministic pseudo-random bytes (no long runs of one value).
std::string PatternBytes(size_t size, uint32_t seed);

bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace upvane::pkgbuild
