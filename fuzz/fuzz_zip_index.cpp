// The ZIP index over arbitrary archive bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "packages/zip_archive_index.h"

namespace {

std::string ScratchFile(const char* name) {
  const char* base = std::getenv("TMPDIR");
  return std::string(base && *base ? base : "/tmp") + "/" + name + "-" + std::to_string(::getpid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchFile("fuzz-zip");
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  upvane::ZipArchiveIndex index;
  if (index.Open(path) == 0) {
    uint64_t offset = 0, length = 0;
    for (const upvane::ZipEntry& e : index.Entries())
      if (index.Find(e.name, offset, length) == 0 && (offset > size || length > size - offset))
        __builtin_trap();
    index.SumSizes("a");
  }
  return 0;
}
