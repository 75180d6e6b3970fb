#include "world/model_instance.h"

#include "world/mesh_model.h"

HRESULT ModelInstance::SetModel(MeshModel* model) {
    m_pModel = model;
    return S_OK;
}

HRESULT ModelInstance::SetPosition(float x, float y, float z) {
    m_matWorld._41 = x;
    m_matWorld._42 = y;
    m_matWorld._43 = z;
    return S_OK;
}

HRESULT ModelInstance::ApplyScale(float s) {
    m_matUnscaled = m_matWorld;
    D3DXMatrixScaling(&m_matScale, s, s, s);
    D3DXMatrixMultiply(&m_matWorld, &m_matScale, &m_matUnscaled);
    return S_OK;
}

HRESULT ModelInstance::FaceToward(const D3DXVECTOR3& target) {
    m_vPosition = D3DXVECTOR3(m_matWorld._41, m_matWorld._42, m_matWorld._43);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 forward = target - m_vPosition, right, newUp;
    D3DXVec3Normalize(&forward, &forward);
    D3DXVec3Cross(&right, &up, &forward);
    D3DXVec3Normalize(&right, &right);
    // No direction to face (a zero or vertical forward): zero rows would collapse the model.
    if (right == D3DXVECTOR3())
        return S_OK;
    D3DXVec3Cross(&newUp, &forward, &right);
    D3DXVec3Normalize(&newUp, &newUp);
    m_matWorld._11 = right.x;
    m_matWorld._12 = right.y;
    m_matWorld._13 = right.z;
    m_matWorld._21 = newUp.x;
    m_matWorld._22 = newUp.y;
    m_matWorld._23 = newUp.z;
    m_matWorld._31 = forward.x;
    m_matWorld._32 = forward.y;
    m_matWorld._33 = forward.z;
    m_matWorld._44 = 1.0f;
    return S_OK;
}

HRESULT ModelInstance::Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                              const ViewFrustum& frustum, int32_t ignored, ZSortRender* renderer) {
    if (!m_pModel)
        return E_FAIL;
    m_pModel->UpdateWorldBounds(m_matWorld);
    return m_pModel->Render(device, *this, cameraWorld, frustum, ignored, renderer);
}

HRESULT ModelInstance::IsVisible(const ViewFrustum& frustum) {
    if (!m_pModel)
        return E_FAIL;
    m_pModel->UpdateWorldBounds(m_matWorld);
    return m_pModel->IsVisible(frustum);
}

int ModelInstance::HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1,
                              D3DXVECTOR3* normal) const {
    return m_pModel ? m_pModel->HitSegment(p0, p1, normal, *this) : 0;
}
