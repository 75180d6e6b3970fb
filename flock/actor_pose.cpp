#include "flock/actor_pose.h"

void PoseActor(float yaw, float pitch, float roll, const D3DXVECTOR3& position, D3DXMATRIX* world) {
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, -yaw, -pitch, -roll);
    D3DXMATRIX turn, move;
    D3DXMatrixRotationQuaternion(&turn, &rotation);
    D3DXMatrixTranslation(&move, position.x, position.y, position.z);
    D3DXMatrixMultiply(world, &turn, &move);
}
