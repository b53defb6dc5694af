#pragma once
// Keeps the computer from sleeping while an engine writes a phone: a
// logind "sleep" inhibitor over D-Bus where one is available, else nothing.
namespace upvane {

class KeepAwake {
 public:
  KeepAwake();   // takes the inhibitor
  ~KeepAwake();  // releases it
  KeepAwake(const KeepAwake&) = delete;
  KeepAwake& operator=(const KeepAwake&) = delete;
  bool Active() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

}  // namespace upvane
