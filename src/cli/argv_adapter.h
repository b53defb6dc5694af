#pragma once
// Runs a subcommand written as main(argc, argv), with argv[0] its name,
// from the subcommand table.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace upvane {

template <int (*Main)(int, char**)>
int RunAsMain(const char* name, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> words = {name};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  out.flush();
  err.flush();
  const int rc = Main(static_cast<int>(words.size()), argv.data());
  std::fflush(stdout);
  std::fflush(stderr);
  return rc;
}

}  // namespace upvane
