#pragma once
// Runs the phonesim executable for a test: start, read its port lines,
// SIGTERM and reap on destruction.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace upvane::test {

class PhonesimProcess {
 public:
  PhonesimProcess() = default;
  ~PhonesimProcess() { Stop(); }
  PhonesimProcess(const PhonesimProcess&) = delete;
  PhonesimProcess& operator=(const PhonesimProcess&) = delete;

  // Starts it and waits (up to 20 s) for `phones` lines on its stdout.
  bool Start(const std::vector<std::string>& args, size_t phones) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_out = fds[0];
    if (rc != 0) {
      m_pid = -1;
      return false;
    }
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (lines.size() < phones && std::chrono::steady_clock::now() < deadline) {
      pollfd p{m_out, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buf[512];
      const ssize_t n = ::read(m_out, buf, sizeof(buf));
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
      size_t nl;
      while ((nl = text.find('\n')) != std::string::npos) {
        lines.push_back(text.substr(0, nl));
        text.erase(0, nl + 1);
      }
    }
    return lines.size() >= phones;
  }
  // The port of line `i` ("phone <n> <model> port <path>").
  std::string Port(size_t i) const {
    const std::string& l = lines.at(i);
    const size_t at = l.rfind(" port ");
    return at == std::string::npos ? std::string() : l.substr(at + 6);
  }
  // SIGTERM and wait; the exit status (or -1).
  int Stop() {
    if (m_pid <= 0) return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        ::close(m_out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::usleep(50000);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    ::close(m_out);
    return -1;
  }

  std::vector<std::string> lines;

 private:
  pid_t m_pid = -1;
  int m_out = -1;
};

}  // namespace upvane::test
