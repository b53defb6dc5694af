// Frame coding on arbitrary input: unescaping never writes past its output,
// and every encoded packet unescapes back to the packet, its check value and
// the flag.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "diag/diag_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace upvane;
  if (size > 70000) return 0;
  const int n = static_cast<int>(size);
  // As received: split at flags and unescape each piece.
  std::vector<uint8_t> out(size + 1);
  int start = 0;
  for (int i = 0; i < n; ++i) {
    if (data[i] != kDiagFlag) continue;
    const int len = UnescapeDiagFrame(data + start, i - start + 1, out.data());
    if (len > i - start + 1) __builtin_trap();
    start = i + 1;
  }
  // As sent: the packet with room for check value and flag.
  std::vector<uint8_t> request(data, data + size);
  request.resize(size + 3);
  std::vector<uint8_t> frame(2 * size + 8);
  const int f = EncodeDiagFrame(frame.data(), frame.size(), request.data(), n + 3);
  if (f < 0) __builtin_trap();
  for (int i = 0; i < f - 1; ++i)
    if (frame[static_cast<size_t>(i)] == kDiagFlag) __builtin_trap();
  std::vector<uint8_t> back(static_cast<size_t>(f));
  const int b = UnescapeDiagFrame(frame.data(), f, back.data());
  if (b != n + 3 || std::memcmp(back.data(), request.data(), static_cast<size_t>(b)) != 0) __builtin_trap();
  if (DiagCrc16(data, static_cast<uint32_t>(size) * 8) !=
      static_cast<uint16_t>(request[size] | (request[size + 1] << 8)))
    __builtin_trap();
  return 0;
}
