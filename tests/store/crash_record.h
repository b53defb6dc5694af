#pragma once
// The records the crash writer stores, shared with the test that checks them.
#include <string>

#include "platform/format.h"
#include "store/phone_info.h"

namespace upvane::test {

// Writer k counts its records in the Status of this record.
inline std::string CounterId(unsigned k) { return Format("COUNTER%07u", k); }

inline std::string CrashId(unsigned n) { return Format("CRASH%09u", n); }

inline D_PHONE_INFO CrashRecord(unsigned n) {
  D_PHONE_INFO info;
  info.ModelID = Format("BX%u", n % 12);
  info.DeviceID = CrashId(n);
  info.Firmware = Format("9.%03uWQ.99", n % 1000);
  info.No = Format("%010u", n * 7919u);
  info.SerialComm = Format("/dev/ttyACM%u", n % 8);
  info.ConnectFlg = n % 2 ? "On" : "Off";
  info.BrewFlg = n % 3 ? "Off" : "MtkPhone";
  info.Download = Format("/tmp/upvane/package-%u.bin", n);
  info.ConnDate = Format("2026/12/11 %02u:%02u:%02u", n / 3600 % 24, n / 60 % 60, n % 60);
  info.CheckDate = n % 5 ? "" : info.ConnDate;
  info.Status = n;
  info.OemExFlg = n % 8;
  return info;
}

}  // namespace upvane::test
