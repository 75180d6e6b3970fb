// The clocks that stand in for the Windows multimedia timer and performance counter.
// Owns: timeGetTime and a monotonic seconds clock, both on std::chrono::steady_clock.
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
