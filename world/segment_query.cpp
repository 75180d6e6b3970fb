#include "world/segment_query.h"

#include <cstring>

namespace {
constexpr float kMinDeterminant = 0.0001f;

D3DXVECTOR3 Position(const unsigned char* vertices, unsigned stride, unsigned index) {
    D3DXVECTOR3 p;
    std::memcpy(&p, vertices + static_cast<size_t>(stride) * index, sizeof p);
    return p;
}
}  // namespace

bool IntersectTriangle(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, const D3DXVECTOR3& p,
                       const D3DXVECTOR3& q, const D3DXVECTOR3& r, float* t, float* u, float* v) {
    const D3DXVECTOR3 e1 = q - p, e2 = r - p;
    D3DXVECTOR3 pv;
    D3DXVec3Cross(&pv, &dir, &e2);
    const float det = D3DXVec3Dot(&e1, &pv);
    if (det < kMinDeterminant)
        return false;
    const D3DXVECTOR3 s = origin - p;
    const float uu = D3DXVec3Dot(&s, &pv);
    if (uu < 0.0f || uu > det)
        return false;
    D3DXVECTOR3 qv;
    D3DXVec3Cross(&qv, &s, &e1);
    const float vv = D3DXVec3Dot(&dir, &qv);
    if (vv < 0.0f || uu + vv > det)
        return false;
    const float inverse = 1.0f / det;
    *t = D3DXVec3Dot(&e2, &qv) * inverse;
    *u = uu * inverse;
    *v = vv * inverse;
    return true;
}

int HitSegmentTriangles(const unsigned char* vertices, unsigned stride, unsigned vertexCount,
                        const unsigned short* indices, unsigned faceCount, const D3DXMATRIX& world,
                        const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal) {
    // An unplaced model needs no inverse: the identity is recognised by its exact bytes.
    static const D3DXMATRIX kIdentity;
    D3DXMATRIX inverse;
    if (std::memcmp(&world, &kIdentity, sizeof kIdentity) != 0)
        D3DXMatrixInverse(&inverse, nullptr, &world);
    D3DXVECTOR3 a, b;
    D3DXVec3TransformCoord(&a, &p0, &inverse);
    D3DXVec3TransformCoord(&b, &p1, &inverse);
    D3DXVECTOR3 dir = b - a;
    const float length = D3DXVec3Length(&dir);
    D3DXVec3Normalize(&dir, &dir);

    for (unsigned f = 0; f < faceCount; ++f) {
        const unsigned short* c = indices + 3 * f;
        if (c[0] >= vertexCount || c[1] >= vertexCount || c[2] >= vertexCount)
            return 0;
        const D3DXVECTOR3 p = Position(vertices, stride, c[0]);
        const D3DXVECTOR3 q = Position(vertices, stride, c[1]);
        const D3DXVECTOR3 r = Position(vertices, stride, c[2]);
        float t = 0.0f, u = 0.0f, v = 0.0f;
        if (!IntersectTriangle(a, dir, p, q, r, &t, &u, &v))
            continue;
        const D3DXVECTOR3 h = p + (q - p) * u + (r - p) * v;
        const D3DXVECTOR3 toHit = h - a;
        if (!(D3DXVec3Length(&toHit) < length) || D3DXVec3Dot(&dir, &toHit) < 0.0f)
            continue;
        D3DXVECTOR3 e1 = q - p, e2 = r - p, n;
        D3DXVec3Normalize(&e1, &e1);
        D3DXVec3Normalize(&e2, &e2);
        D3DXVec3Cross(&n, &e1, &e2);
        D3DXVec3TransformNormal(normal, &n, &world);
        return 1;
    }
    return 0;
}
