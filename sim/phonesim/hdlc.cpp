#include "hdlc.h"

namespace upvane::sim {

namespace {

// Reflected CRC-16 table of the phone's firmware, built once.
struct CrcTable {
  uint16_t v[256];
  CrcTable() {
    for (int i = 0; i < 256; ++i) {
      uint16_t crc = static_cast<uint16_t>(i);
      for (int b = 0; b < 8; ++b)
        crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : static_cast<uint16_t>(crc >> 1);
      v[i] = crc;
    }
  }
};

}  // namespace

uint16_t Crc16X25(const uint8_t* data, size_t length) {
  static const CrcTable table;
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i)
    crc = static_cast<uint16_t>((crc >> 8) ^ table.v[(crc ^ data[i]) & 0xFF]);
  return static_cast<uint16_t>(~crc);
}

namespace {
void PutEscaped(std::vector<uint8_t>& out, uint8_t b) {
  if (b == 0x7E || b == 0x7D) {
    out.push_back(0x7D);
    out.push_back(static_cast<uint8_t>(b ^ 0x20));
  } else {
    out.push_back(b);
  }
}
}  // namespace

void AppendFrame(std::vector<uint8_t>& out, const std::vector<uint8_t>& packet, bool leadingFlag,
                 bool corruptCheck) {
  if (leadingFlag) out.push_back(0x7E);
  for (uint8_t b : packet) PutEscaped(out, b);
  uint16_t crc = Crc16X25(packet.data(), packet.size());
  if (corruptCheck) crc = static_cast<uint16_t>(crc ^ 0x5A5A);
  PutEscaped(out, static_cast<uint8_t>(crc & 0xFF));
  PutEscaped(out, static_cast<uint8_t>(crc >> 8));
  out.push_back(0x7E);
}

void FrameReader::Reset() {
  m_raw.clear();
  m_bEscape = false;
  m_bBroken = false;
}

FrameReader::Result FrameReader::FeedSpecial(uint8_t byte) {
  if (byte == 0x7E) {
    if (m_raw.empty() && !m_bBroken && !m_bEscape) return Result::kNone;  // leading or repeated flag
    const bool broken = m_bBroken || m_bEscape || m_raw.size() < 3;
    Result result = Result::kBadFrame;
    if (!broken) {
      const size_t n = m_raw.size() - 2;
      const uint16_t got = static_cast<uint16_t>(m_raw[n] | (m_raw[n + 1] << 8));
      if (Crc16X25(m_raw.data(), n) == got) {
        m_packet.assign(m_raw.begin(), m_raw.begin() + static_cast<long>(n));
        result = Result::kFrame;
      }
    }
    Reset();
    return result;
  }
  if (m_bEscape) {
    m_raw.push_back(static_cast<uint8_t>(byte ^ 0x20));
    m_bEscape = false;
  } else if (byte == 0x7D) {
    m_bEscape = true;
  } else {
    m_raw.push_back(byte);
  }
  if (m_raw.size() > kLimit) {
    m_raw.clear();
    m_bBroken = true;
  }
  return Result::kNone;
}

}  // namespace upvane::sim
