#include "app/identification.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devices/adb_cmd.h"
#include "diag/com_ms.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "services/file_names.h"
#include "services/model_catalogue.h"
#include "services/text_helpers.h"
#include "store/qx_regstry.h"

namespace upvane {

namespace {

std::mutex g_markerMutex;
IdentifiedPhone g_marker;

// An adb answer fails when the runner fails or it says "ERROR".
bool RunAdb(CAdbCmd& adb, const std::string& command, std::string& out) {
  return adb.RunCommand(command, out, true) && !ContainsNoCase(out, "ERROR");
}

// What an identification writes into a record; CheckDate and Status stay
// as the record had them.
struct Identity {
  std::string model, deviceId, version, number, connection, family;
  uint32_t bits = 0;
};

void ApplyIdentity(D_PHONE_INFO& record, const Identity& id) {
  record.ModelID = id.model;
  record.DeviceID = id.deviceId;
  record.Firmware = id.version;
  record.No = id.number;
  record.SerialComm = id.connection;
  record.ConnectFlg = "On";
  record.BrewFlg = id.family;
  record.Download.clear();
  record.ConnDate = FormatLocalTimeStamp(GetLocalTime());
  record.OemExFlg = id.bits;
}

// Cuts `text` before `suffix` when it occurs after position 0.
bool CutBefore(std::string& text, const char* suffix) {
  const size_t at = text.find(suffix);
  if (at == std::string::npos || at == 0) return false;
  text.resize(at);
  return true;
}

}  // namespace

void SetIdentifiedPhone(const std::string& model, const std::string& deviceId) {
  std::lock_guard<std::mutex> lock(g_markerMutex);
  g_marker = IdentifiedPhone{true, model, deviceId};
}

void ClearIdentifiedPhone() {
  std::lock_guard<std::mutex> lock(g_markerMutex);
  g_marker = IdentifiedPhone{};
}

IdentifiedPhone GetIdentifiedPhone() {
  std::lock_guard<std::mutex> lock(g_markerMutex);
  return g_marker;
}

std::string TrimAnswer(const std::string& text) { return NormaliseAnswer(text); }

std::string ParseSubscriberDigits(const std::string& text) {
  std::string digits;
  size_t from = 0;
  for (;;) {
    const size_t quote = text.find('\'', from);
    if (quote == std::string::npos) break;
    size_t i = quote + 1;
    for (; i < text.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == '\'' || c < 0x20 || c > 0x7F) break;
      if (c >= '0' && c <= '9' && digits.size() < 19) digits += static_cast<char>(c);
    }
    from = i + 2;
    if (from >= text.size()) break;
  }
  return digits;
}

std::string ParseParcelNumber(const std::string& text) {
  std::vector<uint32_t> words;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 2;
    size_t lead = 0;
    while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
    line.erase(0, lead);
    if (line.size() > 2 && line.compare(0, 2, "0x") == 0) {
      unsigned addr = 0, w[4] = {0, 0, 0, 0};
      // The address is discarded; four words are taken per such line.
      std::sscanf(line.c_str(), "0x%08x: %08x %08x %08x %08x", &addr, &w[0], &w[1], &w[2], &w[3]);
      for (unsigned v : w) words.push_back(v);
    }
    if (end == text.size()) break;
  }
  size_t marker = 0;
  while (marker < words.size() && words[marker] != 0xFF00796Bu) ++marker;
  if (marker + 1 >= words.size()) return "0000000000";
  uint32_t length = words[marker + 1];
  if (length > 29) length = 30;
  std::string digits;
  const size_t count = (length + 1) / 2;
  for (size_t k = 0; k < count && digits.size() < length; ++k) {
    const size_t at = marker + 2 + k;
    if (at >= words.size()) break;
    for (uint32_t unit : {words[at] & 0xFFFFu, words[at] >> 16}) {
      if (digits.size() >= length) break;
      if (unit >= '0' && unit <= '9') digits += static_cast<char>(unit);
    }
  }
  return digits.empty() ? "0000000000" : digits;
}

std::vector<std::string> ParseAdbSerials(const std::string& listing) {
  std::vector<std::string> serials;
  size_t pos = 0;
  while (pos < listing.size()) {
    size_t end = listing.find("\r\n", pos);
    if (end == std::string::npos) end = listing.size();
    const std::string line = listing.substr(pos, end - pos);
    pos = end + 2;
    if (line.empty()) break;
    if (line.size() < 15) continue;
    if (IsSerial15(line.substr(0, 15))) serials.push_back(line.substr(0, 15));
  }
  return serials;
}

std::string SplitModelSuffixes(const std::string& model, uint32_t& bits) {
  std::string m = model;
  CutBefore(m, "_3GB");
  if (CutBefore(m, "NC")) bits |= 2;
  if (CutBefore(m, "PP")) bits |= 4;
  return m;
}

int IdentifyMtkPhone(const std::string& serial) {
  CQxRegstry reg;
  CAdbCmd adb;
  adb.SetSerial(serial);
  adb.SetTimeLimit(30000);
  D_PHONE_INFO record;
  const bool known = reg.FindMtkPhone(serial, record);
  if (known && record.ConnectFlg == "On") return 1;

  std::string out;
  if (!RunAdb(adb, "adb shell service call iphonesubinfo 4", out)) return 0;
  std::string deviceId = ParseSubscriberDigits(out);
  if (deviceId.size() > 14) deviceId.resize(14);
  if (deviceId.empty()) return 0;

  std::string model = RunAdb(adb, "adb shell getprop ro.product.model", out) ? TrimAnswer(out) : "";
  uint32_t bits = 0;
  if (CutBefore(model, "NC")) bits = 2;
  if (!IsKnownModel(model)) return 0;

  const std::string version =
      RunAdb(adb, "adb shell getprop ro.build.version.incremental", out) ? TrimAnswer(out) : "";
  if (version.empty()) return 0;
  const std::string number = RunAdb(adb, "adb shell service call isub 5", out) ? ParseParcelNumber(out) : "";

  if (!known) record = D_PHONE_INFO{};
  ApplyIdentity(record, {model, deviceId, version, number, serial, "MtkPhone", bits});
  reg.WritePhone(deviceId, record);
  SetIdentifiedPhone(model, deviceId);
  return 1;
}

void SyncMtkConnectFlags(const std::vector<std::string>& serials) {
  CQxRegstry reg;
  std::vector<D_PHONE_INFO> records;
  D_PHONE_INFO info;
  for (uint32_t i = 0; reg.ReadPhoneAt(i, info); ++i) {
    records.push_back(info);
    info = D_PHONE_INFO{};
  }
  for (const D_PHONE_INFO& r : records) {
    if (r.BrewFlg != "MtkPhone") continue;
    bool listed = false;
    for (const std::string& s : serials) listed = listed || s == r.SerialComm;
    if (listed && r.ConnectFlg == "Off") reg.SetPhoneString(r.DeviceID, "ConnectFlg", "On");
    if (!listed && r.ConnectFlg == "On") reg.SetPhoneString(r.DeviceID, "ConnectFlg", "Off");
  }
}

bool IsKnownConnected(const std::string& model, const std::string& deviceId) {
  CQxRegstry reg;
  D_PHONE_INFO r;
  return reg.ReadPhone(deviceId, r) && r.ModelID == model && r.DeviceID == deviceId && !r.Firmware.empty() &&
         r.ConnectFlg == "On";
}

void IdentifyPortPhone(const std::string& portArgument) {
  PumpWait(1000);
  const std::string port = portArgument.substr(0, 31);
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::string model, version, deviceId, number;
    uint32_t bits = 0;
    bool feature = false;
    CComMs com;
    if (com.Open(port, 115200)) {
      com.VendorSessionStart();
      com.GetModelName(model);
      if (model.empty()) {
        feature = true;
        com.SetPhoneMode('D');
        BrewIdentityFields identity;
        if (com.ReadPhoneIdentity(identity)) {
          model = TrimSpace(identity.T1);
          version = identity.T6;
          number = com.ReadPhoneNumber();
        }
      } else {
        model = SplitModelSuffixes(model, bits);
        number = com.ReadPhoneNumberExtended();
        char buffer[65] = {0};
        uint8_t size = 64;
        if (com.GetSoftwareVersion(buffer, size)) version.assign(buffer, strnlen(buffer, 64));
        if (version.empty()) com.GetProperty(0, "ro.build.internalswversion", version, 64);
        if (version.empty()) com.GetProperty(0, "ro.build.version.incremental", version, 64);
        if (model == "E3105") {
          std::string hwid;
          if (com.RunShell("cat /sys/class/gpio/hwid", hwid, 1025) && std::atoi(hwid.c_str()) == 11)
            bits |= 1;
        } else if (model == "E3107") {
          version = ReplaceAll(version, "WQNC", "WQ");
        } else if (model == "S3106") {
          version = ReplaceAll(version, "WQVP", "WQ");
        }
      }
      deviceId = com.ReadDeviceId();
      if (number.empty()) number = "0000000000";
    }
    if (model.empty() || version.empty() || deviceId.empty()) {
      com.Close();
      PumpWait(100);
      continue;
    }
    if (!IsKnownModel(model)) return;

    CQxRegstry reg;
    D_PHONE_INFO record;
    if (!(reg.FindPhone(deviceId) && reg.ReadPhone(deviceId, record))) record = D_PHONE_INFO{};
    ApplyIdentity(record, {model, deviceId, version, number, port, feature ? "On" : "Off", bits});
    reg.WritePhone(deviceId, record);
    if (model != "E3104") SetIdentifiedPhone(model, deviceId);
    if (!feature) {
      if (IsServiceWaitModel(model))
        com.WaitDiagServiceAndClose();
      else
        com.SendClosingCommand();
    }
    com.Close();
    return;
  }
}

bool ReadPortModelAndId(const std::string& port, std::string& model, std::string& deviceId) {
  model.clear();
  deviceId.clear();
  CComMs com;
  if (!com.Open(port, 115200)) return false;
  com.VendorSessionStart();
  com.GetModelName(model);
  if (model.empty()) {
    com.SetPhoneMode('D');
    BrewIdentityFields identity;
    if (com.ReadPhoneIdentity(identity)) model = TrimSpace(identity.T1);
  } else {
    uint32_t bits = 0;
    model = SplitModelSuffixes(model, bits);
  }
  deviceId = com.ReadDeviceId();
  com.Close();
  return !model.empty() && !deviceId.empty();
}

}  // namespace upvane
