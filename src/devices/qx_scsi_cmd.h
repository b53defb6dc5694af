#pragma once
// The maker's vendor SCSI commands that tell a phone in storage mode to
// switch to the mode with its diagnostic port, sent with retries.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace upvane {

// "F0 00 'Q' 'X' 'D' 'T' n 00 00 00" (10 bytes).
std::vector<uint8_t> MakeDriveNoticeCdb(uint8_t notice);
// 0xF0 and the 15-character mode-switch word (16 bytes; a shorter word is
// padded with zeros, a longer one cut).
std::vector<uint8_t> MakeModeSwitchCdb(const std::string& word);

constexpr uint32_t kScsiTimeoutMs = 2000;

// Shows a failing pass-through to the user. The application installs one
// that runs a message box on the GUI thread; without one the text goes to
// the debug channel. May be called from any thread.
using ScsiErrorPrompt = std::function<void(const std::string& text)>;
void SetScsiErrorPrompt(ScsiErrorPrompt prompt);

class CQxScsiCmd {
 public:
  virtual ~CQxScsiCmd() = default;

  // `deviceName` is a drive id ("sr0"). Notice 0: query-only access, five
  // attempts 100 ms apart. Notice 2: read/write access, five attempts 1 s
  // apart, each failing pass-through shown through the prompt.
  bool SendDriveNotice0(const std::string& deviceName);
  bool SendDriveNotice2(const std::string& deviceName);
};

}  // namespace upvane
