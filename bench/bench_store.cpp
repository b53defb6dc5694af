// One WritePhone and one ReadPhone against the raw limit of the same SQLite
// build on the same disk: the twelve values written by one prepared INSERT
// each inside a single transaction, and read back by one prepared SELECT, on
// a connection kept open, with the same journal and sync settings.
//
// Prints the median of each and, last, RATIO store_write_read: the anchor's
// write+read time over ours (our throughput as a share of the anchor's).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "bench_support.h"
#include "store/qx_regstry.h"

namespace upvane {
namespace {

const char kDeviceId[] = "35000011112222";

// Every value differs from one n to the next: SQLite skips writing a value
// that has not changed, which would measure nothing.
D_PHONE_INFO BenchRecord(unsigned n) {
  const std::string tag = std::to_string(n % 100000);
  D_PHONE_INFO info;
  info.ModelID = "BX40-" + tag;
  info.DeviceID = kDeviceId;
  info.DeviceID += tag;
  info.Firmware = "9.999WQ.99/" + tag;
  info.No = "0000000000/" + tag;
  info.SerialComm = "/dev/ttyACM0/" + tag;
  info.ConnectFlg = n % 2 ? "On" : "Off";
  info.BrewFlg = n % 2 ? "Off" : "MtkPhone";
  info.Download = "/home/user/.cache/upvane/tmp/PKG_20261211143500_" + tag + ".bin";
  info.ConnDate = "2026/12/11 14:35:00 " + tag;
  info.CheckDate = "2026/12/11 14:36:10 " + tag;
  info.Status = n;
  info.OemExFlg = n + 1;
  return info;
}

std::string g_folder;

void BM_WritePhone(benchmark::State& state) {
  unsigned n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const D_PHONE_INFO info = BenchRecord(++n);
    state.ResumeTiming();
    CQxRegstry registry;
    if (!registry.WritePhone(kDeviceId, info)) state.SkipWithError("WritePhone failed");
  }
}

void BM_ReadPhone(benchmark::State& state) {
  {
    CQxRegstry registry;
    if (!registry.WritePhone(kDeviceId, BenchRecord(0))) state.SkipWithError("WritePhone failed");
  }
  D_PHONE_INFO info;
  for (auto _ : state) {
    CQxRegstry registry;
    if (!registry.ReadPhone(kDeviceId, info)) state.SkipWithError("ReadPhone failed");
    benchmark::DoNotOptimize(info);
  }
}

// The anchor's table: one row per value, as few moving parts as possible.
struct RawStore {
  sqlite3* db = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* select = nullptr;
  bool Open() {
    const std::string path = g_folder + "/anchor.sqlite";
    return sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
           sqlite3_exec(db,
                        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                        "CREATE TABLE IF NOT EXISTS v(rec TEXT, name TEXT, data BLOB, PRIMARY KEY(rec, name))"
                        " WITHOUT ROWID;",
                        nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO v VALUES(?1, ?2, ?3)", -1, &insert, nullptr) ==
               SQLITE_OK &&
           sqlite3_prepare_v2(db, "SELECT name, data FROM v WHERE rec = ?1", -1, &select, nullptr) ==
               SQLITE_OK;
  }
  ~RawStore() {
    sqlite3_finalize(insert);
    sqlite3_finalize(select);
    sqlite3_close(db);
  }
};

std::map<std::string, std::string> Values(const D_PHONE_INFO& info) {
  const auto dword = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  return {{"ModelID", info.ModelID},       {"DeviceID", info.DeviceID},
          {"Firmware", info.Firmware},     {"No", info.No},
          {"SerialComm", info.SerialComm}, {"ConnectFlg", info.ConnectFlg},
          {"BrewFlg", info.BrewFlg},       {"Download", info.Download},
          {"ConnDate", info.ConnDate},     {"CheckDate", info.CheckDate},
          {"Status", dword(info.Status)},  {"OemExFlg", dword(info.OemExFlg)}};
}

bool RawWrite(RawStore& raw, const std::map<std::string, std::string>& values) {
  bool ok = sqlite3_exec(raw.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  for (const auto& [name, data] : values) {
    sqlite3_bind_text(raw.insert, 1, kDeviceId, -1, SQLITE_STATIC);
    sqlite3_bind_text(raw.insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_blob(raw.insert, 3, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    ok &= sqlite3_step(raw.insert) == SQLITE_DONE;
    sqlite3_reset(raw.insert);
  }
  return sqlite3_exec(raw.db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

void BM_AnchorWrite(benchmark::State& state) {
  RawStore raw;
  if (!raw.Open()) state.SkipWithError("anchor store failed");
  unsigned n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto values = Values(BenchRecord(++n));
    state.ResumeTiming();
    if (!RawWrite(raw, values)) state.SkipWithError("anchor write failed");
  }
}

void BM_AnchorRead(benchmark::State& state) {
  RawStore raw;
  if (!raw.Open() || !RawWrite(raw, Values(BenchRecord(0)))) state.SkipWithError("anchor store failed");
  for (auto _ : state) {
    sqlite3_bind_text(raw.select, 1, kDeviceId, -1, SQLITE_STATIC);
    size_t bytes = 0, rows = 0;
    while (sqlite3_step(raw.select) == SQLITE_ROW) {
      bytes += static_cast<size_t>(sqlite3_column_bytes(raw.select, 1));
      ++rows;
    }
    sqlite3_reset(raw.select);
    if (rows != 12) state.SkipWithError("anchor read failed");
    benchmark::DoNotOptimize(bytes);
  }
}

constexpr int kRepetitions = 7;
BENCHMARK(BM_WritePhone)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadPhone)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_AnchorWrite)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AnchorRead)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

// Keeps the medians (in microseconds) as the console reporter prints them.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
        medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians;
};

}  // namespace
}  // namespace upvane

int main(int argc, char** argv) {
  using namespace upvane;
  std::string pattern = bench::ScratchDir() + "/bench-store-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  g_folder = pattern;
  ::setenv("UPVANE_HOME", g_folder.c_str(), 1);

  benchmark::Initialize(&argc, argv);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(g_folder, ec);

  auto& m = reporter.medians;
  for (const char* name : {"BM_WritePhone", "BM_ReadPhone", "BM_AnchorWrite", "BM_AnchorRead"}) {
    if (!m.count(name)) {
      std::printf("missing median of %s\n", name);
      return 1;
    }
    std::printf("MEDIAN %s %.1f us\n", name + 3, m[name]);
  }
  const double ours = m["BM_WritePhone"] + m["BM_ReadPhone"];
  const double anchor = m["BM_AnchorWrite"] + m["BM_AnchorRead"];
  std::printf("RATIO store_write_read %.4f\n", ours > 0 ? anchor / ours : 0.0);
  return 0;
}
