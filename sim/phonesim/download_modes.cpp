// The three download states: boot downloader (big-endian operands, answers
// 02/03), streaming download (answer = command + 1, errors as 0D reports)
// and the raw loader session (unframed 32-bit words).
#include <cstring>

#include "sim_phone.h"

namespace upvane::sim {

namespace {

constexpr char kHostHello[] = "QCOM fast download protocol host";
constexpr char kTargetHello[] = "QCOM fast download protocol targ";

uint32_t Get32BE(const Packet& p, size_t o) {
  return (static_cast<uint32_t>(p[o]) << 24) | (static_cast<uint32_t>(p[o + 1]) << 16) |
         (static_cast<uint32_t>(p[o + 2]) << 8) | p[o + 3];
}

Packet Refused(uint16_t reason) {
  Packet p{0x03};
  Put16BE(p, reason);
  return p;
}

Packet ErrorReport(uint32_t code, const char* text) {
  Packet p{0x0D};
  Put32(p, code);
  p.insert(p.end(), text, text + std::strlen(text));
  p.push_back('\n');
  return p;
}

}  // namespace

void SimPhone::HandleBoot(const Packet& req, Answers& out) {
  const uint8_t cmd = req[0];
  constexpr uint16_t kBadCommand = 0x0007;
  constexpr uint16_t kBadLength = 0x0003;
  switch (cmd) {
    case 0x07:  // parameters
      if (req.size() != 1) break;
      m_state.bootParamsRequested = true;
      // version, lowest version, largest write (16-bit), model, device size, device type
      out.push_back({0x08, 0x06, 0x02, 0x04, 0x00, 0x2A, 0x00, 0x00});
      return;
    case 0x0F: {  // 32-bit write
      if (req.size() < 7) break;
      const uint32_t length = (static_cast<uint32_t>(req[5]) << 8) | req[6];
      if (req.size() != 7 + length) {
        out.push_back(Refused(kBadLength));
        return;
      }
      m_state.bootBytesWritten += length;
      out.push_back({0x02});
      return;
    }
    case 0x05:  // go
      if (req.size() != 5) break;
      m_state.goAddress = Get32BE(req, 1);
      out.push_back({0x02});
      m_state.mode = PhoneMode::kStreaming;
      return;
    case 0x06:  // no operation
      if (req.size() != 1) break;
      out.push_back({0x02});
      return;
    case 0x0A:  // reset
      if (req.size() != 1) break;
      out.push_back({0x02});
      ResetPhone();
      return;
    case 0x21:  // option
      if (req.size() != 5 || req[3] != 0xFF || req[4] != 0xFF) break;
      m_state.option21 = req[1] | (req[2] << 8);
      out.push_back({0x22});
      return;
    default:
      ++m_state.unknownCommands;
      out.push_back(Refused(kBadCommand));
      return;
  }
  ++m_state.badLengths;
  out.push_back(Refused(kBadLength));
}

void SimPhone::HandleStreaming(const Packet& req, Answers& out) {
  const uint8_t cmd = req[0];
  Packet a{static_cast<uint8_t>(cmd + 1)};
  auto bad = [&]() {
    ++m_state.badLengths;
    out.push_back(ErrorReport(0x03, "bad length"));
  };
  if (!m_state.helloDone && cmd != 0x01 && cmd != 0x0B) {
    out.push_back(ErrorReport(0x0A, "no hello"));
    return;
  }
  switch (cmd) {
    case 0x01:  // hello
      if (req.size() != 36) return bad();
      if (std::memcmp(req.data() + 1, kHostHello, 32) != 0 || req[34] > 3) {
        out.push_back(ErrorReport(0x08, "bad hello"));
        return;
      }
      m_state.helloDone = true;
      a.insert(a.end(), kTargetHello, kTargetHello + 32);
      a.insert(a.end(), {'e', 't', ' ', 0x03, 0x02});
      Put32(a, 0x400);  // largest block
      Put32(a, 0);      // flash base
      a.push_back(8);
      a.insert(a.end(), {'s', 'i', 'm', 'f', 'l', 'a', 's', 'h'});
      Put16(a, 1);
      Put16(a, 0);
      a.push_back(0x01);
      out.push_back(a);
      return;
    case 0x17:  // security mode
      if (req.size() != 2) return bad();
      m_state.secureMode = req[1] == 1;
      out.push_back(a);
      return;
    case 0x19: {  // partition table
      if (req.size() < 2 || req.size() > 514) return bad();
      const Packet table(req.begin() + 2, req.end());
      uint8_t status = 0;
      if (!m_state.partitionTable.empty() && m_state.partitionTable != table && req[1] == 0) {
        status = 1;  // differs and no override
      } else {
        m_state.partitionTable = table;
      }
      a.push_back(status);
      out.push_back(a);
      return;
    }
    case 0x1B:  // open multi-image
      if (req.size() < 2) return bad();
      m_state.openImage = req[1];
      a.push_back(0);
      out.push_back(a);
      return;
    case 0x07: {  // simple write
      if (req.size() < 5 || req.size() > 5 + 1024) return bad();
      m_state.simpleBytes += req.size() - 5;
      a.insert(a.end(), req.begin() + 1, req.begin() + 5);
      out.push_back(a);
      return;
    }
    case 0x33:
      if (req.size() != 9) return bad();
      a.insert(a.end(), req.begin() + 1, req.begin() + 5);
      out.push_back(a);
      return;
    case 0x35: {  // stream write
      if (req.size() < 9) return bad();
      if (m_state.openImage < 0) {
        out.push_back({0x03, 0x00, 0x0C});  // nothing open to write to
        return;
      }
      m_state.streamBytes += req.size() - 9;
      a.insert(a.end(), req.begin() + 1, req.begin() + 5);
      out.push_back(a);
      return;
    }
    case 0x15:  // close
      if (req.size() != 1) return bad();
      m_state.openImage = -1;
      ++m_state.streamCloses;
      out.push_back(a);
      return;
    case 0x0B:  // reset
      if (req.size() != 1) return bad();
      out.push_back(a);
      m_state.helloDone = false;
      ResetPhone();
      return;
    case 0x21:
      if (req.size() != 5) return bad();
      m_state.option21 = req[1] | (req[2] << 8);
      out.push_back({0x22});
      return;
    default:
      ++m_state.unknownCommands;
      out.push_back(ErrorReport(0x02, "unknown command"));
      return;
  }
}

void SimPhone::HandleRaw(const Packet& req, std::vector<uint8_t>& out) {
  uint32_t cmd = 0, length = 0;
  Get32(req, 0, cmd);
  Get32(req, 4, length);
  auto words = [&](std::initializer_list<uint32_t> list) {
    for (uint32_t w : list) Put32(out, w);
  };
  uint32_t first = 0, second = 0;
  Get32(req, 8, first);
  Get32(req, 12, second);
  switch (cmd) {
    case 0:
      if (length == 8) {
        words({1, 48, 2, 1, m_config.rawMaxPacket, 0, 0, 0, 0, 0, 0, 0});
        return;
      }
      break;
    case 2:
      if (length == 48) {
        Get32(req, 20, m_state.rawMode);
        m_state.rawHelloDone = true;
        words({0x0B, 8});
        return;
      }
      break;
    case 7:
      if (length == 8) {
        words({8, 8});
        ResetPhone();
        return;
      }
      break;
    case 0xA5:
      if (length == 16) {
        words({0xA6, 16, first, second});
        return;
      }
      break;
    case 0xBA:
      if (length == 16) {
        words({4, 16, first, 0});
        return;
      }
      break;
    case 0xA1: {
      if (length >= 16 && second == length - 16) {
        m_state.rawBytes += second;
        words({0xA2, 16, first, second});
        return;
      }
      break;
    }
    default:
      break;
  }
  ++m_state.badLengths;
  words({4, 16, cmd, 1});  // end of session with an error status
}

}  // namespace upvane::sim
