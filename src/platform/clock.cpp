#include "platform/clock.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/environment.h"

namespace upvane {

namespace {

double ReadScale() {
  const std::string text = GetEnv("UPVANE_TIME_SCALE");
  if (text.empty()) return 1.0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !(v >= 1.0) || v > 10000.0) return 1.0;
  return v;
}

const std::chrono::steady_clock::time_point& Origin() {
  static const auto origin = std::chrono::steady_clock::now();
  return origin;
}

}  // namespace

double TimeScale() {
  static const double scale = ReadScale();
  return scale;
}

uint64_t GetTickCount64() {
  const auto real = std::chrono::steady_clock::now() - Origin();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(real).count();
  // Start well above 0 so that "now - start" arithmetic never sees tick 0.
  return 1000 + static_cast<uint64_t>(static_cast<double>(us) * TimeScale() / 1000.0);
}

int64_t ProgramMsToRealMicros(uint64_t ms) {
  return static_cast<int64_t>(static_cast<double>(ms) * 1000.0 / TimeScale());
}

void SleepMs(uint32_t ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(ProgramMsToRealMicros(ms)));
}

}  // namespace upvane
