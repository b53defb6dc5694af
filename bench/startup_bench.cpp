// Time from process start to the main window shown (offscreen, with an adb
// that answers at once), against a bare Qt program showing one dialog.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/files.h"

extern char** environ;

namespace upvane::bench {
namespace {

// Starts `exe`, waits for its "main window shown" line, ends it; seconds.
double TimeToWindow(const std::string& exe) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return -1;
  }
  std::string seen;
  double seconds = -1;
  char buf[4096];
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 30000) <= 0) break;
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
    if (seen.find("main window shown") != std::string::npos) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      break;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(fds[0]);
  return seconds;
}

void Measure(benchmark::State& state, const std::string& exe) {
  for (auto _ : state) {
    const double s = TimeToWindow(exe);
    if (s < 0) {
      state.SkipWithError("the window never showed");
      return;
    }
    state.SetIterationTime(s);
  }
}

void BM_StartupOurs(benchmark::State& state) { Measure(state, UPVANE_EXE); }
void BM_StartupBareQt(benchmark::State& state) { Measure(state, MINIMAL_EXE); }

}  // namespace
}  // namespace upvane::bench

using namespace upvane::bench;
BENCHMARK(BM_StartupBareQt)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartupOurs)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Starts simserver for the version check at start-up; returns its pid and
// exports the server addresses (the check then answers at once).
pid_t StartVersionServer(const std::string& dir) {
  const std::string scenario = dir + "/servers.json";
  if (FILE* s = std::fopen(scenario.c_str(), "w")) {
    std::fputs(
        "{\"servers\": {\"versionFiles\": {\"vqversion\": \"0.0.1\\r\\n\", "
        "\"lnpcversion\": \"0.0.1\\r\\n\"}}, \"updates\": []}",
        s);
    std::fclose(s);
  }
  int out[2], in[2];
  // Close-on-exec, so the server holds no end of its own input pipe.
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
  std::string home = dir + "/server";
  std::vector<std::string> args = {SIMSERVER_EXE, "--scenario", scenario, "--home", home, "--stop-on-eof"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, SIMSERVER_EXE, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(out[1]);
  close(in[0]);  // in[1] stays open while the benchmark runs
  if (rc != 0) return -1;
  FILE* lines = fdopen(out[0], "r");
  char line[512];
  int seen = 0;
  while (seen < 4 && lines && std::fgets(line, sizeof line, lines)) {
    std::string l(line);
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
    const size_t sp = l.find(' ');
    if (sp == std::string::npos) continue;
    const std::string key = l.substr(0, sp), value = l.substr(sp + 1);
    if (key == "update") setenv("UPVANE_UPDATE_URL", value.c_str(), 1);
    if (key == "files") setenv("UPVANE_REPAIR_HOST", value.c_str(), 1);
    if (key == "version") setenv("UPVANE_VERSION_HOST", value.c_str(), 1);
    if (key == "ca") setenv("UPVANE_CA_FILE", value.c_str(), 1);
    ++seen;
  }
  return pid;
}

int main(int argc, char** argv) {
  // A private home and an adb that answers at once.
  const std::string dir = ScratchDir() + "/startup";
  upvane::MakeFolders(dir + "/tool", 0700);
  FILE* f = std::fopen((dir + "/tool/adb").c_str(), "w");
  if (f) {
    std::fputs("#!/bin/sh\necho '* daemon started successfully'\n", f);
    std::fclose(f);
  }
  chmod((dir + "/tool/adb").c_str(), 0755);
  setenv("UPVANE_HOME", dir.c_str(), 1);
  setenv("UPVANE_TOOL_DIR", (dir + "/tool").c_str(), 1);
  setenv("UPVANE_DEBUG", "1", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const pid_t server = StartVersionServer(dir);
  (void)server;  // it ends by itself when this process, holding its input, ends
  // Ratio: the bare start's time over ours (at most twice: >= 0.5).
  return RunAndReport(argc, argv, {{"startup", "BM_StartupOurs", "BM_StartupBareQt"}});
}
