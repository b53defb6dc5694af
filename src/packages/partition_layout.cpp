#include "packages/partition_layout.h"

#include "packages/profile_file.h"
#include "platform/format.h"

namespace upvane {

namespace {

bool EndsWith(const std::string& text, const char* tail) {
  const std::string t(tail);
  return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

// Reads one partition section; false when its label is empty (end of the list).
bool ReadRow(const ProfileFile& profile, int n, bool withLun, LayoutRow& row, bool& usable) {
  const std::string section = Format("partition%03d", n);
  const std::string label = profile.GetString(section, "label", "", 128);
  if (label.empty()) return false;
  const std::string fileName = profile.GetString(section, "filename", "", 128);
  const std::string property = profile.GetString(section, "property", "", 32);
  row = LayoutRow{};
  if (withLun) row.lun = static_cast<uint16_t>(profile.GetInt(section, "lun", 0));
  // A name that does not fit its field is left out rather than cut to a
  // different partition's name.
  usable = !fileName.empty() && label.size() <= PartitionLayout::MAX_LABEL &&
           fileName.size() <= PartitionLayout::MAX_FILE_NAME;
  row.label = label;
  row.fileName = fileName;
  row.property = ParseHexWord(property);
  return true;
}

}  // namespace

int PartitionLayout::Load(const std::string& path) {
  ProfileFile profile;
  profile.Load(path);
  return LoadFrom(profile);
}

int PartitionLayout::LoadText(const std::string& text) {
  ProfileFile profile;
  profile.LoadText(text);
  return LoadFrom(profile);
}

int PartitionLayout::LoadFrom(const ProfileFile& profile) {
  m_nMaxLun = 0;
  m_physicalRows.clear();
  m_superRows.clear();
  m_nMaxLun = profile.GetInt("global", "max_lun_no", 0);
  for (int n = 1; n <= 999; ++n) {
    LayoutRow row;
    bool usable = false;
    if (!ReadRow(profile, n, true, row, usable)) break;
    if (!usable) continue;
    if (row.property & PROPERTY_SUPER)
      m_superRows.push_back(std::move(row));
    else
      m_physicalRows.push_back(std::move(row));
  }
  return static_cast<int>(m_physicalRows.size() + m_superRows.size());
}

const LayoutRow* PartitionLayout::GetRow(size_t index, List list) const {
  const std::vector<LayoutRow>& rows = list == List::Super ? m_superRows : m_physicalRows;
  if (index >= rows.size() || rows[index].label.empty()) return nullptr;
  return &rows[index];
}

int LegacyPartitionLayout::Load(const std::string& path) {
  ProfileFile profile;
  profile.Load(path);
  return LoadFrom(profile);
}

int LegacyPartitionLayout::LoadText(const std::string& text) {
  ProfileFile profile;
  profile.LoadText(text);
  return LoadFrom(profile);
}

int LegacyPartitionLayout::LoadFrom(const ProfileFile& profile) {
  m_rows.clear();
  m_strModel = profile.GetString("global", "model", "XXXX", 64);
  for (int n = 1; n <= 128; ++n) {
    LayoutRow row;
    bool usable = false;
    if (!ReadRow(profile, n, false, row, usable)) break;
    if (usable) m_rows.push_back(std::move(row));
  }
  return 0;
}

const LayoutRow* LegacyPartitionLayout::GetRow(size_t index) const {
  if (index >= m_rows.size() || m_rows[index].label.empty()) return nullptr;
  return &m_rows[index];
}

bool IsSlotA(const ImageEntry& entry) { return EndsWith(entry.label, "_a"); }
bool IsSlotB(const ImageEntry& entry) { return EndsWith(entry.label, "_b"); }
bool NeedsErase(const ImageEntry& entry) { return (entry.property & PROPERTY_ERASE) != 0; }
bool IsFastbootImage(const ImageEntry& entry) { return (entry.property & PROPERTY_FASTBOOT) != 0; }

}  // namespace upvane
