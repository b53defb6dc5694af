#pragma once
// The info block at the start of raw NAND images ("ANDRBIN"): the
// smartphone form (CMsInfo) and the feature-phone form (CMsInfo_Brew), and
// the CRC-32 trailer that closes such an image.
#include <array>
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>

namespace upvane {

struct ImageRow {
  std::string name;  // up to 16 characters
  uint32_t dataStart = 0;
  uint32_t dataEnd = 0;  // inclusive
  uint32_t flashStart = 0;
  uint32_t flashEnd = 0;  // inclusive
  uint32_t kind = 0;      // 0 = written to flash
};

// Entry kind bits.
constexpr uint32_t ENTRY_ERASE = 1;
constexpr uint32_t ENTRY_WRITE = 2;

struct ImageEntryBits {
  std::string name;
  std::array<uint8_t, 32> rowBitmap{};  // bit i (of byte i / 8) = row i
  uint32_t kind = 0;
  uint32_t reserved = 0;
  bool HasRow(unsigned row) const { return row < 256 && (rowBitmap[row / 8] >> (row % 8)) & 1; }
};

struct BrewImageEntry {
  std::string name;
  uint64_t rowMask = 0;
  uint32_t kind = 0;
  uint32_t reserved = 0;
};

struct InfoRecord {
  int32_t family = 12;
  std::string t1, t2, t3, t4, t5, t6, t7, t8, t9, t10;
  uint32_t n1 = 0, n2 = 0;
  uint32_t blockSize = 0, pageSize = 0;
  std::array<ImageRow, 256> rows;
  std::array<ImageEntryBits, 16> entries;
  std::array<uint8_t, 16> tailBytes{};
  std::array<uint32_t, 12> tailWords{};
};

struct BrewInfoRecord {
  int32_t family = 1;
  std::string t1, t2, t3, t4, t5, t6, t7, t8, t9, t10;
  uint32_t n1 = 0, n2 = 0;
  uint32_t blockSize = 0, pageSize = 0;
  std::array<ImageRow, 64> rows;
  std::array<BrewImageEntry, 16> entries;
  std::array<uint8_t, 16> tailBytes{};
  std::array<uint32_t, 12> tailWords{};
};

// Results of ReadInfoBlock.
constexpr int INFO_OK = 0;
constexpr int INFO_UNKNOWN_MODEL = 1;
constexpr int INFO_INVALID = 2;
constexpr int INFO_NOT_OPEN = 3;

class CMsInfo {
 public:
  virtual ~CMsInfo() = default;
  static constexpr size_t HEAD_SIZE = 16384;
  static constexpr int ENTRY_NAME_COUNT = 25;

  void ClearInfo(InfoRecord& record) const;
  // Reads the block at the start of the file; the position is restored.
  int ReadInfoBlock(std::ifstream& file, InfoRecord& record, bool requireKnownModel) const;
  int ReadInfoBlock(std::istream& stream, InfoRecord& record, bool requireKnownModel) const;
  bool IsModel(int modelIndex, const std::string& text) const;
  // Entry index 0-15 whose name equals the entry-name table text of `row`, or -1.
  int FindImageEntry(const InfoRecord& record, int row) const;
  static const char* EntryName(int row);
};

class CMsInfo_Brew {
 public:
  virtual ~CMsInfo_Brew() = default;
  static constexpr size_t HEAD_SIZE = 8192;
  static constexpr int ENTRY_NAME_COUNT = 20;
  static constexpr int PARTITION_KIND_COUNT = 14;

  void ClearInfo(BrewInfoRecord& record) const;
  int ReadInfoBlock(std::ifstream& file, BrewInfoRecord& record) const;
  int ReadInfoBlock(std::istream& stream, BrewInfoRecord& record) const;
  bool IsModel(int index, const std::string& text) const;
  int FindImageEntry(const BrewInfoRecord& record, int row) const;
  // Index of the first partition-kind name contained in `rowName`; 14 when none.
  int FindBrewPartitionKind(const char* rowName) const;
  static const char* EntryName(int row);
};

// CRC-32 of every byte of the file before its last four, and the trailer.
// False when the file cannot be read or is shorter than 4 bytes.
bool ReadCrcTrailer(const std::string& path, uint32_t& computed, uint32_t& stored);
// True when the file's CRC-32 trailer matches its contents.
bool CheckCrcTrailer(const std::string& path);

}  // namespace upvane
