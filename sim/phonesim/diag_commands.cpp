// Normal diagnostic mode: standard commands, NV items and the maker's two
// subsystems (properties, shell, files, update control, identity, unlock).
#include <cstdlib>
#include <cstring>

#include "platform/crypto.h"
#include "sim_phone.h"

namespace upvane::sim {

namespace {

constexpr uint8_t kSubsystem = 0x4B;

// Index of the first NUL at or after `from`, or npos.
size_t FindNul(const Packet& p, size_t from) {
  for (size_t i = from; i < p.size(); ++i)
    if (p[i] == 0) return i;
  return std::string::npos;
}

Packet Head(const Packet& req, size_t n) { return Packet(req.begin(), req.begin() + static_cast<long>(n)); }

void PutText(Packet& p, const std::string& t, bool nul) {
  p.insert(p.end(), t.begin(), t.end());
  if (nul) p.push_back(0);
}

}  // namespace

void SimPhone::ResetPhone() {
  ++m_state.resets;
  m_state.unlocked = false;
  m_state.challengeValid = false;
  m_state.offline = false;
  m_state.openFiles.clear();
  m_state.efsWriting = false;
  m_state.systemProps.erase("qx.diag.status");
  m_state.systemProps.erase("vendor.qx.diag.status");
  m_state.mode = PhoneMode::kDiag;
}

void SimPhone::HandleDiag(const Packet& req, Answers& out) {
  const uint8_t cmd = req[0];
  auto need = [&](size_t n) {
    if (req.size() == n) return true;
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return false;
  };
  switch (cmd) {
    case 0x1C:  // version
      if (need(1)) out.push_back({0x1C, 0x08, 0x00});
      return;
    case 0x29: {  // phone mode
      if (!need(3)) return;
      uint32_t mode = 0;
      Get16(req, 1, mode);
      if (mode > 2) {
        out.push_back(Reply(0x14, req));
        return;
      }
      out.push_back(req);
      if (mode == 1) m_state.offline = true;
      if (mode == 0) m_state.offline = false;
      if (mode == 2) ResetPhone();
      return;
    }
    case 0x3A:  // download mode
      if (!need(1)) return;
      out.push_back({0x3A});
      m_state.mode = m_config.downloadMode == "raw" ? PhoneMode::kRaw : PhoneMode::kBoot;
      return;
    case 0x26:
      if (need(133)) HandleNv(req, out);
      return;
    case 0x0F:  // log mask
      if (need(5)) out.push_back(req);
      return;
    case 0x5D: {  // extended log mask
      if (!need(52)) return;
      uint32_t bits = 0;
      Get16(req, 1, bits);
      out.push_back(bits == 387 ? req : Reply(0x14, req));
      return;
    }
    case kSubsystem:
      if (req.size() < 4) {
        need(4);
        return;
      }
      if (m_config.family == Family::kFeaturePhone) {
        if (req[1] == 0x13) {
          HandleEfsSubsystem(req, out);
          return;
        }
        break;
      }
      if (req[1] == 0xFC || req[1] == 0xFD) {
        const bool unlockCommand = req[1] == 0xFD && req[2] == 0x10 && req[3] == 0xA0;
        if (!m_state.unlocked && !unlockCommand) {
          // Maker commands stay closed until the challenge was answered.
          out.push_back(Reply(0x13, req));
          return;
        }
        if (req[1] == 0xFC) {
          HandleMaker(req, out);
        } else {
          HandleMakerFd(req, out);
        }
        return;
      }
      break;
    case 0xFA:
    case 0xFB:
      if (m_config.family == Family::kFeaturePhone) {
        HandleVendor(req, out);
        return;
      }
      break;
    default:
      break;
  }
  ++m_state.unknownCommands;
  out.push_back(Reply(0x13, req));
}

void SimPhone::HandleNv(const Packet& req, Answers& out) {
  uint32_t item = 0;
  Get16(req, 1, item);
  Packet a = Head(req, 3);
  uint16_t status = 0;
  std::array<uint8_t, 128> data{};
  const bool identity = item == 550 || item == 5598;
  auto it = m_state.nv.find(static_cast<uint16_t>(item));
  if (m_config.family == Family::kSmartphone && identity && !m_state.unlocked) {
    status = 5;  // not readable while the port is locked
  } else if (it == m_state.nv.end()) {
    status = 5;
  } else if ((item == 550 || item == 178) && req[3] != 0) {
    status = 6;  // only index 0 exists
  } else {
    data = it->second;
    if (item == 178) data[0] = req[3];
  }
  a.insert(a.end(), data.begin(), data.end());
  Put16(a, status);
  out.push_back(a);
}

void SimPhone::HandleMaker(const Packet& req, Answers& out) {
  uint32_t code = 0;
  Get16(req, 2, code);
  auto need = [&](size_t n) {
    if (req.size() == n) return true;
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return false;
  };
  Packet a = Head(req, 4);
  switch (code) {
    case 0x20A0:
    case 0x20A1:
      HandleProperty(req, out);
      return;
    case 0x2080:
    case 0x2081:
      HandleShell(req, out);
      return;
    case 0x2000:
      HandleFileRecord(req, out);
      return;
    case 0x00F0: {  // battery
      if (!need(24)) return;
      Put16(a, 0);
      Put16(a, 0);
      PutText(a, std::to_string(m_config.batteryPercent), true);
      out.push_back(a);
      return;
    }
    case 0x2041:  // model
      if (!need(4)) return;
      Put16(a, 0);
      PutText(a, m_config.model, true);
      out.push_back(a);
      return;
    case 0x2040:  // software version
      if (!need(4)) return;
      Put16(a, 0);
      a.push_back(static_cast<uint8_t>(m_config.softwareVersion.size()));
      PutText(a, m_config.softwareVersion, true);
      out.push_back(a);
      return;
    case 0x2012:  // session state
      if (!need(4)) return;
      a.push_back(0);
      out.push_back(a);
      return;
    case 0xB005:  // closing
      if (need(4)) out.push_back(a);
      return;
    case 0xB02A:
      if (!need(4)) return;
      a.push_back(m_state.updateOption);
      out.push_back(a);
      return;
    case 0xB026:
      if (!need(6)) return;
      m_state.legacyUpdateMethod = req[4];
      a.push_back(0);
      out.push_back(a);
      return;
    case 0xB027:
      if (!need(4)) return;
      m_state.securedUpdatePrepared = true;
      a.push_back(0);
      out.push_back(a);
      return;
    case 0x20D9: {
      if (!need(5)) return;
      a.push_back(req[4]);
      a.push_back(0);
      a.push_back(m_state.updateStates[req[4]]);
      out.push_back(a);
      return;
    }
    case 0x20D7:
      HandleDeltaChunk(req, out, false);
      return;
    case 0xB020:
      HandleDeltaChunk(req, out, true);
      return;
    case 0x20D5: {
      if (!need(294)) return;
      uint32_t two = 0;
      Get16(req, 4, two);
      Put16(a, 2);
      Put16(a, two == 2 ? 0 : 1);
      if (two == 2) m_state.signedBlockReceived = true;
      out.push_back(a);
      return;
    }
    case 0x20E0: {  // data area
      if (!need(1040)) return;
      uint32_t op = 0, area = 0, offset = 0, length = 0;
      Get16(req, 4, op);
      Get16(req, 6, area);
      Get32(req, 8, offset);
      Get32(req, 12, length);
      uint16_t status = 0;
      if (op != 1 || length > 1024 || offset + length > 4096) {
        status = 1;
      } else {
        auto& bytes = m_state.dataAreas[static_cast<uint16_t>(area)];
        if (bytes.size() < offset + length) bytes.resize(offset + length);
        std::memcpy(bytes.data() + offset, req.data() + 16, length);
      }
      Put16(a, status);
      out.push_back(a);
      return;
    }
    default:
      break;
  }
  ++m_state.unknownCommands;
  out.push_back(Reply(0x13, req));
}

void SimPhone::HandleProperty(const Packet& req, Answers& out) {
  Packet a = Head(req, 4);
  if (req[2] == 0xA0) {
    // get: kind, name, NUL (and nothing after it)
    const size_t nul = FindNul(req, 5);
    if (req.size() < 6 || nul != req.size() - 1) {
      ++m_state.badLengths;
      out.push_back(Reply(0x15, req));
      return;
    }
    const std::string name(req.begin() + 5, req.begin() + static_cast<long>(nul));
    const auto& props = req[4] == 1 ? m_state.persistentProps : m_state.systemProps;
    auto it = props.find(name);
    if (req[4] > 1 || it == props.end()) {
      Put16(a, 1);
      Put16(a, 0);
    } else {
      Put16(a, 0);
      Put16(a, static_cast<uint32_t>(it->second.size()));
      PutText(a, it->second, false);
    }
    out.push_back(a);
    return;
  }
  // set: kind, name length, value length, name, NUL, value, NUL
  uint32_t nameLen = 0, valueLen = 0;
  if (!Get16(req, 5, nameLen) || !Get16(req, 7, valueLen) || req.size() != 9 + nameLen + 1 + valueLen + 1 ||
      req[9 + nameLen] != 0 || req.back() != 0) {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return;
  }
  const uint8_t kind = req[4];
  const std::string name(req.begin() + 9, req.begin() + 9 + nameLen);
  const std::string value(req.begin() + 10 + nameLen, req.begin() + 10 + nameLen + valueLen);
  const bool persistentName = name.rfind("rw_", 0) == 0;
  uint16_t status = 0;
  if (kind > 1 || (kind == 1) != persistentName || name.rfind("ro.", 0) == 0) {
    status = 2;  // wrong kind for this name, or read-only
  } else if (kind == 1) {
    m_state.persistentProps[name] = value;
  } else {
    m_state.systemProps[name] = value;
    if (name == "vendor.uec.req" && value == "1") m_state.systemProps["vendor.uec.phase"] = "2";
    if (name == "vendor.uec.req" && value == "2") m_state.systemProps["vendor.uec.status"] = "1";
    if (name == "sys.uec.exc_ctl") m_state.updateLocked = value == "LOCK";
    if (name == "sys.uec.update" && value == "TRUE") m_state.updateRunRequested = true;
  }
  Put16(a, status);
  out.push_back(a);
}

std::string SimPhone::ShellOutput(const std::string& command, bool& ok) {
  ok = true;
  if (command == "cat /sys/class/power_supply/battery/capacity")
    return std::to_string(m_config.batteryPercent) + "\n";
  if (command == "sync") return std::string();
  if (command.rfind("echo ", 0) == 0) return command.substr(5) + "\n";
  if (command == "getprop") {
    std::string all;
    for (const auto& [k, v] : m_state.systemProps) all += "[" + k + "]: [" + v + "]\n";
    return all;
  }
  if (command.rfind("getprop ", 0) == 0) {
    auto it = m_state.systemProps.find(command.substr(8));
    return (it == m_state.systemProps.end() ? std::string() : it->second) + "\n";
  }
  if (command == "cat /sys/class/gpio/hwid") return "10\n";
  ok = false;
  return "sh: " + command + ": not found\n";
}

void SimPhone::HandleShell(const Packet& req, Answers& out) {
  // The text may come with or without its terminator; nothing may follow it.
  size_t end = req.size();
  const size_t nul = FindNul(req, 4);
  if (nul != std::string::npos) {
    if (nul != req.size() - 1) {
      ++m_state.badLengths;
      out.push_back(Reply(0x15, req));
      return;
    }
    end = nul;
  }
  const std::string command(req.begin() + 4, req.begin() + static_cast<long>(end));
  bool ok = false;
  const std::string text = ShellOutput(command, ok);
  const uint32_t result = ok ? 0 : 0xFFFFFFFF;
  if (req[2] == 0x80) {
    Packet a = Head(req, 4);
    Put32(a, result);
    a.push_back(1);
    out.push_back(a);
    return;
  }
  const size_t step = static_cast<size_t>(m_config.shellFrameBytes);
  size_t pos = 0;
  do {
    const size_t n = std::min(step, text.size() - pos);
    Packet a = Head(req, 4);
    Put32(a, result);
    a.push_back(pos + n >= text.size() ? 1 : 0);
    a.insert(a.end(), text.begin() + static_cast<long>(pos), text.begin() + static_cast<long>(pos + n));
    a.push_back(0);
    out.push_back(a);
    pos += n;
  } while (pos < text.size());
}

void SimPhone::HandleFileRecord(const Packet& req, Answers& out) {
  uint32_t op = 0;
  if (!Get16(req, 4, op)) {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return;
  }
  Packet a = Head(req, 6);
  auto bad = [&]() {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
  };
  switch (op) {
    case 0: {  // open
      const size_t nul = FindNul(req, 14);
      if (req.size() < 16 || nul != req.size() - 1) return bad();
      const std::string path(req.begin() + 14, req.begin() + static_cast<long>(nul));
      uint32_t flags = 0;
      Get32(req, 6, flags);
      auto it = m_state.files.find(path);
      if (it == m_state.files.end()) {
        Put16(a, 2);  // no such file
        Put32(a, 0xFFFFFFFF);
      } else {
        if (flags & 0x200) it->second.clear();  // truncate
        const uint32_t fd = m_state.nextFd++;
        m_state.openFiles[fd] = path;
        Put16(a, 0);
        Put32(a, fd);
      }
      out.push_back(a);
      return;
    }
    case 1: {  // close
      if (req.size() != 10) return bad();
      uint32_t fd = 0;
      Get32(req, 6, fd);
      Put16(a, m_state.openFiles.erase(fd) ? 0 : 9);
      out.push_back(a);
      return;
    }
    case 3: {  // write
      uint32_t fd = 0, count = 0;
      if (!Get32(req, 6, fd) || !Get32(req, 10, count) || req.size() != 14 + count) return bad();
      auto it = m_state.openFiles.find(fd);
      if (it == m_state.openFiles.end()) {
        Put16(a, 9);
        Put32(a, 0);
      } else {
        auto& file = m_state.files[it->second];
        file.insert(file.end(), req.begin() + 14, req.end());
        Put16(a, 0);
        Put32(a, count);
      }
      out.push_back(a);
      return;
    }
    case 14: {  // file-system statistics
      const size_t nul = FindNul(req, 6);
      if (req.size() < 8 || nul != req.size() - 1) return bad();
      const std::string path(req.begin() + 6, req.begin() + static_cast<long>(nul));
      if (path != "/" && path != "/data") {
        Put16(a, 2);
        out.push_back(a);
        return;
      }
      const uint32_t blockSize = 4096;
      const uint64_t freeBlocks = m_config.dataFreeMb * 1024 * 1024 / blockSize;
      Put16(a, 0);
      const uint32_t block[9] = {0xEF53,
                                 blockSize,
                                 static_cast<uint32_t>(freeBlocks * 2 + 1000),
                                 static_cast<uint32_t>(freeBlocks),
                                 static_cast<uint32_t>(freeBlocks),
                                 100000,
                                 50000,
                                 0x1234,
                                 255};
      for (uint32_t w : block) Put32(a, w);
      out.push_back(a);
      return;
    }
    default:
      Put16(a, 22);  // operation not supported
      out.push_back(a);
      return;
  }
}

void SimPhone::HandleDeltaChunk(const Packet& req, Answers& out, bool legacy) {
  if (req.size() != 2044) {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return;
  }
  uint32_t index = 0, length = 0;
  Get32(req, 4, index);
  Get16(req, 10, length);
  const int part = legacy ? req[8] + 1 : req[8];
  const bool last = req[9] == 1;
  Packet a = Head(req, 4);
  Put32(a, index);
  uint8_t status = 0;
  FotaPart& p = m_state.fota[part];
  if (length > 2032 || req[9] > 1) {
    status = 2;
  } else if (p.complete || index != p.nextIndex) {
    status = 1;  // out of order, or the part was already finished
    ++m_state.fotaOrderErrors;
  } else {
    if (p.chunks == 0) m_state.fotaPartOrder.push_back(part);
    ++p.chunks;
    ++p.nextIndex;
    p.bytes += length;
    p.complete = last;
  }
  a.push_back(status);
  out.push_back(a);
}

void SimPhone::HandleMakerFd(const Packet& req, Answers& out) {
  uint32_t code = 0;
  Get16(req, 2, code);
  Packet a = Head(req, 4);
  auto bad = [&]() {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
  };
  switch (code) {
    case 0xB000: {  // hardware code
      if (req.size() != 4) return bad();
      std::string hw = m_config.hardwareCode;
      hw.resize(4, '\0');
      PutText(a, hw, false);
      out.push_back(a);
      return;
    }
    case 0xA010: {  // unlock
      if (req.size() == 5 && req[4] == 0) {
        for (auto& b : m_state.challenge) b = static_cast<uint8_t>(std::rand());
        m_state.challengeValid = true;
        a.push_back(0);
        Put16(a, 0);
        a.insert(a.end(), m_state.challenge.begin(), m_state.challenge.end());
        out.push_back(a);
        return;
      }
      if (req.size() == 13 && req[4] == 1) {
        uint16_t status = 2;  // no challenge outstanding
        if (m_state.challengeValid) {
          uint8_t input[16];
          std::memcpy(input, m_state.challenge.data(), 8);
          std::memset(input + 8, 0, 8);
          std::memcpy(input + 8, m_strUnlockKey.data(), std::min<size_t>(8, m_strUnlockKey.size()));
          const Md5Digest d = Md5(input, 16);
          const bool right = std::memcmp(d.data() + 8, req.data() + 5, 8) == 0;
          status = right ? 0 : 1;
          m_state.unlocked = right;
          m_state.challengeValid = false;  // one answer per challenge
        }
        a.push_back(1);
        Put16(a, status);
        out.push_back(a);
        return;
      }
      return bad();
    }
    case 0x2030: {  // number by item
      uint32_t item = 0;
      if (req.size() != 1032 || !Get32(req, 4, item)) return bad();
      Packet b = Head(req, 8);
      b.push_back(0);
      Packet field(1023, 0);
      if (item == 178)
        std::memcpy(field.data(), m_config.phoneNumber.data(),
                    std::min<size_t>(126, m_config.phoneNumber.size()));
      b.insert(b.end(), field.begin(), field.end());
      Put16(b, item == 178 ? 0 : 5);
      out.push_back(b);
      return;
    }
    case 0x0030: {
      if ((req.size() == 6 && req[4] == 2 && req[5] == 1) || (req.size() == 5 && req[4] == 2)) {
        a.push_back(0);
        PutText(a, m_config.phoneNumber, true);
        out.push_back(a);
        return;
      }
      return bad();
    }
    default:
      break;
  }
  ++m_state.unknownCommands;
  out.push_back(Reply(0x13, req));
}

}  // namespace upvane::sim
