#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"

namespace upvane {

namespace {

speed_t BaudConstant(int baudRate) {
  switch (baudRate) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B115200;
  }
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Real milliseconds to hand to poll() for `programMs`, at least 1 and in
// slices of at most one second so the deadline is re-checked on the clock.
int PollSlice(uint64_t programMs) {
  const int64_t us = ProgramMsToRealMicros(programMs);
  int64_t ms = (us + 999) / 1000;
  if (ms < 1) ms = 1;
  if (ms > 1000) ms = 1000;
  return static_cast<int>(ms);
}

}  // namespace

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& path, int baudRate, std::string* error) {
  if (m_fd >= 0) {
    SetError(error, "already open");
    return false;
  }
  m_bGone = false;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, std::strerror(errno));
    return false;
  }
  if (!::isatty(fd)) {
    ::close(fd);
    SetError(error, "not a serial port");
    return false;
  }
  // Exclusive use: the terminal flag stops other opens (except privileged
  // ones), the lock also stops privileged programs that honour it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    SetError(error, "port is in use");
    return false;
  }
  if (::ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    SetError(error, std::strerror(errno));
    return false;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    SetError(error, std::strerror(errno));
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, BaudConstant(baudRate));
  ::cfsetospeed(&tio, BaudConstant(baudRate));
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    SetError(error, std::strerror(errno));
    return false;
  }
  // Modem lines: pseudo terminals have none, so a failure here is normal.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd, TIOCMBIS, &lines);
  ::tcflush(fd, TCIOFLUSH);
  m_fd = fd;
  return true;
}

bool SerialPort::Close() {
  if (m_fd < 0) return false;
  int lines = TIOCM_DTR;
  (void)::ioctl(m_fd, TIOCMBIC, &lines);
  (void)::ioctl(m_fd, TIOCNXCL);
  const bool ok = ::close(m_fd) == 0;
  m_fd = -1;
  m_bGone = false;
  return ok;
}

int SerialPort::Available() {
  if (m_fd < 0 || m_bGone) return 0;
  int n = 0;
  if (::ioctl(m_fd, FIONREAD, &n) != 0) return 0;
  return n < 0 ? 0 : n;
}

SerialWait SerialPort::WaitReadable(uint64_t timeoutMs) {
  if (m_fd < 0 || m_bGone) return SerialWait::kGone;
  const uint64_t deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    // poll() answers at once when bytes are queued; no queue query needed.
    const uint64_t now = GetTickCount64();
    const uint64_t left = now >= deadline ? 0 : deadline - now;
    pollfd p{m_fd, POLLIN, 0};
    const int r = ::poll(&p, 1, left == 0 ? 0 : PollSlice(left));
    if (r < 0) {
      if (errno == EINTR) continue;
      m_bGone = true;
      return SerialWait::kGone;
    }
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      // Bytes that came before the hang-up can still be read.
      if (Available() > 0) return SerialWait::kReady;
      m_bGone = true;
      return SerialWait::kGone;
    }
    if (r > 0 && (p.revents & POLLIN)) return SerialWait::kReady;
    if (left == 0) return SerialWait::kTimeout;
  }
}

int SerialPort::ReadSome(uint8_t* buffer, size_t count) {
  if (m_fd < 0 || m_bGone) return -1;
  if (count == 0) return 0;
  for (;;) {
    const ssize_t n = ::read(m_fd, buffer, count);
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    m_bGone = true;  // EOF or EIO: the other end hung up
    return -1;
  }
}

bool SerialPort::WriteAll(const uint8_t* data, size_t count, uint64_t timeoutMs) {
  if (m_fd < 0 || m_bGone) return false;
  const uint64_t deadline = GetTickCount64() + timeoutMs;
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(m_fd, data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      m_bGone = true;
      return false;
    }
    const uint64_t now = GetTickCount64();
    if (now >= deadline) return false;
    pollfd p{m_fd, POLLOUT, 0};
    const int r = ::poll(&p, 1, PollSlice(deadline - now));
    if (r < 0 && errno != EINTR) {
      m_bGone = true;
      return false;
    }
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      m_bGone = true;
      return false;
    }
  }
  return true;
}

void SerialPort::Discard() {
  if (m_fd >= 0) ::tcflush(m_fd, TCIOFLUSH);
}

}  // namespace upvane
