#include "platform/system/system_clock.h"

#include <chrono>

namespace {
bool g_bManualClock = false;
uint64_t g_nManualMicroseconds = 0;
}  // namespace

uint32_t timeGetTime() {
    if (g_bManualClock)
        return static_cast<uint32_t>(g_nManualMicroseconds / 1000u);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

double MonotonicSeconds() {
    if (g_bManualClock)
        return static_cast<double>(g_nManualMicroseconds) * 1e-6;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

void StartManualClock(uint64_t startMicroseconds) {
    g_bManualClock = true;
    g_nManualMicroseconds = startMicroseconds;
}

void AdvanceManualClock(uint64_t microseconds) {
    g_nManualMicroseconds += microseconds;
}

void StopManualClock() {
    g_bManualClock = false;
}
