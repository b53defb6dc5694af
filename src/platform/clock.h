#pragma once
// The program's clock. Every wait and deadline goes through it so that
// simulator-driven tests can run it faster (UPVANE_TIME_SCALE).
#include <cstdint>

namespace upvane {

// Milliseconds since an arbitrary start, monotonic, 64-bit.
uint64_t GetTickCount64();

// Sleeps `ms` milliseconds of program time.
void SleepMs(uint32_t ms);

// How many times faster than real time the clock runs (>= 1; default 1).
double TimeScale();

// Real-time length of `ms` program milliseconds, in microseconds.
int64_t ProgramMsToRealMicros(uint64_t ms);

}  // namespace upvane
