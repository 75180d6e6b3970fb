#include "tools/assetgen/skinned_animation.h"

D3DXQUATERNION FileRotation(const D3DXQUATERNION& intended) {
    D3DXQUATERNION stored;
    D3DXQuaternionConjugate(&stored, &intended);
    return stored;
}

D3DXQUATERNION MirrorAcrossX(const D3DXQUATERNION& q) {
    // Reflecting x keeps rotations about x and reverses those about y and z.
    return D3DXQUATERNION(q.x, -q.y, -q.z, q.w);
}

D3DXQUATERNION JointRotation(float pitch, float yaw, float roll) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
    return q;
}

float SmoothStep(float edge0, float edge1, float x) {
    if (x <= edge0)
        return 0.0f;
    if (x >= edge1)
        return 1.0f;
    const float t = (x - edge0) / (edge1 - edge0);
    return t * t * (3.0f - 2.0f * t);
}

std::vector<RotationKey> SampleRotationKeys(const std::vector<uint32_t>& times,
                                            const std::function<D3DXQUATERNION(uint32_t)>& fn) {
    std::vector<RotationKey> keys;
    keys.reserve(times.size());
    for (uint32_t t : times) {
        RotationKey key;
        key.time = t;
        key.value = FileRotation(fn(t));
        if (!keys.empty() && D3DXQuaternionDot(&keys.back().value, &key.value) < 0.0f)
            key.value = D3DXQUATERNION(-key.value.x, -key.value.y, -key.value.z, -key.value.w);
        keys.push_back(key);
    }
    return keys;
}

std::vector<VectorKey> SampleVectorKeys(const std::vector<uint32_t>& times,
                                        const std::function<D3DXVECTOR3(uint32_t)>& fn) {
    std::vector<VectorKey> keys;
    keys.reserve(times.size());
    for (uint32_t t : times)
        keys.push_back(VectorKey{t, fn(t)});
    return keys;
}

BoneTrack HoldTrack(const std::string& bone) {
    BoneTrack track;
    track.bone = bone;
    track.rotation.push_back(RotationKey{0, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f)});
    return track;
}
