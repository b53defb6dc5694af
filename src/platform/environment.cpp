#include "platform/environment.h"

#include <cstdlib>

namespace upvane {

std::string GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string UpvaneHome() { return GetEnv("UPVANE_HOME"); }

}  // namespace upvane
