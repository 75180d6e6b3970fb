#include "app/fog.h"

#include <cstring>

namespace {
// Float render states travel as their bit pattern, as Direct3D's do.
DWORD FloatState(float value) {
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
}  // namespace

void Fog::SetColour(D3DCOLOR colour) {
    m_dwFogColour = colour;
    m_bDirty = 1;
}

void Fog::Apply(IDirect3DDevice8* device, Camera* camera, float aspect, int32_t force) {
    if (m_bDirty != 1 && force != 1)
        return;
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, m_dwFogColour);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGSTART, FloatState(0.0f));
    device->SetRenderState(D3DRS_FOGEND, FloatState(m_fFogEnd));
    camera->SetProjection(device, aspect, kCameraNear, m_fFogEnd);
    m_bDirty = 0;
}
