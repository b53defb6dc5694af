#include "devices/com_ctrl.h"

#include "platform/clock.h"

namespace upvane {

CComCtrl::~CComCtrl() { Close(); }

bool CComCtrl::Open(const std::string& portName, int baudRate) {
  if (port.IsOpen()) return false;
  m_strOpenError.clear();
  const std::string path = portName.find('/') == std::string::npos ? "/dev/" + portName : portName;
  if (!port.Open(path, baudRate, &m_strOpenError)) return false;
  DiscardHeldInput();
  return true;
}

bool CComCtrl::Close() { return port.Close(); }

bool CComCtrl::WaitForData(int timeoutMs, int& available, int& remainingMs) {
  available = 0;
  remainingMs = 0;
  if (!port.IsOpen() || port.IsGone()) return true;
  const uint64_t start = GetTickCount64();
  const int queued = port.Available();
  if (queued > 0) {
    available = queued;
    remainingMs = timeoutMs;
    return false;
  }
  if (timeoutMs <= 0) return true;
  for (;;) {
    const uint64_t elapsed = GetTickCount64() - start;
    if (elapsed >= static_cast<uint64_t>(timeoutMs)) return true;
    if (port.WaitReadable(static_cast<uint64_t>(timeoutMs) - elapsed) != SerialWait::kReady) return true;
    available = port.Available();
    if (available > 0) break;
    SleepMs(1);  // readable, but the bytes are not queued yet
  }
  const uint64_t elapsed = GetTickCount64() - start;
  remainingMs = elapsed >= static_cast<uint64_t>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(elapsed);
  return false;
}

bool CComCtrl::ReadExact(uint8_t* buffer, int count, int timeoutMs, int& remainingMs) {
  remainingMs = 0;
  if (!port.IsOpen() || count < 0) return false;
  const uint64_t start = GetTickCount64();
  const uint64_t limit = timeoutMs > 0 ? static_cast<uint64_t>(timeoutMs) : 0;
  int got = 0;
  while (got < count) {
    const int n = port.ReadSome(buffer + got, static_cast<size_t>(count - got));
    if (n < 0) return false;
    got += n;
    if (got >= count) break;
    const uint64_t elapsed = GetTickCount64() - start;
    if (elapsed >= limit) return false;
    if (port.WaitReadable(limit - elapsed) != SerialWait::kReady) return false;
  }
  const uint64_t elapsed = GetTickCount64() - start;
  remainingMs = elapsed >= limit ? 0 : static_cast<int>(limit - elapsed);
  return true;
}

bool CComCtrl::WriteAll(const uint8_t* bytes, int count) {
  if (!port.IsOpen() || count < 0) return false;
  return port.WriteAll(bytes, static_cast<size_t>(count), kWriteLimitMs);
}

bool CComCtrl::RawWrite(const uint8_t* bytes, int count) {
  if (!port.IsOpen()) return false;
  port.Discard();
  DiscardHeldInput();
  return WriteAll(bytes, count);
}

bool CComCtrl::RawRead(int count, uint8_t* buffer, int timeoutMs, int& got) {
  got = 0;
  if (!port.IsOpen()) return false;
  if (count <= 0) return count == 0;
  int remaining = timeoutMs;
  int stored = 0;
  while (stored < count) {
    int available = 0;
    int left = 0;
    if (WaitForData(remaining, available, left)) return false;
    const int take = available < count - stored ? available : count - stored;
    if (!ReadExact(buffer + stored, take, left, remaining)) return false;
    stored += take;
  }
  got = count;
  return true;
}

bool CComCtrl::RawTransact(const uint8_t* request, int requestCount, int responseCount, uint8_t* response,
                           int& got, int timeoutMs) {
  got = 0;
  if (!port.IsOpen()) return false;
  if (!RawWrite(request, requestCount)) return false;
  return RawRead(responseCount, response, timeoutMs, got);
}

}  // namespace upvane
