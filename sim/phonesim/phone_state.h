#pragma once
// What a simulated phone remembers between requests.
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace upvane::sim {

enum class PhoneMode { kDiag, kBoot, kStreaming, kRaw };

struct FotaPart {
  uint32_t chunks = 0;
  uint64_t bytes = 0;
  uint32_t nextIndex = 0;
  bool complete = false;
};

struct PhoneState {
  PhoneMode mode = PhoneMode::kDiag;
  // diagnostic mode
  bool unlocked = false;
  bool challengeValid = false;
  std::array<uint8_t, 8> challenge{};
  bool offline = false;
  int resets = 0;
  std::map<std::string, std::string> systemProps;
  std::map<std::string, std::string> persistentProps;  // rw_ names
  std::map<uint16_t, std::array<uint8_t, 128>> nv;
  std::map<std::string, std::vector<uint8_t>> files;
  std::map<uint32_t, std::string> openFiles;
  uint32_t nextFd = 3;
  std::map<uint16_t, std::vector<uint8_t>> dataAreas;
  std::map<int, FotaPart> fota;    // by part number
  std::vector<int> fotaPartOrder;  // parts in the order their first chunk came
  int fotaOrderErrors = 0;
  std::map<uint8_t, uint8_t> updateStates;  // by selector
  bool updateLocked = false;
  bool updateRunRequested = false;
  bool securedUpdatePrepared = false;
  int legacyUpdateMethod = -1;
  uint8_t updateOption = 0;
  bool signedBlockReceived = false;
  // feature phone
  std::set<std::string> efsDirs;
  std::map<std::string, std::vector<uint8_t>> efsFiles;
  bool efsWriting = false;
  std::string efsWritePath;
  uint32_t efsNextSeq = 0;
  int vendorMode23 = -1;
  // boot downloader
  bool bootParamsRequested = false;
  uint64_t bootBytesWritten = 0;
  uint32_t goAddress = 0;
  int option21 = -1;
  // streaming download
  bool helloDone = false;
  bool secureMode = false;
  std::vector<uint8_t> partitionTable;
  int openImage = -1;
  uint64_t streamBytes = 0;
  uint64_t simpleBytes = 0;
  int streamCloses = 0;
  // raw loader
  bool rawHelloDone = false;
  uint32_t rawMode = 0;
  uint64_t rawBytes = 0;
  // requests seen, counted by their first (up to four) bytes in hex
  std::map<std::string, int> requestCounts;
  int badFrames = 0;
  int unknownCommands = 0;
  int badLengths = 0;
};

}  // namespace upvane::sim
