#include <iomanip>

#include "cli/subcommand.h"

namespace upvane {

namespace {

void PrintOverview(std::ostream& out) {
  out << "Usage: upvanectl <command> [options]\n"
         "       upvanectl <command> --help\n"
         "\nCommands:\n";
  for (const Subcommand& command : Subcommands()) {
    out << "  " << std::left << std::setw(12) << command.name << " " << command.summary << "\n";
  }
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int RunUpvanectl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintOverview(err);
    return kExitUsage;
  }
  if (IsHelp(args[0])) {
    PrintOverview(out);
    return kExitOk;
  }
  for (const Subcommand& command : Subcommands()) {
    if (args[0] != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
      if (IsHelp(arg)) {
        out << command.usage;
        return kExitOk;
      }
    }
    return command.run(rest, out, err);
  }
  err << "upvanectl: unknown command \"" << args[0] << "\"\n";
  PrintOverview(err);
  return kExitUsage;
}

}  // namespace upvane
