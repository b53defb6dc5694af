// Writes phone records in a loop and reports each one on stdout once it is
// stored, until it is killed. Used by the crash test; the argument k picks
// the writer's own range of records (k * 1000000 + n) and counter.
#include <unistd.h>

#include <string>

#include "crash_record.h"
#include "store/qx_regstry.h"

int main(int argc, char** argv) {
  using namespace upvane;
  const unsigned k = argc > 1 && argv[1][0] == '1' ? 1 : 0;
  for (unsigned n = k * 1000000; n < (k + 1) * 1000000; ++n) {
    CQxRegstry registry;
    const bool written = registry.WritePhone(test::CrashId(n), test::CrashRecord(n)) &&
                         registry.SetPhoneDword(test::CounterId(k), "Status", n);
    const std::string line = (written ? "done " : "failed ") + std::to_string(n) + "\n";
    if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || !written) return 1;
  }
  return 0;
}
