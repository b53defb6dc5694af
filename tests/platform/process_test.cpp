#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using test::TempDir;
using test::WriteFile;

struct SplitCase {
  const char* line;
  std::vector<std::string> args;
};

TEST(SplitCommandLine, WindowsQuotingRules) {
  const SplitCase cases[] = {
      {"fastboot flash boot \"a b.img\"", {"fastboot", "flash", "boot", "a b.img"}},
      {"  adb   devices  ", {"adb", "devices"}},
      {"a\tb", {"a", "b"}},
      {"\"\"", {""}},
      {"x \"\"", {"x", ""}},
      {"a\\\\b", {"a\\\\b"}},           // backslashes not before a quote are literal
      {"\"a\\\"b\"", {"a\"b"}},         // \" is a literal quote
      {"\"a\\\\\" b", {"a\\", "b"}},    // \\" gives one backslash and closes
      {"\"a\"\"b\" c", {"a\"b", "c"}},  // "" inside quotes is a quote
      {"ab\"c d\"e", {"abc de"}},       // quotes in the middle of a word
      {"\"unterminated text", {"unterminated text"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(NormaliseLineEnds, OnlyLoneLineFeedsChange) {
  EXPECT_EQ(NormaliseLineEnds("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(NormaliseLineEnds("\n\n"), "\r\n\r\n");
  EXPECT_EQ(NormaliseLineEnds("no end"), "no end");
}

class RunProcessTest : public ::testing::Test {
 protected:
  std::string Script(const std::string& name, const std::string& body) {
    const std::string path = dir.File(name);
    WriteFile(path, "#!/bin/sh\n" + body, true);
    return path;
  }
  TempDir dir;
};

TEST_F(RunProcessTest, QuotedFileArrivesAsOneArgument) {
  const std::string tool = Script("fastboot", "for a in \"$@\"; do printf '[%s]' \"$a\"; done\n");
  const ProcessResult r = RunProcess(tool, "fastboot flash boot \"a b.img\"");
  ASSERT_TRUE(r.started);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.output, "[flash][boot][a b.img]");
}

TEST_F(RunProcessTest, LargeOutputDoesNotBlockTheChild) {
  // 1 MiB, far more than a pipe holds, on stdout and stderr together.
  const std::string tool =
      Script("big", "head -c 524288 /dev/zero | tr '\\0' x; head -c 524288 /dev/zero | tr '\\0' y >&2\n");
  const ProcessResult r = RunProcess(tool, "big", 60000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.output.size(), 1048576u);
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), 'x'), 524288);
}

TEST_F(RunProcessTest, NulBytesAreDroppedAndTheRestKept) {
  const std::string tool = Script("nul", "printf 'ab\\000cd\\000\\000e\\n'\n");
  const ProcessResult r = RunProcess(tool, "nul");
  EXPECT_EQ(r.output, "abcde\r\n");
}

TEST_F(RunProcessTest, ExitCodeAndStderrAreCaptured) {
  const std::string tool = Script("fail", "echo out; echo err >&2; exit 3\n");
  const ProcessResult r = RunProcess(tool, "fail");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "out\r\nerr\r\n");
}

TEST_F(RunProcessTest, MissingExecutableIsNotStarted) {
  EXPECT_FALSE(RunProcess(dir.File("nothing-here"), "nothing-here").started);
  EXPECT_FALSE(RunProcess("", "upvane-no-such-program-anywhere --x").started);
  EXPECT_FALSE(RunProcess("", "").started);
}

TEST_F(RunProcessTest, FirstWordIsLookedUpOnPathWithoutExecutable) {
  const ProcessResult r = RunProcess("", "echo hello \"big world\"");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.output, "hello big world\r\n");
}

TEST_F(RunProcessTest, TimeLimitKillsAHangingChild) {
  const std::string tool = Script("hang", "echo waiting; exec sleep 600\n");
  const uint64_t t0 = GetTickCount64();
  const ProcessResult r = RunProcess(tool, "hang", 300);
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.finished);
  EXPECT_EQ(r.output, "waiting\r\n");
  EXPECT_LT(GetTickCount64() - t0, 30000u);
}

TEST_F(RunProcessTest, DaemonHoldingThePipeDoesNotHangTheRunner) {
  // Like "adb start-server": the child leaves a background process behind
  // that keeps the inherited output open.
  const std::string tool = Script("daemon", "sleep 30 & echo started\n");
  const uint64_t t0 = GetTickCount64();
  const ProcessResult r = RunProcess(tool, "daemon");
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.output, "started\r\n");
  EXPECT_LT(GetTickCount64() - t0, 20000u);
}

TEST_F(RunProcessTest, StartDetachedRunsTheProgramWithItsArguments) {
  const std::string mark = dir.File("mark");
  const std::string tool = Script("launcher", "echo \"$1\" > '" + mark + "'\n");
  ASSERT_TRUE(StartDetached(tool, {"VQ_CALL"}));
  for (int i = 0; i < 2000 && !FileExists(mark); ++i) SleepMs(5);
  SleepMs(20);
  EXPECT_EQ(test::ReadFile(mark), "VQ_CALL\n");
  EXPECT_FALSE(StartDetached(dir.File("missing"), {}));
  WriteFile(dir.File("plain"), "not executable");
  EXPECT_FALSE(StartDetached(dir.File("plain"), {}));
}

TEST(ProcessList, FindsAndTerminatesAProcessByExecutable) {
  TempDir dir;
  // A copy of sleep under a marked name, so its /proc exe path carries it.
  const std::string marked = dir.File("upvane_marked_sleep");
  ASSERT_EQ(std::system(("cp /bin/sleep '" + marked + "'").c_str()), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    execl(marked.c_str(), marked.c_str(), "600", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  bool found = false;
  for (int i = 0; i < 500 && !found; ++i) {
    for (const auto& p : ListProcesses())
      if (p.pid == pid && p.exePath.find("upvane_marked_sleep") != std::string::npos) found = true;
    if (!found) SleepMs(2);
  }
  EXPECT_TRUE(found);
  EXPECT_TRUE(TerminateProcess(pid, 500));
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
}

}  // namespace
}  // namespace upvane
