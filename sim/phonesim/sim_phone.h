#pragma once
// One simulated phone: a pty whose master side answers the diagnostic
// protocol (normal mode, boot downloader, streaming download, raw loader)
// from a PhoneState, with faults on request. Runs on its own thread.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hdlc.h"
#include "phone_config.h"
#include "phone_state.h"
#include "pty.h"

namespace upvane::sim {

using Packet = std::vector<uint8_t>;
using Answers = std::vector<Packet>;

class SimPhone {
 public:
  explicit SimPhone(PhoneConfig config);
  ~SimPhone();
  SimPhone(const SimPhone&) = delete;
  SimPhone& operator=(const SimPhone&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  const std::string& PortPath() const { return m_pty.SlavePath(); }
  const PhoneConfig& Config() const { return m_config; }
  bool IsGone() const { return m_bGone.load(); }

  void AddFault(const FaultRule& fault);
  PhoneState Snapshot();
  // Requests seen whose first bytes are `prefix` (hex, e.g. "4BFCA120").
  int CountRequests(const std::string& prefixHex);

 private:
  void Loop();
  void OnBytes(const uint8_t* data, size_t count);
  void OnFrame(const Packet& request);
  void OnRawPacket(const Packet& request);
  bool TakeFault(const Packet& request, FaultRule& fault);
  void WriteBytes(const std::vector<uint8_t>& bytes);
  void SendFramed(const Answers& answers, bool corruptCheck);
  void HangUp(const std::vector<uint8_t>& partial);
  void InitState();
  void CountRequest(const Packet& request);

  // normal diagnostic mode (diag_commands.cpp)
  void HandleDiag(const Packet& req, Answers& out);
  void HandleNv(const Packet& req, Answers& out);
  void HandleMaker(const Packet& req, Answers& out);
  void HandleMakerFd(const Packet& req, Answers& out);
  void HandleProperty(const Packet& req, Answers& out);
  void HandleShell(const Packet& req, Answers& out);
  void HandleFileRecord(const Packet& req, Answers& out);
  void HandleDeltaChunk(const Packet& req, Answers& out, bool legacy);
  std::string ShellOutput(const std::string& command, bool& ok);
  void ResetPhone();
  // feature phone (feature_commands.cpp)
  void HandleVendor(const Packet& req, Answers& out);
  void HandleEfsSubsystem(const Packet& req, Answers& out);
  // download modes (download_modes.cpp)
  void HandleBoot(const Packet& req, Answers& out);
  void HandleStreaming(const Packet& req, Answers& out);
  void HandleRaw(const Packet& req, std::vector<uint8_t>& out);

  PhoneConfig m_config;
  PhoneState m_state;
  std::string m_strUnlockKey;
  PtyPair m_pty;
  FrameReader m_reader;
  std::vector<uint8_t> m_rawInput;
  uint64_t m_nRawDiscardUntil = 0;
  std::vector<FaultRule> m_faults;
  bool m_bRefuseWrite = false;  // the current request is to be refused (0x16)
  std::mutex m_mutex;           // state and faults, between the phone thread and callers
  std::thread m_thread;
  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bGone{false};
};

// Little-endian helpers for answers and requests.
void Put16(Packet& p, uint32_t v);
void Put32(Packet& p, uint32_t v);
void Put16BE(Packet& p, uint32_t v);
bool Get16(const Packet& p, size_t offset, uint32_t& v);
bool Get32(const Packet& p, size_t offset, uint32_t& v);
Packet Reply(uint8_t code, const Packet& request);  // code + the request, as 0x13/0x14/0x15 answers

}  // namespace upvane::sim
