// Stand-in for flock/boid_skins.cpp while the SkinnedMesh implementation is not in the tree:
// no skinned mesh is made or drawn, so a skinned flock shows nothing but still flies.
#include "flock/boids.h"

HRESULT Boids::LoadSkins(IDirect3DDevice8*, const D3DCAPS8&) {
    return S_OK;
}

HRESULT Boids::RestoreDeviceObjects() {
    return S_OK;
}

void Boids::RenderSkins(const Camera&, const D3DXVECTOR4&, float) {}

HRESULT Boids::ReleaseDeviceObjects() {
    return S_OK;
}

void Boids::DestroySkins() {}
