// Fog: the scene's linear vertex fog from the eye to the far plane, in the clear colour, and the
// projection that goes with it (the fog end is also the far plane).
// Owns: the fog end, the fog colour and the dirty flag. Does not: switch fog off around the
// frame-rate text (the frame does) or compute fog factors (the vertex shaders do).
// Needs: platform/d3d8/d3d8.h, app/camera.h.
#pragma once

#include <cstdint>

#include "app/camera.h"
#include "platform/d3d8/d3d8.h"

class Fog {
  public:
    // Stores the colour and marks the fog dirty.
    void SetColour(D3DCOLOR colour);
    // When dirty or forced (force 1): the fog render states and the camera's projection with
    // aspect, near 1 and far = fog end; the fog is then clean. Otherwise nothing at all.
    void Apply(IDirect3DDevice8* device, Camera* camera, float aspect, int32_t force);

    float m_fFogEnd = 20000.0f;  // world units; also the far plane
    D3DCOLOR m_dwFogColour = 0xFFFFFFFFu;
    int32_t m_bDirty = 0;
};

extern Fog g_fog;
