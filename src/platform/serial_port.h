#pragma once
// A serial device opened exclusively in raw 8N1 mode, with per-call time
// limits. Times are program milliseconds (see clock.h).
#include <cstddef>
#include <cstdint>
#include <string>

namespace upvane {

enum class SerialWait {
  kReady,    // the port can be read (or written)
  kTimeout,  // the time ran out
  kGone,     // hang-up or I/O error: the device is gone
};

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `path` (must be a terminal) without sharing: a second open of the
  // same device fails while this one holds it. Raw 8N1, no flow control,
  // DTR and RTS on, all pending bytes discarded. `error` gets a reason.
  bool Open(const std::string& path, int baudRate, std::string* error = nullptr);
  // Drops DTR, then closes. False when nothing was open.
  bool Close();
  bool IsOpen() const { return m_fd >= 0; }
  // True after a hang-up or I/O error was seen; the port then fails every call.
  bool IsGone() const { return m_bGone; }

  // Bytes waiting in the input queue (0 on error).
  int Available();
  // Waits until bytes can be read, up to `timeoutMs`.
  SerialWait WaitReadable(uint64_t timeoutMs);
  // Reads what is there now, at most `count` bytes; -1 on error or hang-up.
  int ReadSome(uint8_t* buffer, size_t count);
  // Writes every byte within `timeoutMs`; false on time-out or error.
  bool WriteAll(const uint8_t* data, size_t count, uint64_t timeoutMs);
  // Discards pending input and output.
  void Discard();

 private:
  int m_fd = -1;
  bool m_bGone = false;
};

}  // namespace upvane
