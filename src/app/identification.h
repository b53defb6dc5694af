#pragma once
// Finding out which phone is on a connection and recording it "On": over
// adb for MediaTek phones, over the diagnostic port for all others.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/phone_info.h"

namespace upvane {

// The phone most recently identified (Part of the device watch's decision
// whether a phone drive still needs its mode switch).
struct IdentifiedPhone {
  bool set = false;
  std::string model;
  std::string deviceId;
};
void SetIdentifiedPhone(const std::string& model, const std::string& deviceId);
void ClearIdentifiedPhone();
IdentifiedPhone GetIdentifiedPhone();

// Digits of the quoted text columns of a service-call dump (at most 19).
std::string ParseSubscriberDigits(const std::string& text);
// The phone number of a subscription dump, or "0000000000".
std::string ParseParcelNumber(const std::string& text);
// Candidate serials of an "adb devices" listing (15 characters, no blanks).
std::vector<std::string> ParseAdbSerials(const std::string& listing);
// Cuts "_3GB", "NC" and "PP" (found after position 0) off a diag model
// answer; NC sets variant bit 2, PP bit 4.
std::string SplitModelSuffixes(const std::string& model, uint32_t& variantBits);
// Text with codes 0..32 removed at both ends and inner "\r\n" as " / ".
std::string TrimAnswer(const std::string& text);

// Identifies a MediaTek phone by its adb serial; non-zero when the phone is
// known and connected afterwards.
int IdentifyMtkPhone(const std::string& serial);
// Records of MediaTek phones follow the serials adb lists now.
void SyncMtkConnectFlags(const std::vector<std::string>& serials);
// Identifies the phone on a diagnostic port (up to five attempts).
void IdentifyPortPhone(const std::string& portName);

// Model code (suffixes removed) and device identifier of the phone on a
// diagnostic port, asked as identification asks them; false when the port
// does not open or an answer is missing.
bool ReadPortModelAndId(const std::string& port, std::string& model, std::string& deviceId);

// The record of `deviceId` is that phone, with a version, and "On".
bool IsKnownConnected(const std::string& model, const std::string& deviceId);

}  // namespace upvane
