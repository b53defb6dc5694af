// A package checked, downloaded in 1 MiB slices and decrypted by the update
// worker, against curl fetching the same encrypted bytes in one request
// piped into openssl (same run, same server). Also the worker's peak memory
// for a 32 MiB and a 256 MiB package: it must not grow with the size.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/deployment.h"
#include "platform/http_client.h"
#include "server/sbn_download.h"

extern char** environ;

namespace {

using nlohmann::json;

std::string g_self;
std::string g_work;
pid_t g_server = -1;
std::string g_updateUrl, g_filesHost, g_versionHost, g_caFile;
std::vector<double> g_ours, g_anchor;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

pid_t Spawn(const std::vector<std::string>& args, int stdoutFd) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  pid_t pid = -1;
  if (posix_spawn(&pid, copy[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool StartServer() {
  const std::string scenario = g_work + "/bench-scenario.json";
  std::ofstream(scenario) << R"({"updates": [
    {"model": "E3107", "offer": "v1", "version": "200.2.WQ00", "unit": "1048576", "package": {"size": 268435456, "seed": 1}},
    {"model": "E3109", "offer": "v1", "version": "300.3.WQ00", "unit": "1048576", "package": {"size": 33554432, "seed": 2}}
  ]})";
  int fds[2];
  if (pipe(fds) != 0) return false;
  const std::string server =
      std::filesystem::path(g_self).parent_path().parent_path() / "sim/simserver/simserver";
  g_server = Spawn({server, "--scenario", scenario, "--home", g_work + "/server"}, fds[1]);
  close(fds[1]);
  if (g_server <= 0) return false;
  std::FILE* out = fdopen(fds[0], "r");
  char line[1024];
  for (int i = 0; i < 4 && std::fgets(line, sizeof line, out); ++i) {
    std::string text(line);
    text.pop_back();
    const size_t sp = text.find(' ');
    const std::string key = text.substr(0, sp), value = text.substr(sp + 1);
    if (key == "update") g_updateUrl = value;
    if (key == "files") g_filesHost = value;
    if (key == "version") g_versionHost = value;
    if (key == "ca") g_caFile = value;
  }
  std::fclose(out);
  setenv("UPVANE_UPDATE_URL", g_updateUrl.c_str(), 1);
  setenv("UPVANE_REPAIR_HOST", g_filesHost.c_str(), 1);
  setenv("UPVANE_VERSION_HOST", g_versionHost.c_str(), 1);
  setenv("UPVANE_CA_FILE", g_caFile.c_str(), 1);
  setenv("UPVANE_HOME", (g_work + "/client").c_str(), 1);
  return !g_caFile.empty();
}

void StopServer() {
  if (g_server <= 0) return;
  kill(g_server, SIGTERM);
  int status = 0;
  waitpid(g_server, &status, 0);
}

json Recorded() {
  upvane::HttpClient http;
  upvane::HttpRequest req;
  req.url = "http://" + g_filesHost + "/test/recorded";
  std::string body;
  http.Perform(req, upvane::HttpHeaderCheck(), [&](const uint8_t* d, size_t n) {
    body.append(reinterpret_cast<const char*>(d), n);
    return true;
  });
  return json::parse(body, nullptr, false);
}

// Runs the worker in a child process; its peak resident size in KiB.
long DownloadInChild(const std::string& model, int& result) {
  const pid_t pid = Spawn({g_self, "--download-child", model}, -1);
  int status = 0;
  rusage usage{};
  if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) {
    result = -1;
    return 0;
  }
  result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return usage.ru_maxrss;
}

void BM_UpdateWorker(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    int result = -1;
    DownloadInChild("E3107", result);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) state.SkipWithError("download failed");
    state.SetIterationTime(s);
    g_ours.push_back(s);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 268435456);
}

void BM_CurlOpenssl(benchmark::State& state) {
  const json rec = Recorded();
  const std::string key = rec["packages"][0]["key"].get<std::string>().substr(0, 32);
  const std::string out = g_work + "/anchor.bin";
  const std::string command = "curl -s --cacert " + g_caFile + " https://" + g_versionHost +
                              "/test/package/0 | openssl enc -d -aes-128-cbc -K " + key + " -iv " +
                              upvane::Deployment().fixedIvHex + " > " + out;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (rc != 0) state.SkipWithError("curl | openssl failed");
    state.SetIterationTime(s);
    g_anchor.push_back(s);
  }
  std::error_code ec;
  if (std::filesystem::file_size(out, ec) != 268435456)
    state.SkipWithError("anchor output has the wrong size");
  std::filesystem::remove(out, ec);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 268435456);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--download-child") {
    upvane::D_PHONE_INFO phone;
    phone.ModelID = argv[2];
    phone.DeviceID = "352099001761481";
    phone.Firmware = "1.001AB.01";
    upvane::CSbnDownLoad worker;
    worker.SetPhone(phone);
    const int result = worker.ThreadSbnDownLoadFunc(1);
    std::error_code ec;
    std::filesystem::remove(worker.GetPackagePath(), ec);
    return result;
  }
  g_self = std::filesystem::canonical("/proc/self/exe").string();
  const char* dir = std::getenv("UPVANE_BENCH_DIR");
  g_work =
      (dir && *dir ? std::string(dir) : std::filesystem::temp_directory_path().string()) + "/update-download";
  std::filesystem::create_directories(g_work + "/client");
  if (!StartServer()) {
    std::fprintf(stderr, "bench_update_download: simserver did not start\n");
    StopServer();
    return 1;
  }
  benchmark::RegisterBenchmark("update_download/worker_256MiB", BM_UpdateWorker)
      ->UseManualTime()
      ->Iterations(1)
      ->Repetitions(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("update_download/curl_openssl_256MiB", BM_CurlOpenssl)
      ->UseManualTime()
      ->Iterations(1)
      ->Repetitions(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  int r32 = -1, r256 = -1;
  const long peak32 = DownloadInChild("E3109", r32);
  const long peak256 = DownloadInChild("E3107", r256);
  StopServer();
  std::error_code ec;
  std::filesystem::remove_all(g_work, ec);
  std::printf("PEAK_RSS update_download 32MiB %.1f MiB (result %d)\n", peak32 / 1024.0, r32);
  std::printf("PEAK_RSS update_download 256MiB %.1f MiB (result %d)\n", peak256 / 1024.0, r256);
  std::printf("PEAK_RSS_DIFF update_download %.1f MiB (limit 8)\n", (peak256 - peak32) / 1024.0);
  // Throughput ours / anchor = anchor time / our time (medians of the runs).
  const double ours = Median(g_ours);
  const double ratio = ours > 0 ? Median(g_anchor) / ours : 0.0;
  std::printf("RATIO update_download %.3f\n", ratio);
  return (r32 == 0 && r256 == 0) ? 0 : 1;
}
