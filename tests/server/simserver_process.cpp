#include "simserver_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/http_client.h"

extern char** environ;

namespace upvane::test {

SimServerProcess::SimServerProcess(const std::string& scenarioJson,
                                   const std::vector<std::string>& extraArgs) {
  const std::string scenario = m_dir.File("scenario.json");
  home = m_dir.File("home");
  WriteFile(scenario, scenarioJson);
  int fds[2];
  if (::pipe(fds) != 0) return;
  int in[2];
  if (::pipe(in) != 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return;
  }
  m_stdin = in[1];
  m_errFile = m_dir.File("simserver.err");
  std::vector<std::string> args = {SIMSERVER_PATH, "--scenario", scenario, "--home", home, "--stop-on-eof"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_addopen(&actions, 2, m_errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  const int rc = posix_spawn(&m_pid, SIMSERVER_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  ::close(in[0]);
  ::fcntl(m_stdin, F_SETFD, FD_CLOEXEC);
  if (rc != 0) {
    m_pid = -1;
    ::close(fds[0]);
    return;
  }
  std::FILE* out = ::fdopen(fds[0], "r");
  char line[1024];
  // The four lines come once the servers listen (a few seconds at most).
  for (int i = 0; i < 4 && out && std::fgets(line, sizeof line, out); ++i) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t sp = text.find(' ');
    if (sp == std::string::npos) break;
    const std::string key = text.substr(0, sp), value = text.substr(sp + 1);
    if (key == "update") updateUrl = value;
    if (key == "files") filesHost = value;
    if (key == "version") versionHost = value;
    if (key == "ca") caFile = value;
  }
  if (out) std::fclose(out);
}

SimServerProcess::~SimServerProcess() {
  if (m_stdin >= 0) ::close(m_stdin);
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGTERM);
  for (int i = 0; i < 500; ++i) {
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
      // What the server said (sanitizer reports included) goes to the log.
      const std::string err = ReadFile(m_errFile);
      if (!err.empty()) std::fprintf(stderr, "simserver stderr:\n%s\n", err.c_str());
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(m_pid, SIGKILL);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
}

void SimServerProcess::ExportEnvironment() const {
  ::setenv("UPVANE_UPDATE_URL", updateUrl.c_str(), 1);
  ::setenv("UPVANE_REPAIR_HOST", filesHost.c_str(), 1);
  ::setenv("UPVANE_VERSION_HOST", versionHost.c_str(), 1);
  ::setenv("UPVANE_CA_FILE", caFile.c_str(), 1);
}

std::string SimServerProcess::Get(const std::string& path) const {
  HttpClient http;
  HttpRequest req;
  req.url = "http://" + filesHost + path;
  std::string body;
  http.Perform(req, HttpHeaderCheck(), [&](const uint8_t* d, size_t n) {
    body.append(reinterpret_cast<const char*>(d), n);
    return true;
  });
  return body;
}

std::string SimServerProcess::Post(const std::string& path, const std::string& bodyText) const {
  HttpClient http;
  HttpRequest req;
  req.method = "POST";
  req.url = "http://" + filesHost + path;
  req.body = bodyText;
  req.headers.push_back("Content-Type: application/json");
  std::string body;
  http.Perform(req, HttpHeaderCheck(), [&](const uint8_t* d, size_t n) {
    body.append(reinterpret_cast<const char*>(d), n);
    return true;
  });
  return body;
}

nlohmann::json SimServerProcess::Recorded() const {
  nlohmann::json j = nlohmann::json::parse(Get("/test/recorded"), nullptr, false);
  return j.is_discarded() ? nlohmann::json::object() : j;
}

bool SimServerProcess::AddFault(const nlohmann::json& fault) const {
  return Post("/test/fault", fault.dump()) == "OK";
}

bool SimServerProcess::Reset() const { return Post("/test/reset", "{}") == "OK"; }

std::string ServerTestScenario() {
  return R"({
  "servers": {
    "versionFiles": {"vqversion": "1.0.10\r\n", "lnpcversion": "1.2.0\n", "emptyfirst": "\n2.0\n"},
    "images": [
      {"tag": "binfile34", "size": 2097152, "seed": 34},
      {"tag": "binfile2033", "size": 1048575, "seed": 2033},
      {"tag": "binfile37", "size": 1048576, "seed": 37}
    ]
  },
  "updates": [
    {"model": "E3107NC", "offer": "v1", "version": "200.2.WQ00", "unit": "65536", "package": {"size": 200000, "seed": 1}},
    {"model": "E3109", "offer": "v2", "version": "301.3.AB00", "unit": "4096/32768", "package": {"size": 100000, "seed": 2}},
    {"model": "E3110", "offer": "both", "version": "402.4.CD00", "unit": "1048576", "package": {"size": 50000, "seed": 3}},
    {"model": "C3111", "offer": "none", "version": "503.5.EF00", "package": {"size": 1000, "seed": 4}},
    {"model": "E3112", "from": "1.001AB.01", "offer": "v1", "version": "604.6.GH00", "unit": "8192", "package": {"size": 40000, "seed": 5}},
    {"model": "E3112", "from": "1.002AB.01", "offer": "v1", "version": "604.6.GH01", "unit": "8192", "announceExtra": 1007, "package": {"size": 40000, "seed": 5}},
    {"model": "E3112", "from": "1.003AB.01", "offer": "v1", "version": "604.6.GH02", "unit": "8192", "announceExtra": 1008, "package": {"size": 40000, "seed": 5}},
    {"model": "E3113", "offer": "v1", "version": "705.7.IJ00", "unit": "4096", "package": {"size": 20000, "seed": 6}}
  ]
})";
}

SimServerProcess& SharedSimServer() {
  static std::unique_ptr<SimServerProcess> server = [] {
    auto s = std::make_unique<SimServerProcess>(ServerTestScenario());
    if (s->ok()) s->ExportEnvironment();
    // The platform clock runs faster, so waits and stall limits shrink.
    ::setenv("UPVANE_TIME_SCALE", "20", 0);
    return s;
  }();
  server->Reset();
  return *server;
}

}  // namespace upvane::test
