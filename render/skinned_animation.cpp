#include "render/skinned_animation.h"

#include <cmath>

namespace {
DWORD TimeAt(const DWORD* times, size_t strideBytes, DWORD k) {
    return *reinterpret_cast<const DWORD*>(reinterpret_cast<const unsigned char*>(times) +
                                           strideBytes * k);
}

template <typename Key>
KeyBracket Bracket(const Key* keys, DWORD count, float t) {
    return BracketKeyTimes(&keys[0].dwTime, sizeof(Key), count, t);
}
}  // namespace

KeyBracket BracketKeyTimes(const DWORD* times, size_t strideBytes, DWORD count, float t) {
    KeyBracket b;
    const float last = static_cast<float>(TimeAt(times, strideBytes, count - 1));
    // fmod by 0 is NaN: with a last time of 0 no key is later and both indices stay 0.
    const float local = std::fmod(t, last);
    for (DWORD k = 0; k < count; ++k) {
        if (static_cast<float>(TimeAt(times, strideBytes, k)) > local) {
            b.i2 = k;
            b.i1 = k == 0 ? 0 : k - 1;
            const float t1 = static_cast<float>(TimeAt(times, strideBytes, b.i1));
            const float t2 = static_cast<float>(TimeAt(times, strideBytes, b.i2));
            b.f = t1 == t2 ? 0.0f : (local - t1) / (t2 - t1);
            return b;
        }
    }
    return b;
}

void SampleAnimation(FrameNode* node, float t) {
    FrameNode* target = node->m_pTarget;
    if (!target)
        return;
    if (node->m_pMatrixKeys && node->m_dwMatrixKeys > 0) {
        const KeyBracket b = Bracket(node->m_pMatrixKeys, node->m_dwMatrixKeys, t);
        target->m_matLocal = node->m_pMatrixKeys[b.f > 0.5f ? b.i2 : b.i1].mat;
        return;
    }
    D3DXMATRIX pose, step;
    bool changed = false;
    if (node->m_pScaleKeys && node->m_dwScaleKeys > 0) {
        const KeyBracket b = Bracket(node->m_pScaleKeys, node->m_dwScaleKeys, t);
        const D3DXVECTOR3& s1 = node->m_pScaleKeys[b.i1].vScale;
        const D3DXVECTOR3& s2 = node->m_pScaleKeys[b.i2].vScale;
        D3DXMatrixScaling(&step, s1.x + (s2.x - s1.x) * b.f, s1.y + (s2.y - s1.y) * b.f,
                          s1.z + (s2.z - s1.z) * b.f);
        D3DXMatrixMultiply(&pose, &pose, &step);
        changed = true;
    }
    if (node->m_pRotationKeys && node->m_dwRotationKeys > 0) {
        const DWORD n = node->m_dwRotationKeys;
        const KeyBracket b = Bracket(node->m_pRotationKeys, n, t);
        const DWORD i0 = b.i1 == 0 ? n - 1 : b.i1 - 1;
        const DWORD i3 = b.i2 + 1 >= n ? b.i2 + 1 - n : b.i2 + 1;
        const RotationKey* k = node->m_pRotationKeys;
        D3DXQUATERNION a, bq, c, q;
        D3DXQuaternionSquadSetup(&a, &bq, &c, &k[i0].quatRotate, &k[b.i1].quatRotate,
                                 &k[b.i2].quatRotate, &k[i3].quatRotate);
        D3DXQuaternionSquad(&q, &k[b.i1].quatRotate, &a, &bq, &c, b.f);
        q.w = -q.w;
        D3DXMatrixRotationQuaternion(&step, &q);
        D3DXMatrixMultiply(&pose, &pose, &step);
        changed = true;
    }
    if (node->m_pPositionKeys && node->m_dwPositionKeys > 0) {
        const KeyBracket b = Bracket(node->m_pPositionKeys, node->m_dwPositionKeys, t);
        const D3DXVECTOR3& p1 = node->m_pPositionKeys[b.i1].vPos;
        const D3DXVECTOR3& p2 = node->m_pPositionKeys[b.i2].vPos;
        D3DXMatrixTranslation(&step, p1.x + (p2.x - p1.x) * b.f, p1.y + (p2.y - p1.y) * b.f,
                              p1.z + (p2.z - p1.z) * b.f);
        changed = true;
    } else {
        D3DXMatrixTranslation(&step, target->m_matRest._41, target->m_matRest._42,
                              target->m_matRest._43);
    }
    D3DXMatrixMultiply(&pose, &pose, &step);
    if (changed)
        target->m_matLocal = pose;
}

void UpdateMatrices(FrameNode* node, const D3DXMATRIX& parent) {
    D3DXMatrixMultiply(&node->m_matCombined, &node->m_matLocal, &parent);
    D3DXMatrixMultiply(&node->m_matCombined, &node->m_matCombined, &node->m_matExtra);
    for (FrameNode* child = node->m_pFirstChild; child; child = child->m_pSibling)
        UpdateMatrices(child, node->m_matCombined);
}
