// Commands of normal diagnostic mode against a simulated phone on a pty.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/deployment.h"
#include "sim_session.h"
#include "support/test_support.h"

namespace upvane {
namespace {

// The waits of the commands (retries, settle times) run three times faster;
// counts and orders stay the same.
const bool kScaled = [] {
  setenv("UPVANE_TIME_SCALE", "3", 1);
  setenv("UPVANE_DEBUG", "1", 1);
  return true;
}();

using test::Fault;

class SmartphoneTest : public test::SimSession {
 protected:
  void SetUp() override { StartPhone(test::Smartphone()); }
};

TEST_F(SmartphoneTest, MakerCommandsNeedTheUnlock) {
  std::string model;
  EXPECT_FALSE(ms->GetModelName(model));
  EXPECT_TRUE(model.empty());
  ASSERT_TRUE(ms->UnlockDiagPort());
  EXPECT_TRUE(phone->Snapshot().unlocked);
  EXPECT_EQ(phone->Snapshot().systemProps["qx.diag.status"], "start");
  ASSERT_TRUE(ms->GetModelName(model));
  EXPECT_EQ(model, "E3109");
}

TEST_F(SmartphoneTest, IdentityReaders) {
  // The IMEI read unlocks the port by itself when the first read gives nothing.
  EXPECT_EQ(ms->ReadDeviceId(), "354123456789017");
  EXPECT_EQ(ms->ReadMeid(), "A1000012345678");
  EXPECT_EQ(ms->ReadPhoneNumberExtended(), "09012345678");
  char version[65];
  uint8_t size = sizeof(version);
  ASSERT_TRUE(ms->GetSoftwareVersion(version, size));
  EXPECT_STREQ(version, "2.100WQ.10");
  EXPECT_EQ(size, 10);
  // A receiving buffer shorter than the text gets it cut.
  char small[5];
  size = sizeof(small);
  ASSERT_TRUE(ms->GetSoftwareVersion(small, size));
  EXPECT_STREQ(small, "2.10");
  std::string hw;
  ASSERT_TRUE(ms->GetHardwareCode(hw));
  EXPECT_EQ(hw, "H01A");
  std::string release;
  ASSERT_TRUE(ms->GetProperty(0, "ro.build.version.release", release));
  EXPECT_EQ(release, "9");
  int encrypted = 0;
  ASSERT_TRUE(ms->IsDataEncrypted(encrypted));
  EXPECT_EQ(encrypted, 1);
  EXPECT_TRUE(ms->IsBootComplete());
}

TEST(UnlockKey, PhoneWithAnotherKeyRefusesTheResponse) {
  sim::PhoneConfig c = test::Smartphone();
  c.unlockKey = "WRONGKEY";
  ASSERT_NE(c.unlockKey, DiagUnlockKey());
  sim::SimPhone phone(c);
  ASSERT_TRUE(phone.Start());
  CComMs ms;
  ASSERT_TRUE(ms.Open(phone.PortPath(), 115200));
  EXPECT_FALSE(ms.UnlockDiagPort());
  std::string model;
  EXPECT_FALSE(ms.GetModelName(model));
  EXPECT_EQ(phone.CountRequests("4BFD10A0"), 2);  // challenge and response, no property writes
  EXPECT_EQ(phone.CountRequests("4BFCA120"), 0);
}

TEST_F(SmartphoneTest, EachCommandSucceedsAndFailsWithoutAnswer) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  test::TempDir dir;
  test::WriteFile(dir.File("signed.bin"), std::string(300, 's'));
  const uint8_t digest[32] = {};
  struct Case {
    const char* name;
    const char* request;  // the head the phone is told not to answer; null: long limit, not tried
    std::function<bool()> run;
  };
  const Case cases[] = {
      {"DisableLogMask", "0F", [&] { return ms->DisableLogMask(); }},
      {"ClearExtLogMask", "5D", [&] { return ms->ClearExtLogMask(); }},
      {"QuerySessionState", "4BFC1220", [&] { return ms->QuerySessionState(); }},
      {"QueryUpdateOption", nullptr,
       [&] {
         uint8_t o = 9;
         return ms->QueryUpdateOption(o) && o == 0;
       }},
      {"StartDeltaUpdateLegacy", "4BFC26B0", [&] { return ms->StartDeltaUpdateLegacy(1, 0); }},
      {"PrepareSecuredUpdate", "4BFC27B0", [&] { return ms->PrepareSecuredUpdate(); }},
      {"QueryUpdateState", "4BFCD920",
       [&] {
         uint8_t st = 9;
         return ms->QueryUpdateState(2, st) && st == 0;
       }},
      {"SendSignedBlock", "4BFCD520",
       [&] { return ms->SendSignedBlock(digest, 256, dir.File("signed.bin")); }},
      {"WriteDnandFBDLEnable", "4BFCE020", [&] { return ms->WriteDnandFBDLEnable(); }},
      {"SetFactoryDataFlag", "4BFCE020", [&] { return ms->SetFactoryDataFlag(); }},
      {"SyncFileSystems", "4BFC8020", [&] { return ms->SyncFileSystems(); }},
      {"IsBootComplete", "4BFCA020", [&] { return ms->IsBootComplete(); }},
      {"SetRebootModeDiag1", nullptr, [&] { return ms->SetRebootModeDiag1(); }},
      {"ReadPhoneNumber", "26", [&] { return ms->ReadPhoneNumber() == "09012345678"; }},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.run()) << c.name;
    if (!c.request) continue;
    phone->AddFault(Fault("no_answer", c.request, -1));
    EXPECT_FALSE(c.run()) << c.name << " without an answer";
    // A fresh phone for the next case (the rule above stays forever).
    StartPhone(test::Smartphone());
    ASSERT_TRUE(ms->UnlockDiagPort());
  }
  // A signed block that is not 256 bytes is not sent at all.
  test::WriteFile(dir.File("short.bin"), std::string(100, 's'));
  EXPECT_FALSE(ms->SendSignedBlock(digest, 255, dir.File("signed.bin")));
  EXPECT_FALSE(ms->SendSignedBlock(digest, 256, dir.File("short.bin")));
  EXPECT_EQ(phone->CountRequests("4BFCD520"), 0);
}

TEST_F(SmartphoneTest, RetryCounts) {
  // Three sends while the transaction itself fails.
  phone->AddFault(Fault("no_answer", "1C", 3));
  EXPECT_FALSE(ms->CheckDiagVersion());
  EXPECT_EQ(phone->CountRequests("1C"), 3);
  phone->AddFault(Fault("no_answer", "1C", 2));
  EXPECT_TRUE(ms->CheckDiagVersion());
  EXPECT_EQ(phone->CountRequests("1C"), 6);

  // Six bad-mode answers: six sends, then failure; five: success on the sixth.
  phone->AddFault(Fault("bad_mode", "3A", 6));
  EXPECT_FALSE(ms->EnterDownloadMode());
  EXPECT_EQ(phone->CountRequests("3A"), 6);
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kDiag);
  phone->AddFault(Fault("bad_mode", "3A", 5));
  EXPECT_TRUE(ms->EnterDownloadMode());
  EXPECT_EQ(phone->CountRequests("3A"), 12);
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kRaw);
}

TEST_F(SmartphoneTest, EnterDownloadModeStopsAtAFailedTransaction) {
  phone->AddFault(Fault("no_answer", "3A", 1));
  EXPECT_FALSE(ms->EnterDownloadMode());
  EXPECT_EQ(phone->CountRequests("3A"), 1);
}

TEST_F(SmartphoneTest, PropertyWriters) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  // Persistent property: kind 1, one send when accepted.
  ASSERT_TRUE(ms->SetProperty("rw_diag_reboot_mode", "1"));
  EXPECT_EQ(phone->Snapshot().persistentProps["rw_diag_reboot_mode"], "1");
  const int before = phone->CountRequests("4BFCA120");
  // A refused write is sent six times in all.
  EXPECT_FALSE(ms->SetProperty("not_persistent", "x"));
  EXPECT_EQ(phone->CountRequests("4BFCA120") - before, 6);
  // Reboot-mode writers sync afterwards.
  ASSERT_TRUE(ms->SetRebootModeDiag2());
  EXPECT_EQ(phone->Snapshot().persistentProps["rw_diag_reboot_mode"], "2");
  EXPECT_EQ(phone->CountRequests("4BFC8020"), 1);
}

TEST_F(SmartphoneTest, LogFrameBeforeTheAnswerIsSkipped) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  phone->AddFault(Fault("log_before", "4BFC4120", 1));
  std::string model;
  ASSERT_TRUE(ms->GetModelName(model));
  EXPECT_EQ(model, "E3109");
}

TEST_F(SmartphoneTest, AnswersTooShortForWhatIsReadFail) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  struct Case {
    const char* on;
    uint32_t keep;
    std::function<bool()> run;
  };
  uint32_t deltaIndex = 0;  // the phone takes each index once
  const Case cases[] = {
      {"26", 100,
       [&] {
         uint8_t d[128];
         uint16_t st;
         return ms->NvRead(5598, 8, d, st);
       }},
      {"4BFC4020", 6,
       [&] {
         char v[65];
         uint8_t n = 65;
         return ms->GetSoftwareVersion(v, n);
       }},
      {"4BFCA020", 8,
       [&] {
         std::string v;
         return ms->GetProperty(0, "ro.build.version.release", v);
       }},
      {"4BFD00B0", 4,
       [&] {
         std::string v;
         return ms->GetHardwareCode(v);
       }},
      {"4BFC0020", 10,
       [&] {
         uint8_t b[36];
         return ms->FileSystemStats("/data", b);
       }},
      {"4BFCD720", 8,
       [&] {
         uint8_t d[4] = {};
         return ms->SendDeltaChunk(1, deltaIndex++, 4, d, false);
       }},
      {"4BFCD920", 6,
       [&] {
         uint8_t s;
         return ms->QueryUpdateState(1, s);
       }},
      {"4BFD10A0", 10,
       [&] {
         uint8_t c[8];
         return ms->GetUnlockChallenge(c);
       }},
  };
  for (const Case& c : cases) {
    phone->AddFault(Fault("short_answer", c.on, 1, c.keep));
    EXPECT_FALSE(c.run()) << c.on;
    EXPECT_TRUE(c.run()) << c.on << " (whole answer)";
  }
}

TEST_F(SmartphoneTest, LateAnswersAndWrongCheckValues) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  std::string model;
  // Late but within the 300 ms budget of the model query, then too late.
  sim::FaultRule late = Fault("late_answer", "4BFC4120", 1);
  late.delayMs = 50;
  phone->AddFault(late);
  EXPECT_TRUE(ms->GetModelName(model));
  late.delayMs = 1000;
  phone->AddFault(late);
  EXPECT_FALSE(ms->GetModelName(model));
  // The late answer arrives during the next transaction and is skipped there:
  // it repeats another command's head.
  char v[65];
  uint8_t n = sizeof(v);
  EXPECT_TRUE(ms->GetSoftwareVersion(v, n));
  // The program does not check the phone's check value.
  phone->AddFault(Fault("bad_check", "4BFC4120", 1));
  EXPECT_TRUE(ms->GetModelName(model));
  EXPECT_EQ(model, "E3109");
}

TEST_F(SmartphoneTest, NoAnswer) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  phone->AddFault(Fault("no_answer", "4BFC", -1));
  const uint64_t start = GetTickCount64();
  std::string model;
  EXPECT_FALSE(ms->GetModelName(model));
  EXPECT_LT(GetTickCount64() - start, 3000u);  // its limit is 300 ms
  // Cannot tell: assume enough battery. The shell form says no.
  EXPECT_TRUE(ms->IsBatteryAbove(50));
  EXPECT_FALSE(ms->IsBatteryAboveShell(50));
}

TEST_F(SmartphoneTest, Battery) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  EXPECT_TRUE(ms->IsBatteryAbove(76));
  EXPECT_FALSE(ms->IsBatteryAbove(77));
  EXPECT_TRUE(ms->IsBatteryAboveShell(76));
  EXPECT_FALSE(ms->IsBatteryAboveShell(77));
}

TEST_F(SmartphoneTest, PhoneModes) {
  EXPECT_FALSE(ms->SetPhoneMode('X'));
  EXPECT_EQ(phone->CountRequests("29"), 0);
  ASSERT_TRUE(ms->SetPhoneMode('D'));
  EXPECT_TRUE(phone->Snapshot().offline);
  ASSERT_TRUE(ms->UnlockDiagPort());
  ASSERT_TRUE(ms->SetPhoneMode('R'));
  const sim::PhoneState s = phone->Snapshot();
  EXPECT_EQ(s.resets, 1);
  EXPECT_FALSE(s.unlocked);  // a reset locks the port again
}

TEST_F(SmartphoneTest, RunShellCollectsEveryFrame) {
  sim::PhoneConfig c = test::Smartphone();
  c.shellFrameBytes = 16;
  StartPhone(c);
  ASSERT_TRUE(ms->UnlockDiagPort());
  std::string text;
  ASSERT_TRUE(ms->RunShell("getprop", text, 100000));
  EXPECT_GT(text.size(), 16u * 10);
  EXPECT_NE(text.find("[ro.product.model]: [E3109]\n"), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
  // Cut to the capacity.
  ASSERT_TRUE(ms->RunShell("getprop", text, 20));
  EXPECT_EQ(text.size(), 20u);
  // An unknown command fails on its first frame.
  EXPECT_FALSE(ms->RunShell("no-such-tool", text, 100));
  // The second frame never comes: the whole call fails.
  phone->AddFault(Fault("drop_followup", "4BFC8120", 1));
  EXPECT_FALSE(ms->RunShell("getprop", text, 100000));
  EXPECT_TRUE(text.empty());
}

TEST_F(SmartphoneTest, HangUpMidTransactionFailsWithoutHanging) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  phone->AddFault(Fault("hang_up", "4BFC4020", 1));
  const uint64_t start = GetTickCount64();
  char v[65];
  uint8_t n = sizeof(v);
  EXPECT_FALSE(ms->GetSoftwareVersion(v, n));
  std::string model;
  EXPECT_FALSE(ms->GetModelName(model));
  EXPECT_LT(GetTickCount64() - start, 3000u);
  EXPECT_TRUE(phone->IsGone());
}

TEST_F(SmartphoneTest, UpdateControl) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  testing::internal::CaptureStderr();
  ASSERT_TRUE(ms->FotaZrtLockCmd());
  const std::string trace = testing::internal::GetCapturedStderr();
  EXPECT_NE(trace.find("FotaZrtLockCmd::\xE6\x88\x90\xE5\x8A\x9F\n"), std::string::npos) << trace;
  ASSERT_TRUE(ms->FotaPrepareStartCmd());
  char phase = 0;
  ASSERT_TRUE(ms->IsReadyFotaPrepareCmd(phase));
  EXPECT_EQ(phase, '2');
  // Four chunks of delta part 1, then one of part 3 in the legacy form; a
  // repeated index is refused.
  uint8_t data[CComMs::kDeltaChunkBytes];
  for (int i = 0; i < CComMs::kDeltaChunkBytes; ++i) data[i] = static_cast<uint8_t>(i);
  for (uint32_t i = 0; i < 4; ++i)
    ASSERT_TRUE(ms->SendDeltaChunk(1, i, CComMs::kDeltaChunkBytes, data, i == 3));
  EXPECT_FALSE(ms->SendDeltaChunk(1, 3, 10, data, true));
  ASSERT_TRUE(ms->SendDeltaChunkLegacy(0, 3, 100, data, true));
  EXPECT_FALSE(ms->SendDeltaChunk(2, 0, CComMs::kDeltaChunkBytes + 1, data, true));
  ASSERT_TRUE(ms->FotaUpdateStartCmd());
  ASSERT_TRUE(ms->DiffUpdateRunCmd());
  const sim::PhoneState s = phone->Snapshot();
  EXPECT_TRUE(s.updateLocked);
  EXPECT_TRUE(s.updateRunRequested);
  EXPECT_EQ(s.fota.at(1).chunks, 4u);
  EXPECT_EQ(s.fota.at(1).bytes, 4u * CComMs::kDeltaChunkBytes);
  EXPECT_TRUE(s.fota.at(1).complete);
  EXPECT_EQ(s.fota.at(3).bytes, 100u);  // the legacy form sends part - 1
  EXPECT_EQ(s.fotaPartOrder, (std::vector<int>{1, 3}));
  EXPECT_EQ(s.fotaOrderErrors, 1);
}

TEST_F(SmartphoneTest, UpdateControlTracesFailures) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  phone->AddFault(Fault("no_answer", "4BFCA120", 1));
  phone->AddFault(Fault("short_answer", "4BFCA120", 1, 4));
  phone->AddFault(Fault("no_answer", "4BFCA020", 1));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(ms->FotaPrepareStartCmd());
  EXPECT_FALSE(ms->FotaZrtLockCmd());
  char phase = 0;
  EXPECT_FALSE(ms->IsReadyFotaPrepareCmd(phase));
  EXPECT_TRUE(ms->IsReadyFotaPrepareCmd(phase));  // success is not traced for the queries
  const std::string trace = testing::internal::GetCapturedStderr();
  EXPECT_EQ(trace,
            "FotaPrepareStartCmd::\xE9\x80\x81\xE5\x8F\x97\xE4\xBF\xA1\xE5\xA4\xB1\xE6\x95\x97\n"
            "FotaZrtLockCmd::\xE4\xB8\x8D\xE6\xAD\xA3\xE5\x8F\x97\xE4\xBF\xA1: 0x4B,0xFC,0xA1,0x20\n"
            "IsReadyFotaPrepareCmd::\xE9\x80\x81\xE5\x8F\x97\xE4\xBF\xA1\xE5\xA4\xB1\xE6\x95\x97\n");
}

TEST(FotaStatus, ValueAboveElevenIsNotSuccessButIsReported) {
  sim::PhoneConfig c = test::Smartphone();
  c.properties["vendor.uec.status"] = "12";
  sim::SimPhone phone(c);
  ASSERT_TRUE(phone.Start());
  CComMs ms;
  ASSERT_TRUE(ms.Open(phone.PortPath(), 115200));
  ASSERT_TRUE(ms.UnlockDiagPort());
  char first = 0;
  int number = 0;
  EXPECT_FALSE(ms.QueryFotaStatusCmd(first, number));
  EXPECT_EQ(first, '1');
  EXPECT_EQ(number, 12);
}

TEST_F(SmartphoneTest, FilesAndDataAreas) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  ASSERT_TRUE(ms->WriteDummyChkcode());
  std::vector<uint8_t> expected(Deployment().diagMarker.begin(), Deployment().diagMarker.end());
  expected.resize(16, 0xFF);
  EXPECT_EQ(phone->Snapshot().files["/dev/block/bootdevice/by-name/chkcode"], expected);
  EXPECT_TRUE(phone->Snapshot().openFiles.empty());

  uint8_t block[36];
  ASSERT_TRUE(ms->FileSystemStats("/data", block));
  uint32_t blockSize = 0, freeBlocks = 0;
  std::memcpy(&blockSize, block + 4, 4);
  std::memcpy(&freeBlocks, block + 12, 4);
  EXPECT_EQ(static_cast<uint64_t>(blockSize) * freeBlocks, 3072ull * 1024 * 1024);

  ASSERT_TRUE(ms->WriteDnandFBDLEnable());
  ASSERT_TRUE(ms->SetFactoryDataFlag());
  const sim::PhoneState s = phone->Snapshot();
  EXPECT_EQ(std::string(s.dataAreas.at(0x27).begin(), s.dataAreas.at(0x27).end()), Deployment().diagMarker);
  EXPECT_EQ(s.dataAreas.at(0x1F), (std::vector<uint8_t>{0, 1}));
}

TEST_F(SmartphoneTest, DummyChkcodeWithFailedOpenSendsNothingMore) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  phone->AddFault(Fault("no_answer", "4BFC0020", 1));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(ms->WriteDummyChkcode());
  EXPECT_NE(testing::internal::GetCapturedStderr().find("WriteDummyChkcode::FAILED\n"), std::string::npos);
  EXPECT_EQ(phone->CountRequests("4BFC0020"), 1);
}

TEST_F(SmartphoneTest, SessionEnd) {
  ASSERT_TRUE(ms->UnlockDiagPort());
  EXPECT_TRUE(ms->QuerySessionState());
  ms->WaitDiagServiceAndClose();  // the service is up: one round
  EXPECT_EQ(phone->CountRequests("4BFC05B0"), 1);
  EXPECT_EQ(phone->CountRequests("4BFCA020"), 2);
}

class FeaturePhoneTest : public test::SimSession {
 protected:
  void SetUp() override { StartPhone(test::FeaturePhone()); }
};

struct Identity {
  std::string T1, T2, T3, T5, T6, T9 = "keep";
  uint32_t N1 = 0, N2 = 0;
};

TEST_F(FeaturePhoneTest, Identity) {
  EXPECT_TRUE(ms->VendorSessionStart());
  std::string model;
  EXPECT_FALSE(ms->GetModelName(model));  // no maker subsystem: the caller's sign of a feature phone
  Identity id;
  ASSERT_TRUE(ms->ReadPhoneIdentity(id));
  EXPECT_EQ(id.T1, "E3104");
  EXPECT_EQ(id.T6, "1.040");
  EXPECT_EQ(id.T2, "08098765432");
  EXPECT_EQ(id.T9, "F2B0");
  EXPECT_EQ(id.N2, 0x1234u);
  ASSERT_TRUE(ms->ReadIdentityNumber(id));
  EXPECT_EQ(id.N1, 3u);
  EXPECT_EQ(ms->ReadPhoneNumber(), "08098765432");
  EXPECT_EQ(ms->ReadDeviceId(), "A0000098765432");  // no IMEI: the MEID
  // A block of the wrong size is refused.
  phone->AddFault(Fault("short_answer", "FA0000", 1, 100));
  EXPECT_FALSE(ms->ReadPhoneIdentity(id));
}

TEST(FeaturePhoneIdentity, DashLeavesTheFieldUnchanged) {
  sim::PhoneConfig c = test::FeaturePhone();
  c.hardwareCode = "-";
  sim::SimPhone phone(c);
  ASSERT_TRUE(phone.Start());
  CComMs ms;
  ASSERT_TRUE(ms.Open(phone.PortPath(), 115200));
  Identity id;
  ASSERT_TRUE(ms.ReadPhoneIdentity(id));
  EXPECT_EQ(id.T9, "keep");
}

TEST_F(FeaturePhoneTest, FileSystem) {
  uint8_t answer[CComMs::kPathAnswerBytes];
  ASSERT_TRUE(ms->MakeDirectory("/brew/new", answer));
  EXPECT_FALSE(ms->MakeDirectory("/none/new", answer));
  EXPECT_FALSE(ms->MakeDirectory(std::string(256, 'a'), answer));
  EXPECT_TRUE(ms->FileExists("/brew/a.txt"));
  EXPECT_FALSE(ms->FileExists("/brew/zzz"));

  // List the files of /brew by index until the phone reports no entry.
  std::vector<std::string> names;
  for (uint32_t i = 0; i < 10; ++i) {
    uint8_t req[CComMs::kListRequestBytes] = {};
    std::memcpy(req + 3, &i, 4);
    std::memcpy(req + 7, "/brew", 5);
    uint8_t ans[CComMs::kListFileAnswerBytes];
    ASSERT_TRUE(ms->ListFile(req, ans));
    uint32_t present = 0;
    std::memcpy(&present, ans + 3, 4);
    if (present == 0) break;
    names.emplace_back(reinterpret_cast<const char*>(ans + 7));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt"}));

  // A file in chunks: the path first, then the data.
  auto chunk = [&](uint32_t seq, bool more, const std::string& data, uint8_t* ans) {
    uint8_t req[CComMs::kChunkRequestBytes] = {};
    std::memcpy(req + 3, &seq, 4);
    req[7] = more ? 1 : 0;
    const uint16_t len = static_cast<uint16_t>(data.size());
    std::memcpy(req + 8, &len, 2);
    std::memcpy(req + 10, data.data(), data.size());
    return ms->WriteFileChunk(req, ans);
  };
  uint8_t ans8[8];
  ASSERT_TRUE(chunk(0, true, std::string("/brew/new/c.bin") + '\0', ans8));
  ASSERT_TRUE(chunk(1, true, std::string(2048, 'x'), ans8));
  EXPECT_FALSE(chunk(3, true, "gap", ans8));  // out of order
  ASSERT_TRUE(chunk(2, false, "end", ans8));
  EXPECT_EQ(phone->Snapshot().efsFiles["/brew/new/c.bin"].size(), 2051u);
  EXPECT_EQ(ms->writeRefusedFlag, 0);
  phone->AddFault(Fault("refuse_write", "FA001F", 1));
  EXPECT_FALSE(chunk(0, false, std::string("/brew/d.bin") + '\0', ans8));
  EXPECT_EQ(ms->writeRefusedFlag, 1);

  uint8_t dirAnswer[CComMs::kPathAnswerBytes];
  EXPECT_FALSE(ms->RemoveDirectory("/brew/new", dirAnswer));  // not empty
  ASSERT_TRUE(ms->DeleteFile("/brew/new/c.bin", dirAnswer));
  ASSERT_TRUE(ms->RemoveDirectory("/brew/new", dirAnswer));
  EXPECT_FALSE(phone->Snapshot().efsDirs.count("/brew/new"));
}

TEST_F(FeaturePhoneTest, VendorValues) {
  uint32_t v = 0;
  ASSERT_TRUE(ms->ReadVendorValue21(v));
  EXPECT_EQ(v, 0x00010002u);
  int flag = 0;
  ASSERT_TRUE(ms->SetVendorMode23(1, flag));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(phone->Snapshot().vendorMode23, 1);
  EXPECT_TRUE(ms->VendorCommand2D());
  uint8_t b = 0;
  ASSERT_TRUE(ms->ReadVendorByte65(b));
  EXPECT_EQ(b, 2);
  ASSERT_TRUE(ms->ReadVendorByteFB(b));
  EXPECT_EQ(b, 1);
}

TEST_F(SmartphoneTest, FeaturePhoneCommandsAreUnknownHere) {
  EXPECT_FALSE(ms->VendorSessionStart());
  EXPECT_EQ(ms->response[0], 0x13);
  uint32_t v = 7;
  EXPECT_FALSE(ms->ReadVendorValue21(v));
  EXPECT_EQ(v, 0u);
}

}  // namespace
}  // namespace upvane
