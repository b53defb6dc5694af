// phonesim --scenario FILE [--home DIR]: runs the phones of a scenario on
// ptys, prints "phone <n> <model> port <path>" for each (n from 1) once all
// are answering, and runs until SIGTERM or SIGINT.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "scenario.h"
#include "sim_phone.h"

int main(int argc, char** argv) {
  using namespace upvane::sim;
  std::string scenarioPath;
  std::string home;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scenario" && i + 1 < argc) {
      scenarioPath = argv[++i];
    } else if (a == "--home" && i + 1 < argc) {
      home = argv[++i];
    } else {
      std::fprintf(stderr, "usage: phonesim --scenario FILE [--home DIR]\n");
      return 2;
    }
  }
  if (scenarioPath.empty()) {
    std::fprintf(stderr, "usage: phonesim --scenario FILE [--home DIR]\n");
    return 2;
  }
  Scenario scenario;
  std::string error;
  if (!LoadScenario(scenarioPath, scenario, error)) {
    std::fprintf(stderr, "phonesim: %s\n", error.c_str());
    return 1;
  }
  // Signals are taken by sigwait below; block them before any thread starts.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);

  std::vector<std::unique_ptr<SimPhone>> phones;
  for (const PhoneConfig& c : scenario.phones) {
    auto phone = std::make_unique<SimPhone>(c);
    if (!phone->Start(&error)) {
      std::fprintf(stderr, "phonesim: cannot start phone %zu: %s\n", phones.size() + 1, error.c_str());
      return 1;
    }
    phones.push_back(std::move(phone));
  }
  if (!home.empty()) {
    // The port list, for tools that start phonesim in the background.
    std::error_code ec;
    std::filesystem::create_directories(home, ec);
    std::ofstream list(home + "/phonesim-ports.txt");
    for (size_t i = 0; i < phones.size(); ++i)
      list << "phone " << i + 1 << " " << phones[i]->Config().model << " port " << phones[i]->PortPath()
           << "\n";
  }
  for (size_t i = 0; i < phones.size(); ++i)
    std::printf("phone %zu %s port %s\n", i + 1, phones[i]->Config().model.c_str(),
                phones[i]->PortPath().c_str());
  std::fflush(stdout);
  int sig = 0;
  sigwait(&set, &sig);
  for (auto& p : phones) p->Stop();
  return 0;
}
