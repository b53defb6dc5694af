#include "services/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/format.h"

namespace upvane {

namespace {

std::mutex g_traceMutex;  // serialises writes if a sink is ever open
std::atomic<std::FILE*> g_traceSink{nullptr};

}  // namespace

void TraceOpen(const char* /*name*/) {
  // No trace file is created: the sink stays closed.
  TraceClose();
}

bool TraceIsOpen() { return g_traceSink.load() != nullptr; }

void TraceWrite(const char* fmt, ...) {
  if (!g_traceSink.load()) return;
  std::lock_guard<std::mutex> lock(g_traceMutex);
  std::FILE* sink = g_traceSink.load();
  if (!sink) return;
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[128];
  std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &tm);
  va_list args;
  va_start(args, fmt);
  const std::string message = FormatV(fmt, args);
  va_end(args);
  std::fprintf(sink, "[%s] %s\r\n", stamp, message.c_str());
  std::fflush(sink);
}

void TraceClose() {
  std::lock_guard<std::mutex> lock(g_traceMutex);
  if (std::FILE* sink = g_traceSink.exchange(nullptr)) std::fclose(sink);
}

}  // namespace upvane
