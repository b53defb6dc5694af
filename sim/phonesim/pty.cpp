#include "pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace upvane::sim {

PtyPair::~PtyPair() { Close(); }

bool PtyPair::Create(std::string* error) {
  Close();
  const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m < 0 || ::grantpt(m) != 0 || ::unlockpt(m) != 0) {
    if (error) *error = std::strerror(errno);
    if (m >= 0) ::close(m);
    return false;
  }
  char name[128] = {};
  if (::ptsname_r(m, name, sizeof(name)) != 0) {
    if (error) *error = std::strerror(errno);
    ::close(m);
    return false;
  }
  termios tio{};
  if (::tcgetattr(m, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(m, TCSANOW, &tio);
  }
  ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
  m_heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  m_master = m;
  m_path = name;
  return true;
}

void PtyPair::Close() {
  if (m_heldSlave >= 0) ::close(m_heldSlave);
  if (m_master >= 0) ::close(m_master);
  m_heldSlave = m_master = -1;
}

}  // namespace upvane::sim
