#pragma once
// Shared pieces of the benchmarks: a scratch folder, big input files, and a
// main that runs the registered benchmarks and prints the ratio lines.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace upvane::bench {

// $UPVANE_BENCH_DIR (set by scripts/bench), else the system temp folder.
std::string ScratchDir();

// A file of `size` pseudo-random bytes (made once per path).
bool MakeRandomFile(const std::string& path, uint64_t size);

// One ratio to print: throughput of `ours` over `anchor`, both benchmarks
// registered under these names, each processing the same bytes.
struct Ratio {
  std::string name;
  std::string ours;
  std::string anchor;
};

// Runs every registered benchmark, then prints "RATIO <name> <value>" for
// each ratio, the last one last. Returns the process exit code.
int RunAndReport(int argc, char** argv, const std::vector<Ratio>& ratios);

// Runs a shell command line; true on exit status 0.
bool Shell(const std::string& commandLine);

}  // namespace upvane::bench
