#pragma once
// A simulated phone and a diagnostic session opened on its pty.
#include <gtest/gtest.h>

#include <memory>

#include "diag/com_ms.h"
#include "sim_phone.h"

namespace upvane::test {

inline sim::PhoneConfig Smartphone() {
  sim::PhoneConfig c;
  c.family = sim::Family::kSmartphone;
  c.model = "E3109";
  c.imei = "354123456789017";
  c.meid = "A1000012345678";
  c.phoneNumber = "09012345678";
  c.softwareVersion = "2.100WQ.10";
  c.hardwareCode = "H01A";
  c.batteryPercent = 76;
  c.dataFreeMb = 3072;
  c.encrypted = true;
  c.downloadMode = "raw";
  return c;
}

inline sim::PhoneConfig FeaturePhone() {
  sim::PhoneConfig c;
  c.family = sim::Family::kFeaturePhone;
  c.model = "E3104";
  c.meid = "A0000098765432";
  c.phoneNumber = "08098765432";
  c.softwareVersion = "1.040";
  c.hardwareCode = "F2B0";
  c.identityNumber = 3;
  c.downloadMode = "boot";
  c.efsDirectories = {"/brew", "/brew/mod"};
  c.efsFiles = {{"/brew/a.txt", "alpha"}, {"/brew/b.txt", "beta"}};
  return c;
}

inline sim::FaultRule Fault(const char* kind, const char* onHex, int times = 1, uint32_t code = 0) {
  sim::FaultRule f;
  f.kind = kind;
  sim::ParseHexBytes(onHex, f.match);
  f.times = times;
  f.code = code;
  return f;
}

class SimSession : public ::testing::Test {
 protected:
  void StartPhone(const sim::PhoneConfig& config) {
    phone = std::make_unique<sim::SimPhone>(config);
    std::string error;
    ASSERT_TRUE(phone->Start(&error)) << error;
    ms = std::make_unique<CComMs>();
    ASSERT_TRUE(ms->Open(phone->PortPath(), 115200)) << ms->OpenError();
  }
  void TearDown() override {
    ms.reset();
    phone.reset();
  }
  std::unique_ptr<sim::SimPhone> phone;
  std::unique_ptr<CComMs> ms;
};

}  // namespace upvane::test
