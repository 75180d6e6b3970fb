// The clocks that stand in for the Windows multimedia timer and performance counter.
// Owns: timeGetTime and a monotonic seconds clock, both on std::chrono::steady_clock, and the
// manual clock that can stand in for it.
// Does not: change any timer resolution (timeBeginPeriod and timeEndPeriod are no-ops).
#pragma once

#include <cstdint>

// Milliseconds of the monotonic clock as an unsigned 32-bit count; wraps like the original.
uint32_t timeGetTime();
// Seconds of the same monotonic clock, for the frame timer.
double MonotonicSeconds();
// Kept for the start-up sequence's symmetry; they do nothing here.
inline void timeBeginPeriod(unsigned) {}
inline void timeEndPeriod(unsigned) {}

// A clock that moves only when told, for runs that must repeat exactly (velmora-tool render,
// tests): while it runs, timeGetTime and MonotonicSeconds read it instead of the steady clock.
// Times in microseconds.
void StartManualClock(uint64_t startMicroseconds);
void AdvanceManualClock(uint64_t microseconds);
// Back to the steady clock.
void StopManualClock();
