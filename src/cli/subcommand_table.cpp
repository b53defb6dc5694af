#include "cli/records_command.h"
#include "cli/subcommand.h"

namespace upvane {

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> table = {
      {"records", "list the stored phone records", kRecordsUsage, RunRecords},
  };
  return table;
}

}  // namespace upvane
