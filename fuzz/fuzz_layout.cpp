// The profile reader and both partition-layout forms over arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "packages/partition_layout.h"
#include "packages/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  upvane::PartitionLayout layout;
  layout.LoadText(text);
  for (size_t i = 0; i < layout.m_physicalRows.size() + 1; ++i)
    layout.GetRow(i, upvane::PartitionLayout::List::Physical);
  upvane::LegacyPartitionLayout legacy;
  legacy.LoadText(text);
  upvane::ProfileFile profile;
  profile.LoadText(text);
  for (const std::string& section : profile.SectionNames()) profile.GetInt(section, "lun", 0);
  upvane::ParseHexWord(text);
  return 0;
}
