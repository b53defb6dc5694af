// "upvanectl diag" against the phones of the shipped scenario, run by the
// phonesim executable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/diag_command.h"
#include "phonesim_process.h"
#include "pty.h"
#include "support/test_support.h"

namespace upvane {
namespace {

struct Outcome {
  int rc;
  std::string out;
  std::string err;
};

Outcome Diag(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int rc = RunDiagCommand(static_cast<int>(argv.size()), argv.data());
  Outcome r{rc, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
  return r;
}

class UpvanectlDiag : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim = new test::PhonesimProcess;
    ASSERT_TRUE(sim->Start({PHONESIM_PATH, "--scenario", SCENARIO_DIR "/diag-basic.json"}, 2));
  }
  static void TearDownTestSuite() {
    delete sim;
    sim = nullptr;
  }
  static test::PhonesimProcess* sim;
};
test::PhonesimProcess* UpvanectlDiag::sim = nullptr;

TEST_F(UpvanectlDiag, IdentifiesTheSmartphone) {
  const Outcome r = Diag({sim->Port(0), "identify"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out,
            "model: E3109\nfamily: smartphone\ndevice id: 354123456789017\nsoftware version: 2.100WQ.10\n"
            "phone number: 09012345678\n");
}

TEST_F(UpvanectlDiag, IdentifiesTheFeaturePhone) {
  const Outcome r = Diag({sim->Port(1), "identify"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out,
            "model: E3104\nfamily: feature phone\ndevice id: A0000098765432\nsoftware version: 1.040\n"
            "phone number: 08098765432\n");
}

TEST_F(UpvanectlDiag, PropertiesShellAndNv) {
  Outcome r = Diag({sim->Port(0), "prop", "ro.build.version.release"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "11\n");
  ASSERT_EQ(Diag({sim->Port(0), "prop", "rw_diag_reboot_mode", "1"}).rc, 0);
  r = Diag({sim->Port(0), "prop", "rw_diag_reboot_mode"});
  EXPECT_EQ(r.out, "1\n");
  r = Diag({sim->Port(0), "prop", "ro.product.model", "X"});
  EXPECT_EQ(r.rc, 3);
  EXPECT_NE(r.err.find("refused"), std::string::npos);
  r = Diag({sim->Port(0), "shell", "echo", "hello", "there"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "hello there\n");
  r = Diag({sim->Port(1), "nv", "178"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out.rfind("status 0\n00"
                        "3038303938373635343332",
                        0),
            0u)
      << r.out;
}

TEST(UpvanectlDiagErrors, ClearMessagesAndExitCodes) {
  Outcome r = Diag({"/dev/no-such-port", "identify"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("cannot open /dev/no-such-port"), std::string::npos) << r.err;
  // A port where nothing answers.
  sim::PtyPair silent;
  ASSERT_TRUE(silent.Create(nullptr));
  r = Diag({silent.SlavePath(), "identify"});
  EXPECT_EQ(r.rc, 3);
  EXPECT_NE(r.err.find("does not answer"), std::string::npos) << r.err;
  EXPECT_EQ(Diag({"x"}).rc, 1);
  EXPECT_EQ(Diag({"x", "dance"}).rc, 1);
}

}  // namespace
}  // namespace upvane
