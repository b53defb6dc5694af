#pragma once
// Asynchronous HDLC-like framing of the diagnostic port: the packet, a
// CRC-16/X-25 check value (low byte first) and a closing flag, with the flag
// and escape bytes escaped. Fixed buffers only; nothing is allocated.
#include <cstddef>
#include <cstdint>

namespace upvane {

constexpr uint8_t kDiagFlag = 0x7E;
constexpr uint8_t kDiagEscape = 0x7D;
constexpr uint8_t kDiagEscapeXor = 0x20;

// CRC-16/X-25 over `bitCount` bits of `data`: whole bytes through the table,
// a remainder of bits one at a time, least significant bit first.
uint16_t DiagCrc16(const uint8_t* data, uint32_t bitCount);

// `request` holds the packet followed by three placeholder bytes
// (`totalLength` = packet + 3). Writes the check value and the flag into the
// placeholders and the escaped frame (packet, check value, flag) into
// `frame`. Returns the frame's length, or -1 when it would not fit in
// `capacity` or `totalLength` is below 3.
int EncodeDiagFrame(uint8_t* frame, size_t capacity, uint8_t* request, int totalLength);

// Unescapes one received frame: `raw` holds `rawLength` bytes ending with the
// closing flag. Writes the packet, its check value and the flag to `out`
// (room for `rawLength` bytes) and returns that length, or -1 when an escape
// byte stands right before the flag (a broken frame).
int UnescapeDiagFrame(const uint8_t* raw, int rawLength, uint8_t* out);

// Writes a packet with bounds checks into a caller's fixed buffer; after an
// overflow every further write is ignored and ok() is false.
class PacketWriter {
 public:
  PacketWriter(uint8_t* buffer, int capacity) : m_p(buffer), m_nCapacity(capacity) {}
  PacketWriter& U8(uint32_t v);
  PacketWriter& U16(uint32_t v);  // little-endian
  PacketWriter& U32(uint32_t v);  // little-endian
  PacketWriter& U16BE(uint32_t v);
  PacketWriter& U32BE(uint32_t v);
  PacketWriter& Bytes(const void* data, int count);
  PacketWriter& Zeros(int count);
  PacketWriter& Text(const char* text, bool terminator);
  int Length() const { return m_nLength; }
  bool ok() const { return m_bOk; }
  uint8_t* Data() { return m_p; }

 private:
  bool Room(int count);
  uint8_t* m_p;
  int m_nCapacity;
  int m_nLength = 0;
  bool m_bOk = true;
};

}  // namespace upvane
