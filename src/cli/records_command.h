#pragma once
// `upvanectl records [--json]`: every stored phone record with its twelve values.
#include <ostream>
#include <string>
#include <vector>

namespace upvane {

extern const char kRecordsUsage[];

int RunRecords(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace upvane
