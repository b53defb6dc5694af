#include "sim_phone.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/clock.h"
#include "platform/deployment.h"

namespace upvane::sim {

void Put16(Packet& p, uint32_t v) {
  p.push_back(static_cast<uint8_t>(v));
  p.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Packet& p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put16BE(Packet& p, uint32_t v) {
  p.push_back(static_cast<uint8_t>(v >> 8));
  p.push_back(static_cast<uint8_t>(v));
}

bool Get16(const Packet& p, size_t offset, uint32_t& v) {
  if (offset + 2 > p.size()) return false;
  v = static_cast<uint32_t>(p[offset] | (p[offset + 1] << 8));
  return true;
}

bool Get32(const Packet& p, size_t offset, uint32_t& v) {
  if (offset + 4 > p.size()) return false;
  v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | p[offset + static_cast<size_t>(i)];
  return true;
}

Packet Reply(uint8_t code, const Packet& request) {
  Packet p;
  p.push_back(code);
  p.insert(p.end(), request.begin(), request.end());
  return p;
}

SimPhone::SimPhone(PhoneConfig config) : m_config(std::move(config)) {
  m_strUnlockKey = m_config.unlockKey.empty() ? DiagUnlockKey() : m_config.unlockKey;
  m_faults = m_config.faults;
  InitState();
}

SimPhone::~SimPhone() { Stop(); }

void SimPhone::InitState() {
  PhoneState& s = m_state;
  const PhoneConfig& c = m_config;
  if (c.startMode == "boot") s.mode = PhoneMode::kBoot;
  if (c.startMode == "streaming") s.mode = PhoneMode::kStreaming;
  if (c.startMode == "raw") s.mode = PhoneMode::kRaw;
  s.systemProps["ro.build.version.release"] = c.androidRelease;
  s.systemProps["ro.crypto.state"] = c.encrypted ? "encrypted" : "unencrypted";
  s.systemProps["ro.build.internalswversion"] = c.softwareVersion;
  s.systemProps["ro.build.version.incremental"] = c.softwareVersion;
  s.systemProps["ro.product.model"] = c.model;
  s.systemProps["dev.bootcomplete"] = "1";
  s.systemProps["sys.diagservice"] = "1";
  s.systemProps["sys.diagofflineservice"] = "0";
  s.systemProps["vendor.uec.phase"] = "0";
  s.systemProps["vendor.uec.status"] = "0";
  for (const auto& [k, v] : c.properties) {
    if (k.rfind("rw_", 0) == 0) {
      s.persistentProps[k] = v;
    } else {
      s.systemProps[k] = v;
    }
  }
  // IMEI as the phone stores it: length byte, then BCD digits with the
  // first digit in the high nibble of byte 1 and the rest nibble-swapped.
  if (c.imei.size() == 15) {
    std::array<uint8_t, 128> d{};
    auto digit = [&](size_t i) { return static_cast<uint8_t>(c.imei[i] - '0'); };
    d[0] = 0x08;
    d[1] = static_cast<uint8_t>((digit(0) << 4) | 0x0A);
    for (size_t i = 2; i <= 8; ++i) d[i] = static_cast<uint8_t>(digit(2 * i - 3) | (digit(2 * i - 2) << 4));
    s.nv[550] = d;
  }
  if (!c.meid.empty()) {
    std::array<uint8_t, 128> d{};
    const uint64_t v = std::strtoull(c.meid.c_str(), nullptr, 16);
    for (int i = 0; i < 8; ++i) d[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    s.nv[5598] = d;
  }
  {
    std::array<uint8_t, 128> d{};
    for (size_t i = 0; i < c.phoneNumber.size() && i < 126; ++i)
      d[i + 1] = static_cast<uint8_t>(c.phoneNumber[i]);
    s.nv[178] = d;
  }
  if (c.family == Family::kSmartphone) s.files["/dev/block/bootdevice/by-name/chkcode"] = {};
  s.efsDirs.insert("/");
  for (const auto& d : c.efsDirectories) s.efsDirs.insert(d);
  for (const auto& [path, content] : c.efsFiles)
    s.efsFiles[path] = std::vector<uint8_t>(content.begin(), content.end());
}

bool SimPhone::Start(std::string* error) {
  if (m_thread.joinable()) return true;
  if (!m_pty.Create(error)) return false;
  m_bStop = false;
  m_bGone = false;
  m_thread = std::thread([this] { Loop(); });
  return true;
}

void SimPhone::Stop() {
  m_bStop = true;
  if (m_thread.joinable()) m_thread.join();
  m_pty.Close();
}

void SimPhone::AddFault(const FaultRule& fault) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_faults.push_back(fault);
}

PhoneState SimPhone::Snapshot() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state;
}

int SimPhone::CountRequests(const std::string& prefixHex) {
  std::lock_guard<std::mutex> lock(m_mutex);
  int n = 0;
  for (const auto& [key, count] : m_state.requestCounts)
    if (key.rfind(prefixHex, 0) == 0) n += count;
  return n;
}

void SimPhone::CountRequest(const Packet& request) {
  char key[9] = {};
  const size_t n = request.size() < 4 ? request.size() : 4;
  for (size_t i = 0; i < n; ++i) std::snprintf(key + 2 * i, 3, "%02X", request[i]);
  ++m_state.requestCounts[key];
}

void SimPhone::Loop() {
  std::vector<uint8_t> buffer(65536);
  while (!m_bStop) {
    const int fd = m_pty.MasterFd();
    if (fd < 0) {
      SleepMs(20);
      continue;
    }
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, 20);
    if (r <= 0 || !(p.revents & POLLIN)) continue;
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n <= 0) continue;
    std::lock_guard<std::mutex> lock(m_mutex);
    OnBytes(buffer.data(), static_cast<size_t>(n));
  }
}

void SimPhone::OnBytes(const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count && !m_bGone; ++i) {
    if (m_state.mode == PhoneMode::kRaw) {
      if (m_nRawDiscardUntil != 0) {
        // After a broken packet the rest of it is dropped until the line is quiet.
        if (GetTickCount64() < m_nRawDiscardUntil) {
          m_nRawDiscardUntil = GetTickCount64() + 50;
          continue;
        }
        m_nRawDiscardUntil = 0;
      }
      m_rawInput.push_back(data[i]);
      if (m_rawInput.size() < 8) continue;
      uint32_t length = 0;
      Get32(m_rawInput, 4, length);
      if (length < 8 || length > m_config.rawMaxPacket + 16) {
        // A length no packet has: report it and drop what came.
        ++m_state.badLengths;
        m_rawInput.clear();
        m_nRawDiscardUntil = GetTickCount64() + 50;
        std::vector<uint8_t> out;
        const uint32_t words[4] = {4, 16, 0, 1};
        for (uint32_t w : words) Put32(out, w);
        WriteBytes(out);
        continue;
      }
      if (m_rawInput.size() < length) continue;
      Packet request;
      request.swap(m_rawInput);
      OnRawPacket(request);
      continue;
    }
    switch (m_reader.Feed(data[i])) {
      case FrameReader::Result::kFrame:
        OnFrame(m_reader.packet());
        break;
      case FrameReader::Result::kBadFrame:
        ++m_state.badFrames;
        break;
      case FrameReader::Result::kNone:
        break;
    }
  }
}

bool SimPhone::TakeFault(const Packet& request, FaultRule& fault) {
  for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
    if (it->match.size() > request.size() || !std::equal(it->match.begin(), it->match.end(), request.begin()))
      continue;
    fault = *it;
    if (it->times > 0 && --it->times == 0) m_faults.erase(it);
    return true;
  }
  return false;
}

void SimPhone::WriteBytes(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  const uint64_t deadline = GetTickCount64() + 2000;
  while (done < bytes.size() && !m_bStop) {
    const int fd = m_pty.MasterFd();
    if (fd < 0) return;
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    if (GetTickCount64() > deadline) return;  // nobody reads: drop the rest
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, 20);
  }
}

void SimPhone::SendFramed(const Answers& answers, bool corruptCheck) {
  const bool lead = m_state.mode != PhoneMode::kDiag;
  std::vector<uint8_t> out;
  for (const Packet& a : answers) AppendFrame(out, a, lead, corruptCheck);
  WriteBytes(out);
}

void SimPhone::HangUp(const std::vector<uint8_t>& partial) {
  WriteBytes(partial);
  m_bGone = true;  // before the close, so that whoever sees the hang-up sees the flag
  m_pty.Close();
}

void SimPhone::OnFrame(const Packet& request) {
  CountRequest(request);
  const PhoneMode before = m_state.mode;
  FaultRule fault;
  const bool faulty = TakeFault(request, fault);
  const std::string kind = faulty ? fault.kind : std::string();
  if (kind == "no_answer") return;
  if (kind == "late_answer") SleepMs(static_cast<uint32_t>(fault.delayMs));
  if (kind == "refuse" && before == PhoneMode::kBoot) {
    Packet p{0x03};
    Put16BE(p, fault.code);
    SendFramed({p}, false);
    return;
  }
  if (kind == "bad_mode") {
    SendFramed({Reply(0x18, request)}, false);
    return;
  }
  if (kind == "error_report") {
    Packet p{0x0D};
    Put32(p, fault.code);
    const char text[] = "simulated error\n";
    p.insert(p.end(), text, text + sizeof(text) - 1);
    SendFramed({p}, false);
    return;
  }
  if (kind == "log_before") {
    Packet log;
    if (before == PhoneMode::kStreaming) {
      log = {0x0E};
      const char text[] = "loader log\n";
      log.insert(log.end(), text, text + sizeof(text) - 1);
    } else {
      log = {0x10, 0x00, 0x12, 0x00, 0x34, 0x12, 0x00, 0x00, 'l', 'o', 'g'};
    }
    SendFramed({log}, false);
  }
  m_bRefuseWrite = kind == "refuse_write";
  Answers out;
  switch (before) {
    case PhoneMode::kDiag:
      HandleDiag(request, out);
      break;
    case PhoneMode::kBoot:
      HandleBoot(request, out);
      break;
    case PhoneMode::kStreaming:
      HandleStreaming(request, out);
      break;
    case PhoneMode::kRaw:
      break;
  }
  m_bRefuseWrite = false;
  if (out.empty()) return;
  if (kind == "drop_followup") out.resize(1);
  if (kind == "short_answer" && out[0].size() > fault.code) out[0].resize(fault.code);
  const PhoneMode after = m_state.mode;
  m_state.mode = before;  // the answer still goes out in the request's mode
  if (kind == "hang_up") {
    std::vector<uint8_t> bytes;
    AppendFrame(bytes, out[0], before != PhoneMode::kDiag);
    bytes.resize(bytes.size() / 2);
    HangUp(bytes);
    return;
  }
  SendFramed(out, kind == "bad_check");
  m_state.mode = after;
  if (after != before) m_reader.Reset();
}

void SimPhone::OnRawPacket(const Packet& request) {
  CountRequest(request);
  FaultRule fault;
  const bool faulty = TakeFault(request, fault);
  const std::string kind = faulty ? fault.kind : std::string();
  if (kind == "no_answer") return;
  if (kind == "late_answer") SleepMs(static_cast<uint32_t>(fault.delayMs));
  std::vector<uint8_t> out;
  HandleRaw(request, out);
  if (kind == "short_answer" && out.size() > fault.code) out.resize(fault.code);
  if (kind == "hang_up") {
    out.resize(out.size() / 2);
    HangUp(out);
    return;
  }
  WriteBytes(out);
}

}  // namespace upvane::sim
