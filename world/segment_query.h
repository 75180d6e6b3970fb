// The segment-against-triangles query of the collision meshes: the one-sided triangle test and
// the walk over a mesh's faces in model space with its acceptance rules.
// Does not: lock meshes (DammyMesh does) or pick the nearest hit: the first accepted face wins.
// Needs: platform/system/d3dx_math.h.
#pragma once

#include "platform/system/d3dx_math.h"

// One-sided ray-triangle test: only triangles whose normal cross(q - p, r - p) faces against
// dir (determinant at least 0.0001) can be hit. On a hit writes t, and u, v with the hit at
// p + u (q - p) + v (r - p), and returns true.
bool IntersectTriangle(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, const D3DXVECTOR3& p,
                       const D3DXVECTOR3& q, const D3DXVECTOR3& r, float* t, float* u, float* v);

// The segment p0-p1 (world) against faceCount triangles of 16-bit `indices` into `vertices`
// (positions first in each `stride`-byte vertex, model space), placed by `world`. A face is
// accepted when its hit point lies strictly closer to the start than the segment is long and
// not behind the start. On the first accepted face writes its normal
// cross(normalise(q - p), normalise(r - p)) carried by the upper 3x3 of world (not renormalised)
// and returns 1; else returns 0. Indices at or beyond vertexCount end the walk with 0.
int HitSegmentTriangles(const unsigned char* vertices, unsigned stride, unsigned vertexCount,
                        const unsigned short* indices, unsigned faceCount, const D3DXMATRIX& world,
                        const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal);
