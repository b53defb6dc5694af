#include "platform/qt/keep_awake.h"

#include <unistd.h>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

namespace upvane {

KeepAwake::KeepAwake() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  QDBusInterface login("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                       bus);
  if (!login.isValid()) return;
  login.setTimeout(2000);
  QDBusReply<QDBusUnixFileDescriptor> reply =
      login.call("Inhibit", "sleep", "Up Vane", "Writing software to a phone", "block");
  if (!reply.isValid() || !reply.value().isValid()) return;
  m_fd = ::dup(reply.value().fileDescriptor());
}

KeepAwake::~KeepAwake() {
  if (m_fd >= 0) ::close(m_fd);
}

}  // namespace upvane
