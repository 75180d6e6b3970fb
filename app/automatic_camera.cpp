// The automatic camera of app/camera.h.
#include <algorithm>
#include <cmath>

#include "app/camera.h"
#include "app/camera_dolly.h"

namespace {
const D3DXVECTOR3 kFixedEye(1.0f, 1.0f, 1.0f);  // the point near the origin it swings to
constexpr float kZoomDistance = 600.0f;         // world units per step of zoom
constexpr float kLeastZoom = 1.0f;
constexpr float kMostZoom = 50.0f;
constexpr float kNarrowLensDivisor = 3.5f;  // the unzoomed narrow lens is pi / 3.5
constexpr float kBlendRate = 0.05f;         // radians per second
}  // namespace

void UpdateAutomaticCamera(IDirect3DDevice8* device, Camera* camera, CameraDolly* dolly,
                           CameraBlend* blend, const D3DXVECTOR3& flockCentre, float aspect,
                           float fogEnd, float dt) {
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 dollyEye = dolly->Position();
    dolly->m_instance.m_vPosition = dollyEye;

    const D3DXVECTOR3 toFlock = flockCentre - kFixedEye;
    const float zoom = std::clamp(D3DXVec3Length(&toFlock) / kZoomDistance, kLeastZoom, kMostZoom);
    const float narrowLens = D3DX_PI / (kNarrowLensDivisor * zoom);

    blend->m_fPhase += kBlendRate * dt;
    if (blend->m_fPhase > D3DX_PI)
        blend->m_fPhase = 0.0f;
    const float s = std::sin(blend->m_fPhase);
    blend->m_fBlend = s;

    const D3DXVECTOR3 eye = kFixedEye * (1.0f - s) + dollyEye * s;
    const float fieldOfView = kDollyFieldOfView * s + (1.0f - s) * narrowLens;

    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &eye, &flockCentre, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, aspect, kCameraNear, fogEnd);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixInverse(&camera->m_matWorld, nullptr, &view);
    camera->m_matView = view;
    camera->m_matProjection = projection;
}
