#include "diag/com_ms.h"

#include <cstring>

#include "diag/diag_frame.h"
#include "platform/clock.h"

namespace upvane {

CComMs::CComMs() {
  std::memset(response, 0, sizeof(response));
  std::memset(scratch, 0, sizeof(scratch));
}

CComMs::~CComMs() { Close(); }

int CComMs::FrameEncode(uint8_t* frame, uint8_t* request, int totalLength) {
  return EncodeDiagFrame(frame, kBufferSize, request, totalLength);
}

bool CComMs::Transact(int totalLength, uint8_t* request, int& outLength, uint8_t* responseBuffer,
                      int timeoutMs, int mode) {
  if (!IsOpen() || totalLength < 3) return false;
  const bool leadingFlag = mode == 1 || mode == 2;
  const int offset = leadingFlag ? 1 : 0;
  const int n = EncodeDiagFrame(m_accum + offset, sizeof(m_accum) - static_cast<size_t>(offset) - 1, request,
                                totalLength);
  if (n < 0) return false;
  if (leadingFlag) m_accum[0] = kDiagFlag;
  int count = n + offset;
  if (count % 256 == 0) m_accum[count++] = kDiagFlag;
  if (!WriteAll(m_accum, count)) return false;
  // Subsystem and vendor requests are recognised by their whole command
  // head: a late answer to an earlier command starts with the same byte.
  m_nHeadLength = request[0] == 0x4B ? 4 : (request[0] == 0xFA ? 3 : 1);
  if (m_nHeadLength > totalLength - 3) m_nHeadLength = 1;
  std::memcpy(m_head, request, static_cast<size_t>(m_nHeadLength));
  return Receive(outLength, responseBuffer, timeoutMs, mode, false, request[0]);
}

bool CComMs::ReadFrame(int& outLength, uint8_t* responseBuffer, int timeoutMs, int mode) {
  if (!IsOpen()) return false;
  return Receive(outLength, responseBuffer, timeoutMs, mode, true, 0);
}

bool CComMs::Receive(int& outLength, uint8_t* responseBuffer, int timeoutMs, int mode, bool readFrameRules,
                     uint8_t firstSent) {
  const uint64_t start = GetTickCount64();
  const uint64_t budget = timeoutMs > 0 ? static_cast<uint64_t>(timeoutMs) : 0;
  int accLen = 0;
  for (;;) {
    if (m_nRxPos >= m_nRxLen) {
      // Wait for bytes and take what has come, up to the read buffer.
      m_nRxPos = m_nRxLen = 0;
      const uint64_t elapsed = GetTickCount64() - start;
      const uint64_t remaining = elapsed >= budget ? 0 : budget - elapsed;
      if (port.WaitReadable(remaining) != SerialWait::kReady) return false;
      const int n = port.ReadSome(m_rx, sizeof(m_rx));
      if (n < 0) return false;
      if (n == 0) {
        if (remaining == 0) return false;
        SleepMs(1);  // readable but nothing there yet
        continue;
      }
      m_nRxLen = n;
    }
    while (m_nRxPos < m_nRxLen) {
      const uint8_t b = m_rx[m_nRxPos++];
      if (accLen >= kBufferSize - 1) return false;  // no flag within the largest frame
      m_accum[accLen++] = b;
      if (b != kDiagFlag) continue;
      if (accLen <= 3) {
        accLen = 0;
        continue;
      }
      // An escape right before the flag leaves the frame broken: dropped.
      const int len = UnescapeDiagFrame(m_accum, accLen, responseBuffer);
      accLen = 0;
      if (len < 0) continue;
      outLength = len;
      const uint8_t first = responseBuffer[0];
      bool accepted = false;
      if (mode == 0) {
        // The standard error replies answer any request; 0x18 (bad mode)
        // too, since the download-mode switch retries on it.
        accepted = first == 0x13 || first == 0x14 || first == 0x15 || first == 0x18 ||
                   (readFrameRules
                        ? first == 0x4B
                        : first == firstSent && len - 3 >= m_nHeadLength &&
                              std::memcmp(responseBuffer, m_head, static_cast<size_t>(m_nHeadLength)) == 0);
      } else if (mode == 1) {
        accepted = true;
      } else {
        if (first == 0x0E) continue;
        if (first == 0x0D) {
          // Make the report's text a C string: its trailing line feed, or
          // else the first check-value byte, becomes the terminator.
          if (len >= 4 && responseBuffer[len - 4] == '\n') {
            responseBuffer[len - 4] = 0;
          } else if (len >= 3) {
            responseBuffer[len - 3] = 0;
          }
          return false;
        }
        accepted = true;
      }
      if (accepted) return true;
    }
  }
}

bool CComMs::Send(uint8_t* buffer, int packetLength, int timeoutMs, int mode) {
  m_bLastTransacted = Transact(packetLength + 3, buffer, responseLength, response, timeoutMs, mode);
  return m_bLastTransacted;
}

bool CComMs::AnswerHas(int offset, int width) const {
  return offset >= 0 && width >= 0 && offset + width <= AnswerLength();
}

bool CComMs::AnswerEcho(const uint8_t* request, int count) const {
  return AnswerHas(0, count) && std::memcmp(response, request, static_cast<size_t>(count)) == 0;
}

bool CComMs::AnswerU8(int offset, uint8_t& v) const {
  if (!AnswerHas(offset, 1)) return false;
  v = response[offset];
  return true;
}

bool CComMs::AnswerU16(int offset, uint16_t& v) const {
  if (!AnswerHas(offset, 2)) return false;
  v = static_cast<uint16_t>(response[offset] | (response[offset + 1] << 8));
  return true;
}

bool CComMs::AnswerU32(int offset, uint32_t& v) const {
  if (!AnswerHas(offset, 4)) return false;
  v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | response[offset + i];
  return true;
}

bool CComMs::AnswerStatusZero16(int offset) const {
  uint16_t v = 1;
  return AnswerU16(offset, v) && v == 0;
}

std::string CComMs::AnswerText(int offset, size_t maxLen) const {
  std::string text;
  for (int i = offset; i >= 0 && i < AnswerLength() && text.size() < maxLen; ++i) {
    if (response[i] == 0) break;
    text.push_back(static_cast<char>(response[i]));
  }
  return text;
}

}  // namespace upvane
