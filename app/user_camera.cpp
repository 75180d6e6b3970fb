// The user camera of app/camera.h.
#include "app/camera.h"

void UpdateUserCamera(IDirect3DDevice8* device, Camera* camera, const KeyState& keys,
                      const D3DXVECTOR3& target, float dt) {
    const D3DXMATRIX before = camera->m_matWorld;
    const float step = kUserCameraSpeed * dt;
    if (keys.right)
        camera->Move(step, 0.0f, 0.0f);
    if (keys.left)
        camera->Move(-step, 0.0f, 0.0f);
    if (keys.up)
        camera->Move(0.0f, 0.0f, step);
    if (keys.down)
        camera->Move(0.0f, 0.0f, -step);
    if (keys.pageUp)
        camera->Move(0.0f, step, 0.0f);
    if (keys.pageDown)
        camera->Move(0.0f, -step, 0.0f);
    camera->LookAt(device, target, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    const D3DXVECTOR3 eye = camera->Eye();
    if (D3DXVec3Length(&eye) > kUserCameraRadius)
        camera->m_matWorld = before;
}
