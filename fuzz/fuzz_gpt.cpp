// The GPT reader over arbitrary image bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "packages/gpt_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  upvane::GptImage gpt;
  gpt.LoadBuffer(data, size);
  uint64_t offset = 0;
  for (const char* label : {"boot_a", "a", "PrimaryGPT", "system"}) {
    gpt.PartitionStart(label, offset);
    gpt.PartitionEnd(label, offset);
  }
  // Labels taken from the input itself reach the matching code too.
  if (size > 0)
    gpt.PartitionStart(std::string(reinterpret_cast<const char*>(data), size < 40 ? size : 40), offset);
  return 0;
}
