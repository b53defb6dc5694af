#pragma once
// A pseudo-terminal pair: the phone answers on the master side, the program
// opens the slave path as its serial port.
#include <string>

namespace upvane::sim {

class PtyPair {
 public:
  PtyPair() = default;
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Create(std::string* error);
  // Closes both ends: a program holding the slave sees a hang-up.
  void Close();
  int MasterFd() const { return m_master; }
  const std::string& SlavePath() const { return m_path; }

 private:
  int m_master = -1;
  // Held open so the master side keeps working while the program has the
  // port closed (no EIO between sessions).
  int m_heldSlave = -1;
  std::string m_path;
};

}  // namespace upvane::sim
