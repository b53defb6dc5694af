#pragma once
// One serial port of a phone's diagnostic interface: fixed line settings,
// block writes, waits for incoming bytes and exact reads, each with a limit.
#include <cstdint>
#include <string>

#include "platform/serial_port.h"

namespace upvane {

class CComCtrl {
 public:
  CComCtrl() = default;
  virtual ~CComCtrl();
  CComCtrl(const CComCtrl&) = delete;
  CComCtrl& operator=(const CComCtrl&) = delete;

  // `portName` is a device path; a bare name such as "ttyACM0" is looked up
  // under /dev/.
  bool Open(const std::string& portName, int baudRate);
  bool Close();
  bool IsOpen() const { return port.IsOpen(); }
  // Why the last Open failed (for messages to the user).
  const std::string& OpenError() const { return m_strOpenError; }

  // True when the time ran out (or the port is closed or gone); false when
  // bytes are waiting: their count in `available`, time left in `remainingMs`.
  bool WaitForData(int timeoutMs, int& available, int& remainingMs);
  bool ReadExact(uint8_t* buffer, int count, int timeoutMs, int& remainingMs);
  bool WriteAll(const uint8_t* bytes, int count);
  bool RawWrite(const uint8_t* bytes, int count);
  bool RawRead(int count, uint8_t* buffer, int timeoutMs, int& got);
  bool RawTransact(const uint8_t* request, int requestCount, int responseCount, uint8_t* response, int& got,
                   int timeoutMs);

  static constexpr int kWriteLimitMs = 60000;

 protected:
  // Drops whatever this object still holds of earlier input (the framing
  // layer keeps bytes read past a frame); called before raw exchanges.
  virtual void DiscardHeldInput() {}

  SerialPort port;

 private:
  std::string m_strOpenError;
};

}  // namespace upvane
