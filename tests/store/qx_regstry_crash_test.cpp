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

struct Writer {
  pid_t pid = 0;
  int out = -1;
  std::string pending;
  std::vector<unsigned> done;
  bool failed = false;
};

bool StartWriter(unsigned k, Writer& writer) {
  int out[2];
  if (::pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string arg = std::to_string(k);
  char* argv[] = {const_cast<char*>(STORE_CRASH_WRITER), arg.data(), nullptr};
  const int spawned = posix_spawn(&writer.pid, STORE_CRASH_WRITER, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  writer.out = out[0];
  return spawned == 0;
}

// Two writer processes share the store, so each also waits for the other's
// writes; both are killed in the middle of a record.
TEST(QxRegstryCrash, KilledWritersLoseNothingReported) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());
  constexpr size_t kReportsBeforeKill = 30;

  Writer writers[2];
  for (unsigned k = 0; k < 2; ++k) ASSERT_TRUE(StartWriter(k, writers[k]));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  const auto waiting = [&] {
    for (const Writer& w : writers) {
      if (!w.failed && w.out >= 0 && w.done.size() < kReportsBeforeKill) return true;
    }
    return false;
  };
  while (waiting() && std::chrono::steady_clock::now() < deadline) {
    pollfd polls[2] = {{writers[0].out, POLLIN, 0}, {writers[1].out, POLLIN, 0}};
    if (::poll(polls, 2, 200) <= 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (!(polls[k].revents & (POLLIN | POLLHUP))) continue;
      char buf[256];
      const ssize_t n = ::read(writers[k].out, buf, sizeof buf);
      if (n <= 0) {
        ::close(writers[k].out);
        writers[k].out = -1;
        continue;
      }
      writers[k].pending.append(buf, static_cast<size_t>(n));
      TakeLines(writers[k].pending, writers[k].done, writers[k].failed);
    }
  }
  for (Writer& w : writers) ::kill(w.pid, SIGKILL);
  for (unsigned k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    Writer& w = writers[k];
    int status = 0;
    ASSERT_EQ(::waitpid(w.pid, &status, 0), w.pid);
    // Lines it wrote before it died are reports too.
    char buf[4096];
    ssize_t n;
    while (w.out >= 0 && (n = ::read(w.out, buf, sizeof buf)) > 0)
      w.pending.append(buf, static_cast<size_t>(n));
    if (w.out >= 0) ::close(w.out);
    TakeLines(w.pending, w.done, w.failed);
    ASSERT_FALSE(w.failed) << "the writer reported a failed write";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    ASSERT_GE(w.done.size(), kReportsBeforeKill);
  }

  std::string report;
  EXPECT_TRUE(CheckStoreIntegrity(RegistryStorePath(), report)) << report;
  CQxRegstry registry;
  for (unsigned k = 0; k < 2; ++k) {
    for (const unsigned i : writers[k].done) {
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
    ASSERT_TRUE(registry.ReadPhone(test::CounterId(k), counter));
    EXPECT_GE(counter.Status, writers[k].done.back());
  }
  // The store stays writable after the crash.
  EXPECT_TRUE(registry.SetPhoneDword(test::CounterId(0), "Status", 0));
}

}  // namespace
}  // namespace upvane
