#include "bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

#include "platform/files.h"
#include "platform/process.h"

namespace upvane::bench {

std::string ScratchDir() {
  const char* dir = std::getenv("UPVANE_BENCH_DIR");
  if (dir && *dir) return dir;
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

bool MakeRandomFile(const std::string& path, uint64_t size) {
  uint64_t have = 0;
  if (GetFileSize(path, have) && have == size) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937_64 gen(42);
  std::vector<uint64_t> block(1 << 17);
  uint64_t left = size;
  while (left > 0) {
    for (auto& w : block) w = gen();
    const uint64_t n = std::min<uint64_t>(left, block.size() * 8);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
  return static_cast<bool>(out);
}

bool Shell(const std::string& commandLine) {
  const ProcessResult r = RunProcess("/bin/sh", "sh -c \"" + commandLine + "\"");
  return r.finished && r.exitCode == 0;
}

namespace {

// Keeps the mean real time per iteration of every benchmark run.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
      seconds[r.run_name.function_name] = r.real_accumulated_time / static_cast<double>(r.iterations);
    }
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int RunAndReport(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  int status = 0;
  for (const Ratio& r : ratios) {
    const auto ours = reporter.seconds.find(r.ours), anchor = reporter.seconds.find(r.anchor);
    if (ours == reporter.seconds.end() || anchor == reporter.seconds.end() || ours->second <= 0) {
      std::printf("RATIO %s missing\n", r.name.c_str());
      status = 1;
      continue;
    }
    // Same bytes on both sides: throughput ratio = anchor time / our time.
    std::printf("RATIO %s %.3f\n", r.name.c_str(), anchor->second / ours->second);
  }
  std::fflush(stdout);
  return status;
}

}  // namespace upvane::bench
