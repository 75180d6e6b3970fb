#include "app/camera.h"

void Camera::Reset() {
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matProjection);
    D3DXMatrixIdentity(&m_matWork);
    D3DXMatrixIdentity(&m_matView);
}

void Camera::SetEye(float x, float y, float z) {
    m_matWorld._41 = x;
    m_matWorld._42 = y;
    m_matWorld._43 = z;
}

void Camera::LookAt(IDirect3DDevice8* device, const D3DXVECTOR3& target, const D3DXVECTOR3& up) {
    const D3DXVECTOR3 eye = Eye();
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    m_matView = view;
    D3DXMatrixInverse(&m_matWorld, nullptr, &m_matView);
}

void Camera::SetProjection(IDirect3DDevice8* device, float aspect, float nearPlane,
                           float farPlane) {
    D3DXMatrixPerspectiveFovLH(&m_matProjection, kCameraFieldOfView, aspect, nearPlane, farPlane);
    device->SetTransform(D3DTS_PROJECTION, &m_matProjection);
}

void Camera::Move(float dx, float dy, float dz) {
    // Row vectors: the translation applied before the camera-to-world matrix moves the eye
    // along the camera's own axes.
    D3DXMatrixTranslation(&m_matView, dx, dy, dz);
    m_matWork = m_matWorld;
    D3DXMatrixMultiply(&m_matWorld, &m_matView, &m_matWork);
}

void Camera::BuildFrustum() {
    D3DXMatrixInverse(&m_matView, nullptr, &m_matWorld);
    BuildViewFrustum(m_matView, m_matProjection, &m_frustum);
}
