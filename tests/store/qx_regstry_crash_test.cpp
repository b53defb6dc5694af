// A writer process killed with SIGKILL in the middle of its writes leaves a
// sound store that holds every write it reported done.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "crash_record.h"
#include "platform/registry_store.h"
#include "store/qx_regstry.h"
#include "support/test_support.h"

extern char** environ;

namespace upvane {
namespace {

// Reads "done <n>" lines; every complete one is a reported write.
void TakeLines(std::string& pending, std::vector<unsigned>& done, bool& failed) {
  size_t end;
  while ((end = pending.find('\n')) != std::string::npos) {
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (line.rfind("done ", 0) == 0) {
      done.push_back(static_cast<unsigned>(std::stoul(line.substr(5))));
    } else {
      failed = true;
    }
  }
}

TEST(QxRegstryCrash, KilledWriterLosesNothingReported) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());
  constexpr size_t kReportsBeforeKill = 60;

  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* argv[] = {const_cast<char*>(STORE_CRASH_WRITER), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, STORE_CRASH_WRITER, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ASSERT_EQ(spawned, 0);

  std::string pending;
  std::vector<unsigned> done;
  bool failed = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  bool eof = false;
  while (!eof && !failed && done.size() < kReportsBeforeKill && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    char buf[256];
    const ssize_t n = ::read(out[0], buf, sizeof buf);
    if (n <= 0) {
      eof = true;
      break;
    }
    pending.append(buf, static_cast<size_t>(n));
    TakeLines(pending, done, failed);
  }
  // Killed while it is in the middle of its next record.
  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  // Lines it wrote before it died are reports too.
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) pending.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  TakeLines(pending, done, failed);

  ASSERT_FALSE(failed) << "the writer reported a failed write";
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
  ASSERT_GE(done.size(), kReportsBeforeKill);

  std::string report;
  EXPECT_TRUE(CheckStoreIntegrity(RegistryStorePath(), report)) << report;
  CQxRegstry registry;
  for (const unsigned i : done) {
    SCOPED_TRACE(i);
    D_PHONE_INFO read;
    ASSERT_TRUE(registry.ReadPhone(test::CrashId(i), read));
    const D_PHONE_INFO expected = test::CrashRecord(i);
    EXPECT_EQ(read.ModelID, expected.ModelID);
    EXPECT_EQ(read.DeviceID, expected.DeviceID);
    EXPECT_EQ(read.Firmware, expected.Firmware);
    EXPECT_EQ(read.No, expected.No);
    EXPECT_EQ(read.SerialComm, expected.SerialComm);
    EXPECT_EQ(read.ConnectFlg, expected.ConnectFlg);
    EXPECT_EQ(read.BrewFlg, expected.BrewFlg);
    EXPECT_EQ(read.Download, expected.Download);
    EXPECT_EQ(read.ConnDate, expected.ConnDate);
    EXPECT_EQ(read.CheckDate, expected.CheckDate);
    EXPECT_EQ(read.Status, expected.Status);
    EXPECT_EQ(read.OemExFlg, expected.OemExFlg);
  }
  D_PHONE_INFO counter;
  ASSERT_TRUE(registry.ReadPhone(test::kCounterId, counter));
  EXPECT_GE(counter.Status, done.back());
  // The store stays writable after the crash.
  EXPECT_TRUE(registry.SetPhoneDword(test::kCounterId, "Status", 0));
}

}  // namespace
}  // namespace upvane
