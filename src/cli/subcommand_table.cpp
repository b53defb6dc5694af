#include "cli/pkg_command.h"
#include "cli/records_command.h"
#include "cli/subcommand.h"

namespace upvane {

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> table = {
      {"records", "list the stored phone records", kRecordsUsage, RunRecords},
      {"pkg", "look into packages and images", kPkgUsage, RunPkg},
  };
  return table;
}

}  // namespace upvane
