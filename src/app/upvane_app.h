#pragma once
// The application object: single instance, the version hand-off to the
// companion launcher, the debug bridge start, the main window, clean-up.
#include <functional>
#include <string>

namespace upvane {

constexpr int kProgramLauncher = 0;  // the companion launcher ("LNPC")
constexpr int kProgramUpvane = 2;    // this program ("VQ")

class CUpvaneApp {
 public:
  // Asks the version server about one program: true when the server's
  // version is newer; `answered` says whether the server answered.
  using VersionQuery = std::function<bool(int program, int& answered)>;

  // Runs the program; the result is the process exit code.
  int InitInstance(int argc, char** argv);

  // Start-up step 3: true when a launcher or updater was started (the
  // program then ends).
  bool HandOff();
  // Start-up step 4: true when the debug bridge server answered in time.
  bool StartAdbServer();

  void SetVersionQuery(VersionQuery q) { m_versionQuery = std::move(q); }
  // How long StartAdbServer keeps trying (program ms).
  void SetAdbLimit(uint64_t ms) { m_nAdbLimitMs = ms; }

 private:
  VersionQuery m_versionQuery;
  uint64_t m_nAdbLimitMs = 10000;
};

// Whether a command line (the arguments joined) counts as a start by the
// companion launcher: anything but blanks.
bool IsLaunchedCommandLine(const std::string& commandLine);

}  // namespace upvane
