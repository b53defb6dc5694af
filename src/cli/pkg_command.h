#pragma once
// `upvanectl pkg ...`: looks into packages and images with the program's own
// readers (info, ls, infoblock, super). Kept beside the readers so the
// command-line tool only lists it.
#include <ostream>
#include <string>
#include <vector>

namespace upvane {

extern const char kPkgUsage[];

// Arguments after "pkg"; the process exit code (0 ok, 1 failed, 2 usage).
int RunPkg(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace upvane
