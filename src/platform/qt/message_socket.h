#pragma once
// Other processes may tell the main window to ignore device changes (0x464)
// or to handle them again (0x465): they connect to a local socket named for
// the program and write the number as a line ("0x464\n" or "1124\n").
// Anything else is ignored.
#include <QLocalServer>
#include <QString>

#include "platform/messages.h"

namespace upvane {

class MessageSocket : public QObject {
 public:
  explicit MessageSocket(WindowId target);
  ~MessageSocket() override;
  bool Listening() const { return m_server.isListening(); }
  // The socket's name for this user (in UPVANE_HOME when that is set).
  static QString Name();
  // Sends one message number to a running copy; true when it was written.
  static bool Send(uint32_t msg);

 private:
  void OnConnection();
  WindowId m_target;
  QLocalServer m_server;
};

}  // namespace upvane
