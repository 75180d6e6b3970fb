// The seconds clock of the frame loop, driven by command codes as the original utility was.
// Owns: start, stop, absolute time and elapsed time since the previous elapsed query.
// Does not: cap the step (the frame does), or sleep.
#pragma once

#include "platform/system/system_clock.h"

enum TimerCommand {
    kTimerStart = 1,
    kTimerStop = 2,
    kTimerAbsolute = 4,
    kTimerElapsed = 6,
};

class FrameTimer {
public:
    typedef double (*Clock)();  // seconds of a monotonic clock

    explicit FrameTimer(Clock clock = MonotonicSeconds) : m_pClock(clock) {}

    // Runs one command; returns seconds for kTimerAbsolute and kTimerElapsed, else 0.
    float operator()(int command);
    bool IsStopped() const { return m_bStopped; }

private:
    Clock m_pClock;
    double m_fStopTime = 0.0;         // non-zero while stopped
    double m_fLastElapsedTime = 0.0;  // time of the previous elapsed query
    bool m_bStopped = false;
};

extern FrameTimer g_frameTimer;
