// Streaming AES-128-CBC decryption and CRC-32 of 256 MiB, each against its
// anchor in the same run: the openssl tool on the same file, and zlib's
// crc32 called directly on the same buffer.
#include <zlib.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "platform/crypto.h"
#include "platform/format.h"
#include "services/crc32_accumulator.h"

namespace upvane::bench {
namespace {

constexpr uint64_t kSize = 256ull << 20;
const char* kKeyHex = "000102030405060708090a0b0c0d0e0f";
const char* kIvHex = "f0e0d0c0b0a090807060504030201000";

std::string Plain() { return ScratchDir() + "/aes-plain.bin"; }
std::string Cipher() { return ScratchDir() + "/aes-cipher.bin"; }

bool PrepareCipherFile() {
  static const bool ready = MakeRandomFile(Plain(), kSize) &&
                            Shell(Format("openssl enc -e -aes-128-cbc -K %s -iv %s -in %s -out %s", kKeyHex,
                                         kIvHex, Plain().c_str(), Cipher().c_str()));
  return ready;
}

void BM_AesCbcDecryptOurs(benchmark::State& state) {
  if (!PrepareCipherFile()) return state.SkipWithError("cannot make the input file");
  uint8_t key[16], iv[16];
  for (int i = 0; i < 16; ++i) {
    key[i] = static_cast<uint8_t>(i);
    iv[i] = static_cast<uint8_t>(0xF0 - 16 * i);
  }
  std::vector<uint8_t> in(1 << 20), out((1 << 20) + 32);
  const std::string outPath = ScratchDir() + "/aes-ours.out";
  for (auto _ : state) {
    std::FILE* src = std::fopen(Cipher().c_str(), "rb");
    std::FILE* dst = std::fopen(outPath.c_str(), "wb");
    AesCbcContext ctx;
    ctx.Init(key, iv, false);
    size_t n;
    while ((n = std::fread(in.data(), 1, in.size(), src)) > 0) {
      const bool last = std::feof(src) || std::ftell(src) == static_cast<long>(kSize + 16);
      size_t produced = 0;
      if (!ctx.Update(in.data(), n, last, out.data(), produced)) state.SkipWithError("decryption failed");
      std::fwrite(out.data(), 1, produced, dst);
    }
    std::fclose(src);
    std::fclose(dst);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_AesCbcDecryptOpenssl(benchmark::State& state) {
  if (!PrepareCipherFile()) return state.SkipWithError("cannot make the input file");
  const std::string cmd = Format("openssl enc -d -aes-128-cbc -K %s -iv %s -in %s -out %s/aes-openssl.out",
                                 kKeyHex, kIvHex, Cipher().c_str(), ScratchDir().c_str());
  for (auto _ : state)
    if (!Shell(cmd)) state.SkipWithError("openssl failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

const std::vector<uint8_t>& CrcBuffer() {
  static const std::vector<uint8_t> buf = [] {
    std::vector<uint8_t> b(kSize);
    uint32_t x = 1;
    for (auto& c : b) c = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
    return b;
  }();
  return buf;
}

void BM_Crc32Ours(benchmark::State& state) {
  const auto& buf = CrcBuffer();
  for (auto _ : state) {
    Crc32Accumulator crc;
    crc.Update(nullptr, 0);
    uint32_t v = 0;
    for (size_t pos = 0; pos < buf.size(); pos += 1 << 20) v = crc.Update(buf.data() + pos, 1 << 20);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_Crc32Zlib(benchmark::State& state) {
  const auto& buf = CrcBuffer();
  for (auto _ : state) {
    uLong v = crc32(0, nullptr, 0);
    for (size_t pos = 0; pos < buf.size(); pos += 1 << 20) v = crc32(v, buf.data() + pos, 1 << 20);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

}  // namespace
}  // namespace upvane::bench

using namespace upvane::bench;
BENCHMARK(BM_AesCbcDecryptOpenssl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AesCbcDecryptOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Crc32Zlib)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Crc32Ours)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
  return RunAndReport(argc, argv,
                      {{"crc32", "BM_Crc32Ours", "BM_Crc32Zlib"},
                       {"aes_cbc_decrypt", "BM_AesCbcDecryptOurs", "BM_AesCbcDecryptOpenssl"}});
}
