#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/clock.h"
#include "platform/files.h"

extern char** environ;

namespace upvane {

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (i < n) {
    while (i < n && isSpace(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      const char c = line[i];
      if (c == '\\') {
        size_t slashes = 0;
        while (i < n && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && line[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      if (!quoted && isSpace(c)) break;
      arg += c;
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string NormaliseLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

namespace {

struct Pipe {
  int fd[2] = {-1, -1};
  ~Pipe() {
    for (int f : fd)
      if (f >= 0) ::close(f);
  }
  void CloseWrite() {
    if (fd[1] >= 0) ::close(fd[1]);
    fd[1] = -1;
  }
};

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

struct SpawnAttr {
  posix_spawnattr_t attr;
  SpawnAttr() { posix_spawnattr_init(&attr); }
  ~SpawnAttr() { posix_spawnattr_destroy(&attr); }
};

std::vector<char*> ArgvOf(std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

void AppendWithoutNul(std::string& out, const char* data, size_t len) {
  for (size_t i = 0; i < len; ++i)
    if (data[i] != '\0') out += data[i];
}

int StatusToCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

ProcessResult RunProcess(const std::string& executable, const std::string& commandLine,
                         uint64_t timeLimitMs) {
  ProcessResult result;
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty()) return result;

  Pipe pipe;
  if (::pipe2(pipe.fd, O_CLOEXEC) != 0) return result;

  SpawnActions fa;
  posix_spawn_file_actions_addopen(&fa.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa.actions, pipe.fd[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&fa.actions, pipe.fd[1], STDERR_FILENO);
  SpawnAttr sa;
  // The child starts with default signal handling and an empty mask.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&sa.attr, &none);
  posix_spawnattr_setsigdefault(&sa.attr, &all);
  posix_spawnattr_setflags(&sa.attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv = ArgvOf(args);
  pid_t pid = 0;
  int rc;
  if (!executable.empty())
    rc = ::posix_spawn(&pid, executable.c_str(), &fa.actions, &sa.attr, argv.data(), environ);
  else
    rc = ::posix_spawnp(&pid, argv[0], &fa.actions, &sa.attr, argv.data(), environ);
  pipe.CloseWrite();
  if (rc != 0) return result;
  result.started = true;

  const uint64_t start = GetTickCount64();
  std::string raw;
  char buf[2048];
  bool killed = false;
  bool reaped = false;
  int status = 0;
  ::fcntl(pipe.fd[0], F_SETFL, O_NONBLOCK);
  for (;;) {
    if (timeLimitMs > 0 && !killed && GetTickCount64() - start >= timeLimitMs) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
    struct pollfd pfd {
      pipe.fd[0], POLLIN, 0
    };
    const int pr = ::poll(&pfd, 1, 20);
    if (pr < 0 && errno != EINTR) break;
    bool eof = false;
    if (pr > 0) {
      for (;;) {
        const ssize_t got = ::read(pipe.fd[0], buf, sizeof buf);
        if (got > 0) {
          AppendWithoutNul(raw, buf, static_cast<size_t>(got));
          continue;
        }
        if (got == 0) eof = true;  // every writer closed
        break;                     // EAGAIN: drained for now
      }
    }
    if (!reaped) {
      const pid_t w = ::waitpid(pid, &status, WNOHANG);
      if (w == pid || (w < 0 && errno != EINTR)) reaped = true;
    }
    // A child that left a process behind which still holds the pipe (a
    // daemon it started) has still ended: what is readable now is the output.
    if (eof || (reaped && pr == 0)) break;
  }
  // The output is closed; the child may still be running (it closed its
  // stdout early): wait for it within the same limit.
  while (!reaped) {
    if (timeLimitMs > 0 && !killed && GetTickCount64() - start >= timeLimitMs) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
    if (timeLimitMs == 0 || killed) {
      if (::waitpid(pid, &status, 0) == pid || errno != EINTR) break;
      continue;
    }
    const pid_t w = ::waitpid(pid, &status, WNOHANG);
    if (w == pid || (w < 0 && errno != EINTR)) break;
    ::usleep(1000);  // the child is normally just exiting
  }
  result.exitCode = StatusToCode(status);
  result.finished = !killed;
  result.output = NormaliseLineEnds(raw);
  return result;
}

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> list;
  DIR* dir = ::opendir("/proc");
  if (!dir) return list;
  while (struct dirent* e = ::readdir(dir)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%ld/exe", pid);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0) continue;  // not ours to read, or a kernel thread
    list.push_back(ProcessEntry{static_cast<pid_t>(pid), std::string(target, static_cast<size_t>(n))});
  }
  ::closedir(dir);
  return list;
}

namespace {

// Gone, or a zombie waiting to be reaped by its parent.
bool ProcessEnded(pid_t pid) {
  if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = std::fopen(path, "r");
  if (!f) return true;
  char text[512] = {0};
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  const char* close = std::strrchr(text, ')');
  return close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
}

}  // namespace

bool TerminateProcess(pid_t pid, uint32_t waitMs) {
  if (pid <= 0) return false;
  if (::kill(pid, SIGKILL) != 0) return false;
  const uint64_t start = GetTickCount64();
  while (!ProcessEnded(pid)) {
    if (GetTickCount64() - start > waitMs) return false;
    SleepMs(1);
  }
  return true;
}

bool StartDetached(const std::string& path, const std::vector<std::string>& args) {
  if (!IsExecutableFile(path)) return false;
  // A short-lived shell starts the program in the background and exits, so
  // the program is re-parented and nobody here has to reap it.
  std::vector<std::string> argv = {"/bin/sh", "-c", "setsid \"$0\" \"$@\" </dev/null >/dev/null 2>&1 &",
                                   path};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv = ArgvOf(argv);
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, cargv.data(), environ) != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace upvane
