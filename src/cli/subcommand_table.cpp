#include "cli/argv_adapter.h"
#include "cli/diag_command.h"
#include "cli/pkg_command.h"
#include "cli/records_command.h"
#include "cli/subcommand.h"
#include "cli/update_command.h"

namespace upvane {

namespace {

const char kUpdateUsage[] =
    "usage: upvanectl update check|download --model M --id ID --version V [--flags N]\n"
    "  check     asks the update server for a newer package and prints its version and size\n"
    "  download  downloads and decrypts the package and prints its path\n";
const char kVersionUsage[] =
    "usage: upvanectl version\n"
    "  prints the local and the server's versions of this program and its launcher\n";
const char kDiagUsage[] =
    "usage: upvanectl diag PORT identify|prop NAME [VALUE]|shell CMD...|nv ITEM\n"
    "  identify  model, IMEI/MEID, software version and phone number of the phone on PORT\n"
    "  prop      reads (or, with VALUE, writes) a property\n"
    "  shell     runs a command on the phone and prints its output\n"
    "  nv        reads an NV item\n";
const char kLogUsage[] =
    "usage: upvanectl log resend\n"
    "  posts the pending result entries to the log server again\n";

int Update(const std::vector<std::string>& a, std::ostream& o, std::ostream& e) {
  return RunAsMain<RunUpdateCommand>("update", a, o, e);
}
int Version(const std::vector<std::string>& a, std::ostream& o, std::ostream& e) {
  return RunAsMain<RunVersionCommand>("version", a, o, e);
}
int Diag(const std::vector<std::string>& a, std::ostream& o, std::ostream& e) {
  if (a.empty()) {
    e << kDiagUsage;
    return kExitUsage;
  }
  // The diag command takes the port as its first word.
  return RunAsMain<RunDiagCommand>(a[0].c_str(), std::vector<std::string>(a.begin() + 1, a.end()), o, e);
}
int Log(const std::vector<std::string>& a, std::ostream& o, std::ostream& e) {
  return RunAsMain<RunLogCommand>("log", a, o, e);
}

}  // namespace

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> table = {
      {"records", "list the stored phone records", kRecordsUsage, RunRecords},
      {"pkg", "look into packages and images", kPkgUsage, RunPkg},
      {"update", "check for or download an update package", kUpdateUsage, Update},
      {"version", "local and server versions of the programs", kVersionUsage, Version},
      {"log", "resend the pending result entries", kLogUsage, Log},
      {"diag", "talk to a phone on its diagnostic port", kDiagUsage, Diag},
  };
  return table;
}

}  // namespace upvane
