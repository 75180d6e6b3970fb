// The world matrix every flying actor (bird, lead bird, whale) takes from its angles: the
// rotation of the quaternion for yaw -yaw, pitch -pitch, roll -roll (roll about z, then pitch
// about x, then yaw about y), then the translation to its position.
// Owns: nothing. Does not: move the actor (each owner advances its own position).
// Needs: platform/system/d3dx_math.h.
#pragma once

#include "platform/system/d3dx_math.h"

// world = R(yaw -yaw, pitch -pitch, roll -roll) x T(position). Its third row is the heading:
// (-sin yaw cos pitch, sin pitch, cos yaw cos pitch); positive yaw turns from +z toward -x.
void PoseActor(float yaw, float pitch, float roll, const D3DXVECTOR3& position, D3DXMATRIX* world);

// The heading of a posed actor: the world matrix's third row.
inline D3DXVECTOR3 ActorHeading(const D3DXMATRIX& world) {
    return D3DXVECTOR3(world._31, world._32, world._33);
}

// The position a posed actor was at: the world matrix's translation row.
inline D3DXVECTOR3 ActorPosition(const D3DXMATRIX& world) {
    return D3DXVECTOR3(world._41, world._42, world._43);
}
