#include "app/camera_dolly.h"

#include <cmath>

namespace {
constexpr float kPhaseRate = 0.1f;      // radians per second
constexpr float kPhaseEnd = 4.712389f;  // 3 pi / 2: the phase restarts beyond it
constexpr float kLeastPace = 0.1f;      // the sine's floor: the dolly never stops
constexpr float kPaceFactor = 3.0f;
}  // namespace

void CameraDolly::Ride(const Ferguson& circuit, float rawStep) {
    m_fPhase += kPhaseRate * rawStep;
    if (m_fPhase > kPhaseEnd)
        m_fPhase = 0.0f;
    float pace = std::sin(m_fPhase);
    if (pace < kLeastPace)
        pace = kLeastPace;

    m_fParameter += pace * kPaceFactor * m_fSpeed * rawStep;
    if (m_fParameter >= static_cast<float>(circuit.Count()))
        m_fParameter = 0.0f;
    circuit.Evaluate(m_fParameter, &m_vPoint, &m_vAhead);
    m_instance.SetPosition(m_vPoint.x, m_vPoint.y, m_vPoint.z);
    m_instance.FaceToward(m_vAhead);
}
