#pragma once
// Child processes: the command-line runner, the process list, detached starts.
#include <sys/types.h>
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

// Splits a command line as Windows programs do (CommandLineToArgv rules):
// white space separates arguments outside double quotes; 2n backslashes
// before a quote give n backslashes and the quote toggles quoting, 2n+1
// give n backslashes and a literal quote; "" inside quotes is a literal
// quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

struct ProcessResult {
  bool started = false;   // the child was started
  bool finished = false;  // it ran to its end (false when killed at the limit)
  int exitCode = -1;      // exit status, or 128 + signal
  std::string output;     // stdout and stderr as one text, lone "\n" as "\r\n"
};

// Runs a command line to its end with stdout and stderr on one pipe that is
// drained while the child runs; stdin is /dev/null. `executable` empty: the
// first word is looked up on PATH. `timeLimitMs` 0: no limit; otherwise the
// child is killed after that many program milliseconds and `finished` is
// false. NUL bytes of the output are dropped.
ProcessResult RunProcess(const std::string& executable, const std::string& commandLine,
                         uint64_t timeLimitMs = 0);

// Turns every "\n" that is not preceded by "\r" into "\r\n".
std::string NormaliseLineEnds(const std::string& text);

struct ProcessEntry {
  pid_t pid = 0;
  std::string exePath;  // target of /proc/<pid>/exe
};
// Every process whose executable this user may read, in /proc order.
std::vector<ProcessEntry> ListProcesses();
// Ends a process with SIGKILL and waits up to `waitMs` for it to be gone.
bool TerminateProcess(pid_t pid, uint32_t waitMs);

// Starts a program detached from this one (its own session, no pipes), with
// the given arguments. True when the program exists, is executable and was
// started.
bool StartDetached(const std::string& path, const std::vector<std::string>& args);

}  // namespace upvane
