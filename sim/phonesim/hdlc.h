#pragma once
// The phone's side of the diagnostic framing, written on its own so that it
// checks the program instead of sharing its mistakes. Strict: frames with a
// wrong check value or a broken escape are reported, not passed on.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace upvane::sim {

uint16_t Crc16X25(const uint8_t* data, size_t length);

// Packet -> escaped frame with check value and closing flag (and a leading
// flag when asked, as the download modes answer).
void AppendFrame(std::vector<uint8_t>& out, const std::vector<uint8_t>& packet, bool leadingFlag,
                 bool corruptCheck = false);

class FrameReader {
 public:
  enum class Result { kNone, kFrame, kBadFrame };
  // Feeds one byte; kFrame when a frame with a good check value ended (its
  // packet in packet()), kBadFrame for a wrong check value or broken escape.
  Result Feed(uint8_t byte) {
    if (byte != 0x7E && byte != 0x7D && !m_bEscape && m_raw.size() < kLimit) {
      m_raw.push_back(byte);  // the common case, kept inline
      return Result::kNone;
    }
    return FeedSpecial(byte);
  }
  const std::vector<uint8_t>& packet() const { return m_packet; }
  void Reset();

 private:
  static constexpr size_t kLimit = 300000;
  Result FeedSpecial(uint8_t byte);
  std::vector<uint8_t> m_raw;
  std::vector<uint8_t> m_packet;
  bool m_bEscape = false;
  bool m_bBroken = false;
};

}  // namespace upvane::sim
