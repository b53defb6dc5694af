// Writes phone records in a loop and reports each one on stdout once it is
// stored, until it is killed. Used by the crash test.
#include <unistd.h>

#include <string>

#include "crash_record.h"
#include "store/qx_regstry.h"

int main() {
  using namespace upvane;
  for (unsigned n = 0; n < 1000000; ++n) {
    CQxRegstry registry;
    const bool written = registry.WritePhone(test::CrashId(n), test::CrashRecord(n)) &&
                         registry.SetPhoneDword(test::kCounterId, "Status", n);
    const std::string line = (written ? "done " : "failed ") + std::to_string(n) + "\n";
    if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || !written) return 1;
  }
  return 0;
}
