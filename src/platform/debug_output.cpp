#include "platform/debug_output.h"

#include <unistd.h>

#include <cstdarg>

#include "platform/environment.h"
#include "platform/format.h"

namespace upvane {

bool DebugOutputEnabled() {
  static const bool enabled = GetEnv("UPVANE_DEBUG") == "1";
  return enabled;
}

void OutputDebugText(const std::string& text) {
  if (!DebugOutputEnabled() || text.empty()) return;
  // One write per call so that lines from several threads do not interleave.
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void OutputDebugFormat(const char* fmt, ...) {
  if (!DebugOutputEnabled()) return;
  va_list args;
  va_start(args, fmt);
  const std::string text = FormatV(fmt, args);
  va_end(args);
  OutputDebugText(text);
}

}  // namespace upvane
