// Delta chunks over the diagnostic link against the raw limit of the same
// kind of link: the same request bytes and a 16-byte answer, unparsed.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "diag/com_ms.h"
#include "diag/diag_frame.h"
#include "platform/serial_port.h"
#include "pty.h"
#include "sim_phone.h"

namespace {

using namespace upvane;

void BM_DiagChunk(benchmark::State& state) {
  sim::PhoneConfig c;
  c.model = "E3109";
  sim::SimPhone phone(c);
  auto ms = std::make_unique<CComMs>();
  if (!phone.Start() || !ms->Open(phone.PortPath(), 115200) || !ms->UnlockDiagPort()) {
    state.SkipWithError("no phone");
    return;
  }
  std::vector<uint8_t> data(CComMs::kDeltaChunkBytes);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  uint32_t index = 0;
  for (auto _ : state) {
    if (!ms->SendDeltaChunk(1, index++, CComMs::kDeltaChunkBytes, data.data(), false)) {
      state.SkipWithError("chunk refused");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * CComMs::kDeltaChunkBytes);
}

// The same bytes on the wire (a delta-chunk request as framed), sent raw:
// the far side only counts them and writes 16 bytes back, nothing parses.
void BM_RawLink(benchmark::State& state) {
  constexpr size_t kAnswer = 16;
  std::vector<uint8_t> packet(2044 + 3, 0);
  PacketWriter w(packet.data(), 2044);
  w.U8(0x4B).U8(0xFC).U16(0x20D7).U32(0).U8(1).U8(0).U16(CComMs::kDeltaChunkBytes);
  for (int i = 0; i < CComMs::kDeltaChunkBytes; ++i) w.U8(static_cast<uint32_t>(i * 7));
  std::vector<uint8_t> request(2 * packet.size() + 2);
  const int framed = EncodeDiagFrame(request.data(), request.size(), packet.data(), 2044 + 3);
  if (framed < 0) {
    state.SkipWithError("encode");
    return;
  }
  request.resize(static_cast<size_t>(framed));
  const size_t kRequest = request.size();
  sim::PtyPair pty;
  SerialPort port;
  if (!pty.Create(nullptr) || !port.Open(pty.SlavePath(), 115200)) {
    state.SkipWithError("no pty");
    return;
  }
  std::atomic<bool> stop{false};
  std::thread far([&] {
    std::vector<uint8_t> buf(65536);
    const std::vector<uint8_t> answer(kAnswer, 0x5A);
    size_t pending = 0;
    while (!stop) {
      pollfd p{pty.MasterFd(), POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(pty.MasterFd(), buf.data(), buf.size());
      if (n <= 0) continue;
      pending += static_cast<size_t>(n);
      while (pending >= kRequest) {
        pending -= kRequest;
        size_t done = 0;
        while (done < kAnswer) {
          const ssize_t w = ::write(pty.MasterFd(), answer.data() + done, kAnswer - done);
          if (w > 0) done += static_cast<size_t>(w);
        }
      }
    }
  });
  uint8_t answer[kAnswer];
  for (auto _ : state) {
    if (!port.WriteAll(request.data(), request.size(), 60000)) {
      state.SkipWithError("write");
      break;
    }
    size_t got = 0;
    while (got < kAnswer) {
      if (port.WaitReadable(10000) != SerialWait::kReady) break;
      const int n = port.ReadSome(answer + got, kAnswer - got);
      if (n < 0) break;
      got += static_cast<size_t>(n);
    }
    if (got != kAnswer) {
      state.SkipWithError("read");
      break;
    }
  }
  stop = true;
  far.join();
  state.SetItemsProcessed(state.iterations());
}

// Keeps each benchmark's rate (iterations per second) for the ratio line.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.real_accumulated_time > 0)
        rates[r.run_name.function_name.substr(0, r.run_name.function_name.find('#'))].push_back(
            static_cast<double>(r.iterations) / r.real_accumulated_time);
    }
  }
  double Median(const std::string& name) {
    std::vector<double> v = rates[name];
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
  std::map<std::string, std::vector<double>> rates;
};

}  // namespace

int main(int argc, char** argv) {
  // Runs alternate between the two and are compared by their medians, so a
  // busy machine slows both alike.
  for (int i = 0; i < 5; ++i) {
    const std::string n = "#" + std::to_string(i + 1);
    benchmark::RegisterBenchmark(("BM_DiagChunk" + n).c_str(), BM_DiagChunk)->UseRealTime()->MinTime(1.0);
    benchmark::RegisterBenchmark(("BM_RawLink" + n).c_str(), BM_RawLink)->UseRealTime()->MinTime(1.0);
  }
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  // Each pair ran back to back under the same load: the median of the pair
  // ratios is the figure.
  const auto& d = reporter.rates["BM_DiagChunk"];
  const auto& r = reporter.rates["BM_RawLink"];
  std::vector<double> ratios;
  for (size_t i = 0; i < d.size() && i < r.size(); ++i)
    if (r[i] > 0) ratios.push_back(d[i] / r[i]);
  std::sort(ratios.begin(), ratios.end());
  const double ratio = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
  std::printf("chunks per second %.0f (median), raw exchanges per second %.0f (median)\n",
              reporter.Median("BM_DiagChunk"), reporter.Median("BM_RawLink"));
  std::printf("RATIO diag_chunk %.3f\n", ratio);
  return 0;
}
