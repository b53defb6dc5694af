#include "diag/diag_frame.h"

#include <array>
#include <cstring>

namespace upvane {

namespace {

constexpr uint16_t kPolynomial = 0x8408;  // 0x1021 reflected

constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint16_t c = static_cast<uint16_t>(i);
    for (int b = 0; b < 8; ++b)
      c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ kPolynomial) : static_cast<uint16_t>(c >> 1);
    t[i] = c;
  }
  return t;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

uint16_t DiagCrc16(const uint8_t* data, uint32_t bitCount) {
  uint16_t crc = 0xFFFF;
  const uint32_t bytes = bitCount / 8;
  for (uint32_t i = 0; i < bytes; ++i)
    crc = static_cast<uint16_t>((crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF]);
  const uint32_t rest = bitCount % 8;
  if (rest) {
    uint8_t b = data[bytes];
    for (uint32_t i = 0; i < rest; ++i, b >>= 1) {
      const bool mix = ((crc ^ b) & 1) != 0;
      crc >>= 1;
      if (mix) crc ^= kPolynomial;
    }
  }
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

int EncodeDiagFrame(uint8_t* frame, size_t capacity, uint8_t* request, int totalLength) {
  if (totalLength < 3) return -1;
  const int packet = totalLength - 3;
  const uint16_t crc = DiagCrc16(request, static_cast<uint32_t>(packet) * 8);
  request[packet] = static_cast<uint8_t>(crc & 0xFF);
  request[packet + 1] = static_cast<uint8_t>(crc >> 8);
  request[packet + 2] = kDiagFlag;
  // Worst case every byte doubles; when that fits, no per-byte room checks.
  const size_t body = static_cast<size_t>(packet) + 2;
  size_t out = 0;
  if (2 * body + 1 <= capacity) {
    size_t i = 0;
    while (i < body) {
      // Copy eight bytes at once while none of them can be 0x7C..0x7F.
      if (i + 8 <= body) {
        uint64_t w;
        std::memcpy(&w, request + i, 8);
        const uint64_t y = (w | 0x0303030303030303ull) ^ 0x7F7F7F7F7F7F7F7Full;
        if (((y - 0x0101010101010101ull) & ~y & 0x8080808080808080ull) == 0) {
          std::memcpy(frame + out, &w, 8);
          out += 8;
          i += 8;
          continue;
        }
      }
      const uint8_t b = request[i++];
      if (b == kDiagFlag || b == kDiagEscape) {
        frame[out++] = kDiagEscape;
        frame[out++] = static_cast<uint8_t>(b ^ kDiagEscapeXor);
      } else {
        frame[out++] = b;
      }
    }
  } else {
    for (size_t i = 0; i < body; ++i) {
      const uint8_t b = request[i];
      const bool escape = b == kDiagFlag || b == kDiagEscape;
      if (out + (escape ? 2 : 1) > capacity) return -1;
      if (escape) {
        frame[out++] = kDiagEscape;
        frame[out++] = static_cast<uint8_t>(b ^ kDiagEscapeXor);
      } else {
        frame[out++] = b;
      }
    }
  }
  if (out + 1 > capacity) return -1;
  frame[out++] = kDiagFlag;
  return static_cast<int>(out);
}

int UnescapeDiagFrame(const uint8_t* raw, int rawLength, uint8_t* out) {
  if (rawLength < 1) return -1;
  int len = 0;
  for (int i = 0; i < rawLength - 1; ++i) {
    if (raw[i] == kDiagEscape) {
      if (i + 1 >= rawLength - 1) return -1;
      out[len++] = static_cast<uint8_t>(raw[++i] ^ kDiagEscapeXor);
    } else {
      out[len++] = raw[i];
    }
  }
  out[len++] = kDiagFlag;
  return len;
}

bool PacketWriter::Room(int count) {
  if (!m_bOk || count < 0 || m_nLength + count > m_nCapacity) {
    m_bOk = false;
    return false;
  }
  return true;
}

PacketWriter& PacketWriter::U8(uint32_t v) {
  if (Room(1)) m_p[m_nLength++] = static_cast<uint8_t>(v);
  return *this;
}

PacketWriter& PacketWriter::U16(uint32_t v) {
  if (Room(2)) {
    m_p[m_nLength++] = static_cast<uint8_t>(v);
    m_p[m_nLength++] = static_cast<uint8_t>(v >> 8);
  }
  return *this;
}

PacketWriter& PacketWriter::U32(uint32_t v) {
  if (Room(4)) {
    for (int i = 0; i < 4; ++i) m_p[m_nLength++] = static_cast<uint8_t>(v >> (8 * i));
  }
  return *this;
}

PacketWriter& PacketWriter::U16BE(uint32_t v) {
  if (Room(2)) {
    m_p[m_nLength++] = static_cast<uint8_t>(v >> 8);
    m_p[m_nLength++] = static_cast<uint8_t>(v);
  }
  return *this;
}

PacketWriter& PacketWriter::U32BE(uint32_t v) {
  if (Room(4)) {
    for (int i = 3; i >= 0; --i) m_p[m_nLength++] = static_cast<uint8_t>(v >> (8 * i));
  }
  return *this;
}

PacketWriter& PacketWriter::Bytes(const void* data, int count) {
  if (count > 0 && Room(count)) {
    std::memcpy(m_p + m_nLength, data, static_cast<size_t>(count));
    m_nLength += count;
  }
  return *this;
}

PacketWriter& PacketWriter::Zeros(int count) {
  if (count > 0 && Room(count)) {
    std::memset(m_p + m_nLength, 0, static_cast<size_t>(count));
    m_nLength += count;
  }
  return *this;
}

PacketWriter& PacketWriter::Text(const char* text, bool terminator) {
  const int n = static_cast<int>(std::strlen(text));
  Bytes(text, n);
  if (terminator) U8(0);
  return *this;
}

}  // namespace upvane
