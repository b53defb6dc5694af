// The sparse and logical-partition reader. A valid metadata block lies beyond
// the fuzzer's input length, so the input is a list of patches to a valid
// image: a truncation length, then (offset, byte) pairs.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "packages/super_image.h"
#include "pkgbuild/pkgbuild.h"

namespace {

std::string Scratch() {
  const char* base = std::getenv("TMPDIR");
  const std::string dir =
      std::string(base && *base ? base : "/tmp") + "/fuzz-super-" + std::to_string(::getpid());
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

const std::string& Template() {
  static const std::string bytes = [] {
    const std::string path = Scratch() + "/template.img";
    upvane::pkgbuild::WriteSuperImage(path, {{"system_a", upvane::pkgbuild::PatternBytes(4096, 1)},
                                             {"vendor_b", "", 8192, 7},
                                             {"empty_a", "", 0, 0, true}});
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
      std::fclose(f);
    }
    return out;
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = Scratch();
  std::string image = Template();
  if (size >= 2) {
    const size_t keep = (static_cast<size_t>(data[0]) << 8 | data[1]) * image.size() / 65535;
    if (data[0] != 0xFF) image.resize(keep);
  }
  for (size_t i = 2; i + 3 <= size; i += 3) {
    const size_t at = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) % (image.empty() ? 1 : image.size());
    if (!image.empty()) image[at] = static_cast<char>(data[i + 2]);
  }
  const std::string path = dir + "/super.img";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
  }
  upvane::SuperImageReader reader;
  if (reader.Load(path)) reader.WriteImages();
  std::vector<upvane::D_FAST_PART_INFO> list;
  upvane::SuperImageReaderMtk mtk;
  if (mtk.Load(path, list)) mtk.WriteImages();
  // Outputs may only appear next to super.img.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.path().filename() != "super.img" && entry.path().filename() != "template.img")
      std::filesystem::remove(entry.path(), ec);
  return 0;
}
