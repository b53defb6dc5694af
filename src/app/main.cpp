#include <cstdio>
#include <cstring>

#include "app/upvane_app.h"

namespace {

const char kHelp[] =
    "Usage: upvane [--version] [--help] [VQ_CALL]\n"
    "Updates or repairs the software of a phone connected by USB.\n"
    "  --version  print the program's version and exit\n"
    "  --help     print this text and exit\n"
    "Any other argument marks a start by the companion launcher.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("upvane %s\n", UPVANE_VERSION);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  upvane::CUpvaneApp app;
  return app.InitInstance(argc, argv);
}
