#pragma once
// Finds the serial ports of the maker's phones, and can first nudge a phone
// that shows itself as a drive into the mode that offers its port.
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

class CQXPort {
 public:
  virtual ~CQXPort() = default;

  // Rebuilds `ports` with the maker's serial ports. With `kickDrives`, the
  // maker's drives are first sent the vendor commands (takes 6 s or more).
  int DiscoverPorts(bool kickDrives);
  // The port at `index`; "" outside the list.
  void GetPortName(int index, std::string& name) const;
  // True once `portName` is no longer listed (or no maker port is); false
  // when it is still listed at the deadline.
  bool WaitPortGone(const std::string& portName, uint32_t timeoutMs);
  // Every serial device present, maker or not.
  static int ListSerialCommPorts(std::vector<std::string>& names);

  std::vector<std::string> ports;  // device paths ("/dev/ttyACM0")

 private:
  void ScanPorts();
  static void NudgeMakerDrives();
};

}  // namespace upvane
