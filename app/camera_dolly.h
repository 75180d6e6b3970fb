// CameraDolly: the placement that rides the circuit for the automatic camera: each frame it
// advances along the circuit at a pace that swells and fades on a slow sine, and faces the
// circuit's look-ahead point.
// Owns: its ModelInstance (no model is ever attached), its circuit parameter and pace phase.
// Does not: move the circuit (the frame translates it onto the flock) or set any camera.
// Needs: world/ferguson.h, world/model_instance.h.
#pragma once

#include "platform/system/d3dx_math.h"
#include "world/ferguson.h"
#include "world/model_instance.h"

class CameraDolly {
  public:
    // One step along the circuit. rawStep: the frame's uncapped step, seconds.
    void Ride(const Ferguson& circuit, float rawStep);

    D3DXVECTOR3 Position() const {
        return D3DXVECTOR3(m_instance.m_matWorld._41, m_instance.m_matWorld._42,
                           m_instance.m_matWorld._43);
    }

    ModelInstance m_instance;
    float m_fParameter = 0.0f;  // segment + fraction along the circuit, 0 to its segment count
    float m_fSpeed = 0.2f;      // segments per second at full pace, before the factor 3
    D3DXVECTOR3 m_vPoint;       // last sampled circuit point
    D3DXVECTOR3 m_vAhead;       // and its look-ahead point
    float m_fPhase = 0.0f;      // pace phase, radians, 0 to 3 pi / 2
};

extern CameraDolly g_cameraDolly;
