// The scene's side of a flying actor's skinned draw (birds, lead bird, whale): the camera's view
// and projection, the light and the fog end, gathered once for RenderParams.
// Owns: nothing. Does not: set the actor's world matrix (each caller does) or draw.
// Needs: app/camera.h, render/skinned_mesh.h.
#pragma once

#include "app/camera.h"
#include "render/skinned_mesh.h"

// RenderParams with the view (the inverse of the camera's world), projection, light and fog end.
inline RenderParams ActorRenderParams(const Camera& camera, const D3DXVECTOR4& light,
                                      float fogEnd) {
    RenderParams params;
    D3DXMatrixInverse(&params.matView, nullptr, &camera.m_matWorld);
    params.matProjection = camera.m_matProjection;
    params.vLight = light;
    params.fFogEnd = fogEnd;
    return params;
}
