// ViewFrustum, the camera's view volume as 8 corners and 6 inward planes, and the corner,
// face and edge numbering that boxes and frustums share (corner k: x max for bit 0, y max for
// bit 1, z max, or the far end, for bit 2).
// Does not: test anything against it (world/frustum_test.h) or hold a camera.
// Needs: platform/system/d3dx_math.h.
#pragma once

#include "platform/system/d3dx_math.h"

struct ViewFrustum {
    D3DXVECTOR3 corners[8];  // world units
    D3DXPLANE planes[6];     // unit normals pointing into the volume
};

// Plane j passes through these three corners: z min, z max, x min, x max, y max, y min.
constexpr int kBoxPlaneCorners[6][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4},
                                        {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};
// The face of plane j, its corners in cyclic order.
constexpr int kBoxFaceCorners[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2},
                                       {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 4, 5, 1}};
// The 12 edges, always in this order.
constexpr int kBoxEdges[12][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {4, 5}, {6, 7},
                                  {4, 6}, {5, 7}, {0, 4}, {2, 6}, {1, 5}, {3, 7}};

// The six planes of a box or frustum from its corners (plane through three corners each).
inline void PlanesFromCorners(const D3DXVECTOR3 corners[8], D3DXPLANE planes[6]) {
    for (int j = 0; j < 6; ++j)
        D3DXPlaneFromPoints(&planes[j], &corners[kBoxPlaneCorners[j][0]],
                            &corners[kBoxPlaneCorners[j][1]], &corners[kBoxPlaneCorners[j][2]]);
}

// The frustum of a view and a projection: the clip-space corners (x, y = -1 or 1, depth 0 or 1)
// carried back through inverse(view x projection). A singular product leaves the clip corners.
inline void BuildViewFrustum(const D3DXMATRIX& view, const D3DXMATRIX& projection,
                             ViewFrustum* frustum) {
    D3DXMATRIX viewProjection, inverse;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixInverse(&inverse, nullptr, &viewProjection);
    for (int k = 0; k < 8; ++k) {
        const D3DXVECTOR3 clip((k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f,
                               (k & 4) ? 1.0f : 0.0f);
        D3DXVec3TransformCoord(&frustum->corners[k], &clip, &inverse);
    }
    PlanesFromCorners(frustum->corners, frustum->planes);
}
