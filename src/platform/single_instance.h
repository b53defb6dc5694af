#pragma once
// One running copy per user: an exclusive lock on a file in
// $XDG_RUNTIME_DIR/upvane/ (else the temporary folder), held while the
// object lives. The lock dies with the process, so a crash leaves none.
#include <string>

namespace upvane {

class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const std::string& name);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // False when another process holds the lock (or no lock file can be made).
  bool Acquired() const { return m_fd >= 0; }
  // True when the lock could not be taken because another copy holds it.
  bool AlreadyRunning() const { return m_bHeldElsewhere; }
  const std::string& Path() const { return m_path; }

 private:
  int m_fd = -1;
  bool m_bHeldElsewhere = false;
  std::string m_path;
};

}  // namespace upvane
