#pragma once
// A real simserver process on 127.0.0.1 for the tests: started from a
// scenario text, its addresses read from the lines it prints, stopped and
// reaped when the object goes.
#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace upvane::test {

class SimServerProcess {
 public:
  SimServerProcess(const std::string& scenarioJson, const std::vector<std::string>& extraArgs = {});
  ~SimServerProcess();
  SimServerProcess(const SimServerProcess&) = delete;
  SimServerProcess& operator=(const SimServerProcess&) = delete;

  bool ok() const { return m_pid > 0 && !updateUrl.empty(); }
  // Sets UPVANE_UPDATE_URL, UPVANE_REPAIR_HOST, UPVANE_VERSION_HOST and
  // UPVANE_CA_FILE for this process (before the deployment is first read).
  void ExportEnvironment() const;

  nlohmann::json Recorded() const;
  bool AddFault(const nlohmann::json& fault) const;
  bool Reset() const;
  // Plain GET/POST of a test endpoint on the file server (plain HTTP).
  std::string Get(const std::string& path) const;

  std::string updateUrl;    // https://127.0.0.1:P/sysupdaterserver/
  std::string filesHost;    // 127.0.0.1:P
  std::string versionHost;  // 127.0.0.1:P
  std::string caFile;
  std::string home;

 private:
  std::string Post(const std::string& path, const std::string& body) const;
  TempDir m_dir;
  std::string m_errFile;
  int m_stdin = -1;  // closing it stops the server
  pid_t m_pid = -1;
};

// The scenario the server tests share: models, offers, images, version files.
std::string ServerTestScenario();

// One server per test process, started on first use; every test resets it.
SimServerProcess& SharedSimServer();

}  // namespace upvane::test
