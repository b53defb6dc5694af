#pragma once
// upvanectl's subcommands: each is one entry of the table in
// subcommand_table.cpp, with its handler in a file of its own.
#include <ostream>
#include <string>
#include <vector>

namespace upvane {

struct Subcommand {
  const char* name;
  const char* summary;  // one line for `upvanectl --help`
  const char* usage;    // full text for `upvanectl <name> --help`
  // Arguments after the subcommand's name; the process exit code.
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Exit codes shared by the subcommands.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const std::vector<Subcommand>& Subcommands();

// The whole command line after the program name: picks the subcommand,
// answers --help at both levels.
int RunUpvanectl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace upvane
