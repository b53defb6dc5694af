#include "cli/update_command.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "server/result_entries.h"
#include "server/sbn_download.h"
#include "server/version_check.h"
#include "services/system_helpers.h"

namespace upvane {

namespace {

const char* ResultText(int code) {
  switch (code) {
    case 2:
      return "no update available";
    case 3:
      return "cancelled";
    case 4:
      return "the update server refused or failed the request";
    case 7:
      return "the update server cannot be reached";
    default:
      return "unexpected result";
  }
}

int CountLines(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return 0;
  int lines = 0;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, f))
    if (buffer[0] != '\n' && buffer[0] != '\r') ++lines;
  std::fclose(f);
  return lines;
}

int Usage() {
  std::fprintf(stderr,
               "usage: upvanectl update check|download --model M --id ID --version V [--flags N]\n"
               "       upvanectl version\n"
               "       upvanectl log resend\n");
  return 64;
}

}  // namespace

int RunUpdateCommand(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string action = argv[1];
  if (action != "check" && action != "download") return Usage();
  D_PHONE_INFO phone;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--model")
      phone.ModelID = v;
    else if (a == "--id")
      phone.DeviceID = v;
    else if (a == "--version")
      phone.Firmware = v;
    else if (a == "--flags")
      phone.OemExFlg = static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 0));
    else
      return Usage();
  }
  if (phone.ModelID.empty() || phone.DeviceID.empty() || phone.Firmware.empty()) {
    std::fprintf(stderr, "upvanectl update: --model, --id and --version are required\n");
    return 64;
  }
  const bool download = action == "download";
  if (download) {
    // Ask first, so the free space can be checked before the download.
    CSbnDownLoad check;
    check.SetPhone(phone);
    const int code = check.ThreadSbnDownLoadFunc(0);
    if (code != 1) {
      std::fprintf(stderr, "upvanectl update: %s (result %d)\n", ResultText(code), code);
      return code;
    }
    if (!HasFreeSpaceMB(static_cast<uint64_t>(g_nNeededSpace.load()))) {
      std::fprintf(stderr, "upvanectl update: not enough free space (%lld MiB needed)\n",
                   static_cast<long long>(g_nNeededSpace.load()));
      return 5;
    }
  }
  CSbnDownLoad worker;
  worker.SetPhone(phone);
  const int code = worker.ThreadSbnDownLoadFunc(download ? 1 : 0);
  if (!download) {
    if (code != 1) {
      std::fprintf(stderr, "upvanectl update: %s (result %d)\n", ResultText(code), code);
      return code == 1 ? 0 : code;
    }
    std::printf("offered %s %llu\n", worker.GetDisplayVersion().c_str(),
                static_cast<unsigned long long>(worker.GetPackageSize()));
    return 0;
  }
  if (code != 0) {
    std::fprintf(stderr, "upvanectl update: download failed: %s (result %d)\n", ResultText(code), code);
    DeleteFileIfExists(worker.GetPackagePath());
    return code;
  }
  std::printf("%s\n", worker.GetPackagePath().c_str());
  return 0;
}

int RunVersionCommand(int argc, char**) {
  if (argc > 1) return Usage();
  struct Program {
    const char* name;
    int kind;
  };
  const Program programs[] = {{"upvane", PROGRAM_KIND_UPVANE}, {"launcher", PROGRAM_KIND_LAUNCHER}};
  int status = 0;
  for (const Program& p : programs) {
    const std::string local = GetLocalVersion(p.kind);
    int fetched = 0;
    const std::string server = GetServerVersion(p.kind, fetched);
    int answered = 0;
    const bool newer = fetched && IsNewerVersionAvailable(p.kind, answered);
    std::printf("%s local %s server %s%s\n", p.name, local.empty() ? "-" : local.c_str(),
                fetched ? (server.empty() ? "-" : server.c_str()) : "unreachable", newer ? " (newer)" : "");
    if (!fetched) status = 1;
  }
  if (status) std::fprintf(stderr, "upvanectl version: the version server cannot be reached\n");
  return status;
}

int RunLogCommand(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) != "resend") return Usage();
  const int before = CountLines(PendingFilePath());
  ResendPendingEntries();
  const int after = CountLines(PendingFilePath());
  std::printf("resent %d, pending %d\n", before - after, after);
  if (after > 0) {
    std::fprintf(stderr, "upvanectl log: %d entries could not be delivered\n", after);
    return 1;
  }
  return 0;
}

}  // namespace upvane
