#pragma once
// "Build_Output_Info.txt": the partitions a smartphone package can write, in
// the current form (per-partition LUNs, logical partitions of the super
// image) and the earlier form (a model name, no LUNs).
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

class ProfileFile;

// Property bits.
constexpr uint32_t PROPERTY_FASTBOOT = 0x002;
constexpr uint32_t PROPERTY_ERASE = 0x010;
constexpr uint32_t PROPERTY_SUPER = 0x100;

struct LayoutRow {
  std::string label;     // at most 31 characters
  std::string fileName;  // at most 63 characters
  uint32_t property = 0;
  uint16_t lun = 0;
};

class PartitionLayout {
 public:
  static constexpr size_t MAX_LABEL = 31;
  static constexpr size_t MAX_FILE_NAME = 63;
  enum class List { Physical, Super };

  // Number of rows in both lists together; an unreadable file gives none.
  int Load(const std::string& path);
  int LoadText(const std::string& text);
  const LayoutRow* GetRow(size_t index, List list) const;
  int LoadFrom(const ProfileFile& profile);

  uint32_t m_nMaxLun = 0;
  std::vector<LayoutRow> m_physicalRows;
  std::vector<LayoutRow> m_superRows;
};

class LegacyPartitionLayout {
 public:
  int Load(const std::string& path);
  int LoadText(const std::string& text);
  const LayoutRow* GetRow(size_t index) const;
  int LoadFrom(const ProfileFile& profile);

  std::string m_strModel;
  std::vector<LayoutRow> m_rows;
};

// One image to write.
struct ImageEntry {
  int32_t lun = 0;
  uint64_t dataOffset = 0;
  uint64_t size = 0;
  std::string label;
  std::string path;
  std::string fileName;
  uint32_t property = 0;
};

bool IsSlotA(const ImageEntry& entry);
bool IsSlotB(const ImageEntry& entry);
bool NeedsErase(const ImageEntry& entry);
bool IsFastbootImage(const ImageEntry& entry);

}  // namespace upvane
