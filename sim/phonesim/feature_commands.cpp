// Feature-phone vendor commands: identity block and number, and the EFS
// file system (directories, files, listings by index, chunked writes).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim_phone.h"

namespace upvane::sim {

namespace {

void PutField(Packet& p, size_t offset, const std::string& text, size_t width) {
  for (size_t i = 0; i < width && i < text.size(); ++i) p[offset + i] = static_cast<uint8_t>(text[i]);
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

// A path field: text up to its NUL within `width` bytes from `offset`.
bool ReadPathField(const Packet& req, size_t offset, size_t width, std::string& path) {
  if (req.size() < offset + width) return false;
  size_t n = 0;
  while (n < width && req[offset + n] != 0) ++n;
  if (n == width) return false;  // no terminator
  path.assign(req.begin() + static_cast<long>(offset), req.begin() + static_cast<long>(offset + n));
  return true;
}

}  // namespace

void SimPhone::HandleVendor(const Packet& req, Answers& out) {
  auto bad = [&]() {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
  };
  if (req[0] == 0xFB) {
    if (req.size() != 3) return bad();
    if (req[1] != 0x43 || req[2] != 0x01) {
      ++m_state.unknownCommands;
      out.push_back(Reply(0x13, req));
      return;
    }
    out.push_back({0xFB, 0x43, 0x01, 0x01});
    return;
  }
  if (req.size() < 3 || req[1] != 0x00) return bad();
  const uint8_t sub = req[2];
  Packet head(req.begin(), req.begin() + 3);
  switch (sub) {
    case 0x00: {  // identity block
      if (req.size() != 3) return bad();
      Packet a(124, 0);
      std::memcpy(a.data(), head.data(), 3);
      PutField(a, 3, m_config.phoneNumber, 11);
      PutField(a, 14, "20240101", 8);
      PutField(a, 81, m_config.softwareVersion, 10);
      PutField(a, 91, "BREW", 4);
      PutField(a, 98, m_config.model, 16);
      PutField(a, 114, m_config.hardwareCode, 4);
      a[118] = 0x34;
      a[119] = 0x12;
      out.push_back(a);
      return;
    }
    case 0x01: {  // identity number
      if (req.size() != 4 || req[3] != 0x04) return bad();
      Packet a = head;
      a.push_back(0x04);
      char digits[16];
      std::snprintf(digits, sizeof(digits), "%010u", m_config.identityNumber);
      a.insert(a.end(), digits, digits + 10);
      out.push_back(a);
      return;
    }
    case 0x1A:
    case 0x1B:
    case 0x20: {  // make directory, remove directory, delete file
      std::string path;
      if (req.size() != 261 || !ReadPathField(req, 3, 256, path)) return bad();
      uint16_t status = 0;
      auto& dirs = m_state.efsDirs;
      auto& files = m_state.efsFiles;
      if (sub == 0x1A) {
        if (dirs.count(path) || files.count(path)) {
          status = 0x11;  // exists
        } else if (!dirs.count(ParentOf(path))) {
          status = 2;
        } else {
          dirs.insert(path);
        }
      } else if (sub == 0x1B) {
        bool empty = true;
        for (const auto& d : dirs)
          if (d != path && ParentOf(d) == path) empty = false;
        for (const auto& [f, _] : files)
          if (ParentOf(f) == path) empty = false;
        if (!dirs.count(path) || path == "/") {
          status = 2;
        } else if (!empty) {
          status = 0x27;  // not empty
        } else {
          dirs.erase(path);
        }
      } else {
        status = files.erase(path) ? 0 : 2;
      }
      Packet a(req.begin(), req.begin() + 259);
      Put16(a, status);
      out.push_back(a);
      return;
    }
    case 0x1C:
    case 0x1D: {  // list subdirectory / file by index
      std::string dir;
      uint32_t index = 0;
      if (req.size() != 263 || !Get32(req, 3, index) || !ReadPathField(req, 7, 256, dir)) return bad();
      Packet a(sub == 0x1C ? 265 : 275, 0);
      std::memcpy(a.data(), head.data(), 3);
      uint16_t status = 0;
      if (!m_state.efsDirs.count(dir)) {
        status = 2;
      } else {
        uint32_t i = 0;
        auto put = [&](const std::string& name, size_t size) {
          a[3] = 1;
          PutField(a, 7, name.substr(name.find_last_of('/') + 1), 255);
          if (sub == 0x1D) {
            for (int k = 0; k < 4; ++k)
              a[263 + static_cast<size_t>(k)] = static_cast<uint8_t>(size >> (8 * k));
          }
        };
        if (sub == 0x1C) {
          for (const auto& d : m_state.efsDirs)
            if (d != "/" && d != dir && ParentOf(d) == dir && i++ == index) put(d, 0);
        } else {
          for (const auto& [f, content] : m_state.efsFiles)
            if (ParentOf(f) == dir && i++ == index) put(f, content.size());
        }
      }
      const size_t so = sub == 0x1C ? 263 : 273;
      a[so] = static_cast<uint8_t>(status);
      a[so + 1] = static_cast<uint8_t>(status >> 8);
      out.push_back(a);
      return;
    }
    case 0x1F: {  // chunked file write
      uint32_t seq = 0, length = 0;
      if (req.size() != 2064 || !Get32(req, 3, seq) || !Get16(req, 8, length) || length > 2048) return bad();
      const bool more = req[7] == 1;
      uint16_t status = 0;
      if (m_bRefuseWrite) {
        status = 0x16;
      } else if (seq == 0) {
        std::string path;
        if (!ReadPathField(req, 10, std::min<size_t>(length + 1, 2048), path) ||
            !m_state.efsDirs.count(ParentOf(path))) {
          status = 2;
        } else {
          m_state.efsFiles[path].clear();
          m_state.efsWritePath = path;
          m_state.efsWriting = more;
          m_state.efsNextSeq = 1;
        }
      } else if (!m_state.efsWriting || seq != m_state.efsNextSeq) {
        status = 1;  // no file open, or a chunk out of order
      } else {
        auto& file = m_state.efsFiles[m_state.efsWritePath];
        file.insert(file.end(), req.begin() + 10, req.begin() + 10 + length);
        ++m_state.efsNextSeq;
        m_state.efsWriting = more;
      }
      Packet a = head;
      Put16(a, status);
      a.resize(8, 0);
      out.push_back(a);
      return;
    }
    case 0x21: {
      if (req.size() != 9) return bad();
      Packet a = head;
      Put32(a, 0x00010002);
      Put16(a, 0);
      out.push_back(a);
      return;
    }
    case 0x23: {
      if (req.size() != 4) return bad();
      m_state.vendorMode23 = req[3];
      Packet a = head;
      a.push_back(req[3] ? 0x10 : 0x00);
      out.push_back(a);
      return;
    }
    case 0x2D:
      if (req.size() != 3) return bad();
      out.push_back(head);
      return;
    case 0x37: {
      if (req.size() != 3) return bad();
      Packet a = head;
      Put16(a, 0);
      out.push_back(a);
      return;
    }
    case 0x65: {
      if (req.size() != 3) return bad();
      Packet a = head;
      a.push_back(0x02);
      out.push_back(a);
      return;
    }
    default:
      break;
  }
  ++m_state.unknownCommands;
  out.push_back(Reply(0x13, req));
}

void SimPhone::HandleEfsSubsystem(const Packet& req, Answers& out) {
  uint32_t code = 0;
  Get16(req, 2, code);
  if (code != 0x000F) {
    ++m_state.unknownCommands;
    out.push_back(Reply(0x13, req));
    return;
  }
  if (req.size() < 6 || req.back() != 0) {
    ++m_state.badLengths;
    out.push_back(Reply(0x15, req));
    return;
  }
  const std::string path(req.begin() + 4, req.end() - 1);
  Packet a(req.begin(), req.begin() + 4);
  Put32(a, m_state.efsFiles.count(path) || m_state.efsDirs.count(path) ? 0 : 2);
  out.push_back(a);
}

}  // namespace upvane::sim
