#pragma once
// One diagnostic session on an open phone port: framing and transactions,
// the commands of normal diagnostic mode, and the download-mode commands.
// Large (fixed buffers): allocate it as a whole object, usually on the heap.
#include <cstdint>
#include <string>

#include "devices/com_ctrl.h"

namespace upvane {

// The texts and numbers the feature-phone identity commands fill in; any
// record with members T1..T10, N1 and N2 can be filled through the
// templates below.
struct BrewIdentityFields {
  std::string T1, T2, T3, T5, T6, T9;
  bool hasT9 = false;  // false when the phone sent '-' there
  uint32_t N1 = 0;     // identity number (variant)
  uint32_t N2 = 0;
};

class CComMs : public CComCtrl {
 public:
  static constexpr int kBufferSize = 196608;

  CComMs();
  ~CComMs() override;

  // ---- framing and transactions ----
  int FrameEncode(uint8_t* frame, uint8_t* request, int totalLength);
  bool Transact(int totalLength, uint8_t* request, int& outLength, uint8_t* responseBuffer, int timeoutMs,
                int mode);
  bool ReadFrame(int& outLength, uint8_t* responseBuffer, int timeoutMs, int mode);

  // ---- standard commands ----
  bool CheckDiagVersion();
  bool SetPhoneMode(char letter);
  bool EnterDownloadMode();
  bool NvRead(uint16_t item, int count, uint8_t* data, uint16_t& status);
  bool NvReadIndexed(uint16_t item, int count, uint8_t* data, uint16_t& status, uint8_t index);
  bool DisableLogMask();
  bool ClearExtLogMask();

  // ---- maker subsystems ----
  // `capacity` is the longest value kept (longer ones are cut).
  bool GetProperty(int kind, const std::string& name, std::string& value, size_t capacity = 1279);
  bool SetProperty(const std::string& name, const std::string& value);        // kind 1, up to 6 sends
  bool SetSystemProperty(const std::string& name, const std::string& value);  // kind 0, one send
  bool RunShell(const std::string& command, std::string& text, size_t capacity);
  bool SyncFileSystems();
  bool IsBatteryAboveShell(int minimum);
  bool IsBatteryAbove(int minimum);
  bool GetModelName(std::string& model);
  bool GetSoftwareVersion(char* buffer, uint8_t& size);
  bool QuerySessionState();
  bool SendClosingCommand();
  void WaitDiagServiceAndClose();
  bool QueryUpdateOption(uint8_t& option);
  bool StartDeltaUpdateLegacy(uint8_t method, uint8_t option);
  bool PrepareSecuredUpdate();
  bool QueryUpdateState(uint8_t selector, uint8_t& state);
  static constexpr int kDeltaChunkBytes = 2032;
  bool SendDeltaChunk(uint8_t part, uint32_t index, int length, const uint8_t* data, bool last);
  bool SendDeltaChunkLegacy(uint32_t index, uint8_t part, int length, const uint8_t* data, bool last);
  bool SendSignedBlock(const uint8_t* digest32, uint32_t size, const std::string& file);
  bool FileSystemStats(const std::string& path, uint8_t* block36);
  bool WriteDnandFBDLEnable();
  bool SetFactoryDataFlag();
  bool WriteDummyChkcode();
  bool GetHardwareCode(std::string& code);
  bool GetUnlockChallenge(uint8_t* challenge8);
  bool SendUnlockResponse(const uint8_t* response8);
  bool UnlockDiagPort();
  std::string ReadDeviceId();
  std::string ReadMeid();
  std::string ReadPhoneNumber();
  std::string ReadPhoneNumberExtended();

  // update control
  bool FotaZrtLockCmd();
  bool FotaPrepareStartCmd();
  bool FotaUpdateStartCmd();
  bool DiffUpdateRunCmd();
  bool IsReadyFotaPrepareCmd(char& phase);
  bool QueryFotaStatusCmd(char& first, int& number);

  // property-based queries
  bool IsBootComplete();
  bool IsDataEncrypted(int& flag);
  bool SetRebootModeDiag1();
  bool SetRebootModeDiag2();

  // ---- feature-phone vendor commands ----
  bool ReadPhoneIdentity(BrewIdentityFields& fields);
  bool ReadIdentityNumber(uint32_t& number);
  template <class Record>
  bool ReadPhoneIdentity(Record& record) {
    BrewIdentityFields f;
    if (!ReadPhoneIdentity(f)) return false;
    record.T1 = f.T1;
    record.T2 = f.T2;
    record.T3 = f.T3;
    record.T5 = f.T5;
    record.T6 = f.T6;
    if (f.hasT9) record.T9 = f.T9;
    record.N2 = f.N2;
    return true;
  }
  template <class Record>
  bool ReadIdentityNumber(Record& record) {
    uint32_t n = 0;
    if (!ReadIdentityNumber(n)) return false;
    record.N1 = n;
    return true;
  }
  static constexpr int kPathAnswerBytes = 264;
  static constexpr int kListRequestBytes = 266;
  static constexpr int kListSubdirectoryAnswerBytes = 268;
  static constexpr int kListFileAnswerBytes = 278;
  static constexpr int kChunkRequestBytes = 2067;
  bool MakeDirectory(const std::string& path, uint8_t* answer264);
  bool RemoveDirectory(const std::string& path, uint8_t* answer264);
  bool DeleteFile(const std::string& path, uint8_t* answer264);
  bool ListSubdirectory(uint8_t* request266, uint8_t* answer268);
  bool ListFile(uint8_t* request266, uint8_t* answer278);
  bool WriteFileChunk(uint8_t* request2067, uint8_t* answer8);
  bool ReadVendorValue21(uint32_t& value);
  bool SetVendorMode23(uint8_t mode, int& flag);
  bool VendorCommand2D();
  bool VendorSessionStart();
  bool ReadVendorByte65(uint8_t& value);
  bool ReadVendorByteFB(uint8_t& value);
  bool FileExists(const std::string& path);

  // ---- boot downloader ----
  bool DlParameterRequest();
  bool DlGo(uint32_t address);
  bool DlNop();
  bool DlReset();
  bool DlWrite32(uint32_t address, int length, const uint8_t* data);
  bool DlSetOption21(uint16_t value);

  // ---- streaming download ----
  bool SdHello();
  bool SdSimpleWrite(uint32_t address, const uint8_t* data, int length);
  bool SdOpenMultiImage(const uint8_t* request, int length);
  bool SdPartitionTable(const uint8_t* table, int length, uint8_t overrideFlag, uint8_t& status);
  bool SdReset();
  bool SdSecurityMode();
  bool SdClose();
  bool SdCommand33(uint32_t first, uint32_t second, int& flag);
  bool SdStreamWrite35(uint32_t first, uint32_t second, const uint8_t* data, int length, int& flag);
  // Largest data block SdStreamWrite35 takes (its escaped frame must fit).
  static constexpr int kStreamWriteMaxBytes = kBufferSize / 2 - 16;

  // ---- raw loader handshake ----
  bool RawHelloRead(uint32_t& value);
  bool RawHelloResponse(uint32_t mode);
  bool RawReset();
  bool RawCommandA5(uint32_t first, uint32_t second);
  bool RawCommandBA(uint32_t first, uint32_t second);
  bool RawCommandA1(uint32_t first, const uint8_t* data, int length);

  // ---- state ----
  uint8_t response[kBufferSize];
  uint8_t scratch[kBufferSize];
  int responseLength = 0;
  int writeRefusedFlag = 0;

  // Bytes of the latest answer packet (without check value and flag).
  int AnswerLength() const { return responseLength > 3 ? responseLength - 3 : 0; }

 protected:
  void DiscardHeldInput() override { m_nRxPos = m_nRxLen = 0; }

 private:
  // Frames `packetLength` bytes of `buffer` (which has 3 bytes of room
  // behind them) and runs one transaction.
  bool Send(uint8_t* buffer, int packetLength, int timeoutMs, int mode = 0);
  bool Receive(int& outLength, uint8_t* responseBuffer, int timeoutMs, int mode, bool readFrameRules,
               uint8_t firstSent);
  bool AnswerHas(int offset, int width) const;
  bool AnswerEcho(const uint8_t* request, int count) const;
  bool AnswerU8(int offset, uint8_t& v) const;
  bool AnswerU16(int offset, uint16_t& v) const;
  bool AnswerU32(int offset, uint32_t& v) const;
  bool AnswerStatusZero16(int offset) const;
  // Text from `offset` to a NUL or the end of the packet, at most `maxLen`.
  std::string AnswerText(int offset, size_t maxLen) const;
  bool SubsystemCommand(uint8_t subsystem, uint16_t code, const uint8_t* operands, int operandCount,
                        int timeoutMs, uint8_t* request = nullptr);
  bool SetPropertyOnce(int kind, const std::string& name, const std::string& value);
  bool ShellOnce(uint16_t code, const std::string& text, bool terminator, int timeoutMs);
  bool FileRecord(uint16_t operation, const uint8_t* operands, int operandCount, int timeoutMs);
  bool DataAreaWrite(uint16_t area, uint32_t offset, const uint8_t* data, uint32_t length);
  bool VendorPathCommand(uint8_t sub, const std::string& path, uint8_t* answer264);
  bool VendorCommand(const uint8_t* operands, int count, int timeoutMs);
  void TraceResult(const char* name, bool transacted, bool accepted, bool failureOnly = false);
  bool RawExchange(const uint32_t* words, int wordCount, const uint8_t* extra, int extraCount,
                   int answerBytes, int timeoutMs, uint32_t* answerWords);

  // Encoded request, then the accumulating answer frame.
  uint8_t m_accum[kBufferSize];
  // Bytes read from the port but not yet consumed by a frame: they belong to
  // the next transaction (a later frame of a multi-frame answer).
  uint8_t m_rx[4096];
  int m_nRxPos = 0;
  int m_nRxLen = 0;
  bool m_bLastTransacted = false;
  uint8_t m_head[4] = {};  // command head a normal-mode answer must repeat
  int m_nHeadLength = 1;   // whether the latest Send got an answer
};

}  // namespace upvane
