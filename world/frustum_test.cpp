#include "world/frustum_test.h"

#include <cmath>

namespace {
struct Point2 {
    float x = 0.0f, y = 0.0f;
};

float Cross2(const Point2& a, const Point2& b) {
    return a.x * b.y - a.y * b.x;
}

// D3DXPlaneDotCoord, inlined: the outcodes take 48 of these per mesh and frame.
inline float SignedDistance(const D3DXPLANE& p, const D3DXVECTOR3& v) {
    return p.a * v.x + p.b * v.y + p.c * v.z + p.d;
}
Point2 Minus(const Point2& a, const Point2& b) {
    return {a.x - b.x, a.y - b.y};
}

// True when an edge of the first volume crosses a face of the second.
bool AnyEdgeCrossesFaces(const D3DXVECTOR3 edgeCorners[8], const D3DXVECTOR3 faceCorners[8],
                         const D3DXPLANE facePlanes[6]) {
    for (const auto& edge : kBoxEdges)
        for (int j = 0; j < 6; ++j) {
            const D3DXVECTOR3 quad[4] = {
                faceCorners[kBoxFaceCorners[j][0]], faceCorners[kBoxFaceCorners[j][1]],
                faceCorners[kBoxFaceCorners[j][2]], faceCorners[kBoxFaceCorners[j][3]]};
            if (SegmentCrossesQuad(edgeCorners[edge[0]], edgeCorners[edge[1]], quad, facePlanes[j]))
                return true;
        }
    return false;
}
}  // namespace

int SegmentCrossesQuad(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3 q[4],
                       const D3DXPLANE& plane) {
    const float da = SignedDistance(plane, p0);
    const float db = SignedDistance(plane, p1);
    if ((da > 0.0f && db > 0.0f) || (da < 0.0f && db < 0.0f))
        return 0;
    D3DXVECTOR3 hit;
    if (!D3DXPlaneIntersectLine(&hit, &plane, &p0, &p1))
        return 0;

    const float a = std::fabs(plane.a), b = std::fabs(plane.b), c = std::fabs(plane.c);
    // Drop the axis of the largest normal component; on a tie x goes before y before z, so
    // that the dropped axis is never one the plane contains (the quad keeps its area).
    auto project = [&](const D3DXVECTOR3& p) -> Point2 {
        if (a >= b && a >= c)
            return {p.y, p.z};
        if (b >= c)
            return {p.x, p.z};
        return {p.x, p.y};
    };
    Point2 quad[4];
    for (int i = 0; i < 4; ++i)
        quad[i] = project(q[i]);
    const Point2 h = project(hit);
    const int orientation = Cross2(Minus(quad[1], quad[0]), Minus(quad[2], quad[0])) < 0.0f;
    for (int i = 0; i < 4; ++i) {
        const Point2& from = quad[i];
        const Point2& to = quad[(i + 1) % 4];
        const int side = Cross2(Minus(to, from), Minus(h, from)) > 0.0f;
        if (side == orientation)
            return 0;
    }
    return 1;
}

BoxVisibility TestBoxAgainstFrustum(const D3DXVECTOR3 corners[8], const D3DXPLANE planes[6],
                                    const ViewFrustum& frustum) {
    unsigned common = 0x3F;
    for (int k = 0; k < 8; ++k) {
        unsigned outcode = 0;
        for (int j = 0; j < 6; ++j)
            if (SignedDistance(frustum.planes[j], corners[k]) < 0.0f)
                outcode |= 1u << j;
        if (outcode == 0)
            return {true, VisibilityStep::kCornerInside};
        common &= outcode;
    }
    if (common != 0)
        return {false, VisibilityStep::kOutsideOnePlane};
    if (AnyEdgeCrossesFaces(frustum.corners, corners, planes))
        return {true, VisibilityStep::kFrustumEdge};
    if (AnyEdgeCrossesFaces(corners, frustum.corners, frustum.planes))
        return {true, VisibilityStep::kBoxEdge};
    for (int j = 0; j < 6; ++j)
        if (SignedDistance(planes[j], frustum.corners[0]) < 0.0f)
            return {false, VisibilityStep::kContainment};
    return {true, VisibilityStep::kContainment};
}
