#pragma once
// One phone as the program remembers it; the members are the stored values
// of its record, in the order they are read and written.
#include <cstdint>
#include <string>

namespace upvane {

struct D_PHONE_INFO {
  std::string ModelID;
  std::string DeviceID;
  std::string Firmware;
  std::string No;
  std::string SerialComm;
  std::string ConnectFlg;
  std::string BrewFlg;
  std::string Download;
  std::string ConnDate;
  std::string CheckDate;
  uint32_t Status = 0;
  uint32_t OemExFlg = 0;
};

}  // namespace upvane
