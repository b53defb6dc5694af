#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/environment.h"
#include "platform/files.h"

namespace upvane {

namespace {

std::string LockFolder() {
  // Tests and the demo keep everything under UPVANE_HOME.
  if (UpvaneHome().empty()) {
    const std::string runtime = GetEnv("XDG_RUNTIME_DIR");
    if (!runtime.empty() && MakeFolders(runtime + "/upvane", 0700)) return runtime + "/upvane/";
  }
  return GetTempFolder();
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::string& name) {
  const std::string folder = LockFolder();
  if (folder.empty()) return;
  m_path = folder + name + ".lock";
  const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    m_bHeldElsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return;
  }
  m_fd = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (m_fd >= 0) ::close(m_fd);
}

}  // namespace upvane
