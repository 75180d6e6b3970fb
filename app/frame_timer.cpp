#include "app/frame_timer.h"

float FrameTimer::operator()(int command) {
    // A stopped timer reads its stop time, except to start again or for the absolute time.
    const bool frozen = m_fStopTime != 0.0 && command != kTimerStart && command != kTimerAbsolute;
    const double now = frozen ? m_fStopTime : m_pClock();

    switch (command) {
        case kTimerStart:
            m_fStopTime = 0.0;
            m_fLastElapsedTime = now;
            m_bStopped = false;
            return 0.0f;
        case kTimerStop:
            m_fStopTime = now;
            m_fLastElapsedTime = now;
            m_bStopped = true;
            return 0.0f;
        case kTimerAbsolute:
            return static_cast<float>(now);
        case kTimerElapsed: {
            const double elapsed = now - m_fLastElapsedTime;
            m_fLastElapsedTime = now;
            return static_cast<float>(elapsed);
        }
        default:
            return 0.0f;
    }
}
