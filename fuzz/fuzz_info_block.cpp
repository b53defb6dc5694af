// Both info-block readers and the CRC trailer over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "packages/ms_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::istringstream in(bytes);
    upvane::InfoRecord record;
    upvane::CMsInfo info;
    if (info.ReadInfoBlock(in, record, false) == upvane::INFO_OK)
      for (int row = 0; row < upvane::CMsInfo::ENTRY_NAME_COUNT + 1; ++row) info.FindImageEntry(record, row);
  }
  {
    std::istringstream in(bytes);
    upvane::BrewInfoRecord record;
    upvane::CMsInfo_Brew info;
    if (info.ReadInfoBlock(in, record) == upvane::INFO_OK)
      for (const upvane::ImageRow& row : record.rows) info.FindBrewPartitionKind(row.name.c_str());
  }
  return 0;
}
