#include "cli/diag_command.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "diag/com_ms.h"
#include "platform/crypto.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: upvanectl diag PORT identify\n"
               "       upvanectl diag PORT prop NAME [VALUE]\n"
               "       upvanectl diag PORT shell COMMAND...\n"
               "       upvanectl diag PORT nv ITEM\n");
  return 1;
}

int NoAnswer(const std::string& port) {
  std::fprintf(stderr, "upvanectl diag: the phone on %s does not answer\n", port.c_str());
  return 3;
}

int Identify(CComMs& ms, const std::string& port) {
  // Smartphones open their maker commands only after the unlock; a feature
  // phone refuses it and the model query, and has its identity block instead.
  ms.UnlockDiagPort();
  std::string model;
  ms.GetModelName(model);
  std::string family, version, number;
  if (model.empty()) {
    ms.VendorSessionStart();
    BrewIdentityFields id;
    if (!ms.ReadPhoneIdentity(id)) return NoAnswer(port);
    family = "feature phone";
    model = TrimSpace(id.T1);
    version = TrimSpace(id.T6);
    number = ms.ReadPhoneNumber();
  } else {
    family = "smartphone";
    number = ms.ReadPhoneNumberExtended();
    char text[65];
    uint8_t size = sizeof(text);
    if (ms.GetSoftwareVersion(text, size)) version = text;
    if (version.empty()) ms.GetProperty(0, "ro.build.internalswversion", version, 79);
    if (version.empty()) ms.GetProperty(0, "ro.build.version.incremental", version, 79);
  }
  const std::string id = ms.ReadDeviceId();
  std::printf("model: %s\nfamily: %s\ndevice id: %s\nsoftware version: %s\nphone number: %s\n", model.c_str(),
              family.c_str(), id.c_str(), version.c_str(), number.c_str());
  return 0;
}

int Property(CComMs& ms, const std::string& port, int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage();
  const std::string name = argv[2];
  const bool persistent = name.rfind("rw_", 0) == 0;
  if (!ms.UnlockDiagPort()) return NoAnswer(port);
  if (argc == 3) {
    std::string value;
    if (!ms.GetProperty(persistent ? 1 : 0, name, value)) {
      std::fprintf(stderr, "upvanectl diag: property %s cannot be read\n", name.c_str());
      return 3;
    }
    std::printf("%s\n", value.c_str());
    return 0;
  }
  const bool ok = persistent ? ms.SetProperty(name, argv[3]) : ms.SetSystemProperty(name, argv[3]);
  if (!ok) {
    std::fprintf(stderr, "upvanectl diag: the phone refused %s\n", name.c_str());
    return 3;
  }
  return 0;
}

int Shell(CComMs& ms, const std::string& port, int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[2];
  for (int i = 3; i < argc; ++i) command += std::string(" ") + argv[i];
  if (!ms.UnlockDiagPort()) return NoAnswer(port);
  std::string text;
  if (!ms.RunShell(command, text, 1 << 20)) {
    std::fprintf(stderr, "upvanectl diag: the shell command failed\n");
    return 3;
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

int Nv(CComMs& ms, const std::string& port, int argc, char** argv) {
  if (argc != 3) return Usage();
  char* end = nullptr;
  const unsigned long item = std::strtoul(argv[2], &end, 0);
  if (end == argv[2] || *end != '\0' || item > 0xFFFF) return Usage();
  ms.UnlockDiagPort();  // identity items are locked on smartphones; feature phones have no lock
  uint8_t data[128] = {};
  uint16_t status = 0;
  const bool indexed = item == 550 || item == 178;
  const bool ok = indexed ? ms.NvReadIndexed(static_cast<uint16_t>(item), 128, data, status, 0)
                          : ms.NvRead(static_cast<uint16_t>(item), 128, data, status);
  if (!ok) return NoAnswer(port);
  std::printf("status %u\n%s\n", status, ToHex(data, sizeof(data)).c_str());
  return status == 0 ? 0 : 3;
}

}  // namespace

int RunDiagCommand(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string port = argv[0];
  const std::string what = argv[1];
  if (what != "identify" && what != "prop" && what != "shell" && what != "nv") return Usage();
  auto ms = std::make_unique<CComMs>();
  if (!ms->Open(port, 115200)) {
    std::fprintf(stderr, "upvanectl diag: cannot open %s: %s\n", port.c_str(), ms->OpenError().c_str());
    return 2;
  }
  if (!ms->CheckDiagVersion()) return NoAnswer(port);
  int rc = 1;
  if (what == "identify") {
    rc = argc == 2 ? Identify(*ms, port) : Usage();
  } else if (what == "prop") {
    rc = Property(*ms, port, argc, argv);
  } else if (what == "shell") {
    rc = Shell(*ms, port, argc, argv);
  } else {
    rc = Nv(*ms, port, argc, argv);
  }
  ms->Close();
  std::fflush(stdout);
  return rc;
}

}  // namespace upvane
