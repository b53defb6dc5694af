// Splitting a 1 GiB super.img with four partitions against cp of the same
// file on the same disk, and opening the index of a 10 000-member stored ZIP
// against `unzip -Z1` listing it.
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "packages/super_image.h"
#include "packages/zip_archive_index.h"
#include "pkgbuild/pkgbuild.h"
#include "platform/format.h"

namespace upvane::bench {
namespace {

constexpr uint64_t kPartition = 256ull << 20;

std::string SuperDir() { return ScratchDir() + "/super-split"; }
std::string SuperPath() { return SuperDir() + "/super.img"; }
std::string ZipPath() { return ScratchDir() + "/members-10000.zip"; }

bool PrepareSuper() {
  static const bool ready = [] {
    std::error_code ec;
    std::filesystem::create_directories(SuperDir(), ec);
    if (std::filesystem::exists(SuperPath(), ec)) return true;
    std::vector<pkgbuild::SuperPartition> parts;
    const char* names[] = {"system_a", "vendor_a", "product_a", "odm_a"};
    for (uint32_t i = 0; i < 4; ++i) parts.push_back({names[i], pkgbuild::PatternBytes(kPartition, i + 1)});
    return pkgbuild::WriteSuperImage(SuperPath(), parts);
  }();
  return ready;
}

void RemoveOutputs() {
  std::error_code ec;
  for (const char* name : {"system.img", "vendor.img", "product.img", "odm.img", "copy.img"})
    std::filesystem::remove(SuperDir() + "/" + name, ec);
}

void BM_SuperSplitOurs(benchmark::State& state) {
  if (!PrepareSuper()) return state.SkipWithError("cannot make super.img");
  for (auto _ : state) {
    state.PauseTiming();
    RemoveOutputs();
    state.ResumeTiming();
    SuperImageReader reader;
    if (!reader.Load(SuperPath()) || !reader.WriteImages()) state.SkipWithError("split failed");
  }
  RemoveOutputs();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 4 * kPartition));
}

void BM_SuperSplitCp(benchmark::State& state) {
  if (!PrepareSuper()) return state.SkipWithError("cannot make super.img");
  const std::string cmd = Format("cp %s %s/copy.img", SuperPath().c_str(), SuperDir().c_str());
  for (auto _ : state) {
    state.PauseTiming();
    RemoveOutputs();
    state.ResumeTiming();
    if (!Shell(cmd)) state.SkipWithError("cp failed");
  }
  RemoveOutputs();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 4 * kPartition));
}

bool PrepareZip() {
  static const bool ready = [] {
    std::error_code ec;
    if (std::filesystem::exists(ZipPath(), ec)) return true;
    std::vector<pkgbuild::ZipMember> members;
    for (int i = 0; i < 10000; ++i)
      members.push_back(
          {Format("images/part%05d.bin", i), pkgbuild::PatternBytes(64 + i % 512, static_cast<uint32_t>(i))});
    return pkgbuild::WriteStoredZip(ZipPath(), members);
  }();
  return ready;
}

void BM_ZipIndexOurs(benchmark::State& state) {
  if (!PrepareZip()) return state.SkipWithError("cannot make the archive");
  for (auto _ : state) {
    ZipArchiveIndex index;
    if (index.Open(ZipPath()) != 0 || index.Entries().size() != 10000) state.SkipWithError("open failed");
  }
}

void BM_ZipIndexUnzip(benchmark::State& state) {
  if (!PrepareZip()) return state.SkipWithError("cannot make the archive");
  const std::string cmd = Format("unzip -Z1 %s > /dev/null", ZipPath().c_str());
  for (auto _ : state)
    if (!Shell(cmd)) state.SkipWithError("unzip failed");
}

}  // namespace
}  // namespace upvane::bench

using namespace upvane::bench;
BENCHMARK(BM_ZipIndexUnzip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_ZipIndexOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_SuperSplitCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SuperSplitOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
  return RunAndReport(argc, argv,
                      {{"zip_index", "BM_ZipIndexOurs", "BM_ZipIndexUnzip"},
                       {"super_split", "BM_SuperSplitOurs", "BM_SuperSplitCp"}});
}
