#include "platform/qt/message_socket.h"

#include <unistd.h>
#include <QLocalSocket>

#include "platform/environment.h"

namespace upvane {

QString MessageSocket::Name() {
  const std::string home = UpvaneHome();
  if (!home.empty()) return QString::fromStdString(home + "/upvane.sock");
  return QString("upvane-%1").arg(::getuid());
}

MessageSocket::MessageSocket(WindowId target) : m_target(target) {
  QLocalServer::removeServer(Name());  // a socket left by a crashed copy
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  m_server.listen(Name());
  connect(&m_server, &QLocalServer::newConnection, this, &MessageSocket::OnConnection);
}

MessageSocket::~MessageSocket() { m_server.close(); }

void MessageSocket::OnConnection() {
  while (QLocalSocket* s = m_server.nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    connect(s, &QLocalSocket::readyRead, this, [this, s] {
      while (s->canReadLine()) {
        const QByteArray line = s->readLine(64).trimmed();
        bool ok = false;
        const uint msg = line.toUInt(&ok, 0);
        if (ok && (msg == 0x464 || msg == 0x465)) PostMessage(m_target, msg, 0, 0);
      }
      if (s->bytesAvailable() > 64) s->abort();  // not a line of ours
    });
  }
}

bool MessageSocket::Send(uint32_t msg) {
  QLocalSocket s;
  s.connectToServer(Name());
  if (!s.waitForConnected(2000)) return false;
  s.write(QByteArray::number(msg) + "\n");
  const bool ok = s.waitForBytesWritten(2000);
  s.disconnectFromServer();
  return ok;
}

}  // namespace upvane
