#pragma once
// The far end of a pty for framing tests: reads what the program sent and
// writes hand-made answers, in whatever pieces a test wants.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pty.h"

namespace upvane::test {

class PtyPeer {
 public:
  bool Create() { return m_pty.Create(nullptr); }
  const std::string& Path() const { return m_pty.SlavePath(); }
  void Close() { m_pty.Close(); }

  void Write(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(m_pty.MasterFd(), bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else {
        pollfd p{m_pty.MasterFd(), POLLOUT, 0};
        ::poll(&p, 1, 50);
      }
    }
  }
  // Writes in pieces of `piece` bytes with a pause between them, so the
  // reader sees the bytes in many separate reads.
  void WriteSplit(const std::vector<uint8_t>& bytes, size_t piece, int pauseMs) {
    for (size_t i = 0; i < bytes.size(); i += piece) {
      Write(std::vector<uint8_t>(bytes.begin() + static_cast<long>(i),
                                 bytes.begin() + static_cast<long>(std::min(bytes.size(), i + piece))));
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
  }
  // Everything that arrives until `quietMs` pass without a byte.
  std::vector<uint8_t> ReadAll(int quietMs = 100) {
    std::vector<uint8_t> out;
    uint8_t buf[4096];
    for (;;) {
      pollfd p{m_pty.MasterFd(), POLLIN, 0};
      if (::poll(&p, 1, quietMs) <= 0) return out;
      const ssize_t n = ::read(m_pty.MasterFd(), buf, sizeof(buf));
      if (n <= 0) return out;
      out.insert(out.end(), buf, buf + n);
    }
  }

 private:
  sim::PtyPair m_pty;
};

}  // namespace upvane::test
