// upvanectl: the command-line companion for support staff and tests.
#include <iostream>

#include "cli/subcommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return upvane::RunUpvanectl(args, std::cout, std::cerr);
}
