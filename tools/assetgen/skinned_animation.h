// Building blocks for the authored key-framed motion: the rotation-key convention, mirroring
// a motion onto the other side of the body, and key lists sampled from motion functions.
// Owns: the rule that turns an intended joint rotation into the quaternion a file stores.
// The player interpolates stored quaternions with squad and then negates w before building
// the matrix, so a stored q yields the rotation of conjugate(q): we store the conjugate.
// Does not: know any particular model (skinned_bird.cpp, skinned_whale.cpp, skinned_dammy.cpp).
// Needs: skinned_model.h, platform/system/d3dx_math.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "tools/assetgen/skinned_model.h"

constexpr uint32_t kTicksPerSecond = 4800;

// The quaternion to store so that the player rebuilds the rotation `intended`.
D3DXQUATERNION FileRotation(const D3DXQUATERNION& intended);
// The rotation of the joint's mirror image across the x = 0 plane (left from right).
D3DXQUATERNION MirrorAcrossX(const D3DXQUATERNION& q);
// Rotation by angles in radians: roll about z first, then pitch about x, then yaw about y.
D3DXQUATERNION JointRotation(float pitch, float yaw, float roll);
// 0 below edge0, 1 above edge1, a smooth cubic in between.
float SmoothStep(float edge0, float edge1, float x);

// Rotation keys at the given tick times from a function of time giving the intended rotation;
// neighbouring keys are kept on the same hemisphere so squad never takes the long way.
std::vector<RotationKey> SampleRotationKeys(const std::vector<uint32_t>& times,
                                            const std::function<D3DXQUATERNION(uint32_t)>& fn);
std::vector<VectorKey> SampleVectorKeys(const std::vector<uint32_t>& times,
                                        const std::function<D3DXVECTOR3(uint32_t)>& fn);
// A joint that holds still: one identity rotation key at time 0, so it keeps its rest
// translation and has no rotation.
BoneTrack HoldTrack(const std::string& bone);
