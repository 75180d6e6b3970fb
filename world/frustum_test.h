// The exact box-against-frustum test of the display meshes: corner outcodes, then edges against
// faces both ways, then containment; and SegmentCrossesQuad, the edge-against-face step.
// Does not: build frustums (world/view_frustum.h) or know meshes; callers pass world corners
// and planes numbered as world/view_frustum.h numbers them.
// Needs: platform/system/d3dx_math.h, world/view_frustum.h.
#pragma once

#include "platform/system/d3dx_math.h"
#include "world/view_frustum.h"

// Which step of the test settled it.
enum class VisibilityStep {
    kCornerInside = 1,     // a box corner lies inside every frustum plane: visible
    kOutsideOnePlane = 2,  // all box corners lie outside one frustum plane: hidden
    kFrustumEdge = 3,      // a frustum edge crosses a box face: visible
    kBoxEdge = 4,          // a box edge crosses a frustum face: visible
    kContainment = 5,      // frustum corner 0 inside the box: visible; otherwise hidden
};

struct BoxVisibility {
    bool visible = false;
    VisibilityStep step = VisibilityStep::kCornerInside;
};

// 1 when the segment p0-p1 meets the quad q[0..3] lying in `plane`: the ends are not both on
// one side, the meeting point lies inside every edge (orientation taken from q0, q1, q2, in the
// 2D projection that drops the axis of the plane's largest normal component). Else 0.
int SegmentCrossesQuad(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3 q[4],
                       const D3DXPLANE& plane);

// Tests a box (8 world corners, 6 inward world planes) against a frustum; stops at the first
// conclusive step.
BoxVisibility TestBoxAgainstFrustum(const D3DXVECTOR3 corners[8], const D3DXPLANE planes[6],
                                    const ViewFrustum& frustum);
