// Box-against-frustum visibility (each step settling a case of its own), the segment-quad step,
// the frustum built from a view and a projection, and the fade level by distance.
#include "world/frustum_test.h"

#include <gtest/gtest.h>

#include <cmath>

#include "world/display_mesh.h"
#include "world/view_frustum.h"

namespace {
// The eye at (0, 0, -10) looking along +z, 90 degrees wide, near 1, far 100: at depth z the
// frustum spans |x|, |y| <= z + 10, for z from -9 to 90.
ViewFrustum MakeFrustum() {
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    ViewFrustum frustum;
    BuildViewFrustum(view, projection, &frustum);
    return frustum;
}

// A display mesh's world box, placed as UpdateWorldBounds places it.
struct Box {
    DisplayMesh mesh;

    Box(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXMATRIX& world = D3DXMATRIX()) {
        for (int k = 0; k < 8; ++k)
            mesh.m_vLocalCorners[k] = D3DXVECTOR3(
                (k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y, (k & 4) ? high.z : low.z);
        mesh.UpdateWorldBounds(world);
    }
    BoxVisibility Test(const ViewFrustum& frustum) const {
        return TestBoxAgainstFrustum(mesh.m_vWorldCorners, mesh.m_worldPlanes, frustum);
    }
};

::testing::AssertionResult Settled(const BoxVisibility& result, bool visible, int step) {
    if (result.visible == visible && static_cast<int>(result.step) == step)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (result.visible ? "visible" : "hidden") << " at step "
                                         << static_cast<int>(result.step);
}
}  // namespace

TEST(ViewFrustum, CornersFollowTheBoxOrderAndPlanesPointInward) {
    const ViewFrustum f = MakeFrustum();
    EXPECT_NEAR(f.corners[0].x, -1.0f, 1e-4f);  // near, left, bottom
    EXPECT_NEAR(f.corners[0].y, -1.0f, 1e-4f);
    EXPECT_NEAR(f.corners[0].z, -9.0f, 1e-4f);
    EXPECT_NEAR(f.corners[7].x, 100.0f, 1e-2f);  // far, right, top
    EXPECT_NEAR(f.corners[7].y, 100.0f, 1e-2f);
    EXPECT_NEAR(f.corners[7].z, 90.0f, 1e-2f);
    const D3DXVECTOR3 inside(0, 0, 10);
    for (int j = 0; j < 6; ++j)
        EXPECT_GT(D3DXPlaneDotCoord(&f.planes[j], &inside), 0.0f) << j;
    const D3DXVECTOR3 behind(0, 0, -9.5f);
    EXPECT_LT(D3DXPlaneDotCoord(&f.planes[0], &behind), 0.0f) << "plane 0 is the near plane";
}

TEST(BoxVisibility, EachStepSettlesACaseOfItsOwn) {
    const ViewFrustum f = MakeFrustum();
    EXPECT_TRUE(Settled(Box({-1, -1, 0}, {1, 1, 2}).Test(f), true, 1)) << "inside";
    EXPECT_TRUE(Settled(Box({-1, -1, -30}, {1, 1, -20}).Test(f), false, 2)) << "behind";
    // A thin plate across the view at z = 40: every corner outside a side plane, but the
    // frustum's side edges pierce it.
    EXPECT_TRUE(Settled(Box({-200, -200, 39.9f}, {200, 200, 40.1f}).Test(f), true, 3));
    // A thin rod across the view at z = 40: its long edges cross the frustum's left and right
    // faces, while no frustum edge comes near it.
    EXPECT_TRUE(Settled(Box({-200, -0.1f, 39.9f}, {200, 0.1f, 40.1f}).Test(f), true, 4));
    // A box around the whole frustum: nothing crosses, frustum corner 0 lies inside.
    EXPECT_TRUE(Settled(Box({-1e4f, -1e4f, -1e4f}, {1e4f, 1e4f, 1e4f}).Test(f), true, 5));
    // Beside the top right edge, turned 45 degrees about z: its corners lie outside the right
    // plane, the top plane or both, so no single plane rejects it, yet nothing touches.
    D3DXMATRIX turn, move, world;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 4);
    D3DXMatrixTranslation(&move, 56, 56, 40);
    world = turn * move;
    EXPECT_TRUE(Settled(Box({-4.24f, -4.24f, -2}, {4.24f, 4.24f, 2}, world).Test(f), false, 5));
}

TEST(BoxVisibility, ASlabThroughTheViewTurnedAboutZIsSeenAt45DegreesAsAt44) {
    const ViewFrustum f = MakeFrustum();
    // A thin slab whose faces are the planes x + y = 0.5 and 0.7: it cuts the near plane's
    // bottom edge and runs along the whole view. Built with exact entries, its face normals have
    // |a| = |b| exactly, the tie of the projection step (the faces contain the z axis).
    const D3DXMATRIX exact45(1, 1, 0, 0, -1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    const Box slab45({0.25f, -100, -200}, {0.35f, 100, 200}, exact45);
    ASSERT_EQ(std::fabs(slab45.mesh.m_worldPlanes[2].a), std::fabs(slab45.mesh.m_worldPlanes[2].b));
    EXPECT_TRUE(Settled(slab45.Test(f), true, 3));
    // One degree less: no tie, the same answer.
    D3DXMATRIX turn, scale, world;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 4 - D3DX_PI / 180);
    D3DXMatrixScaling(&scale, 1.41421356f, 1.41421356f, 1);
    world = turn * scale;
    EXPECT_TRUE(Settled(Box({0.25f, -100, -200}, {0.35f, 100, 200}, world).Test(f), true, 3));
}

TEST(BoxVisibility, DisplayMeshUsesTheWorldBoundsOfItsLastPlacement) {
    const ViewFrustum f = MakeFrustum();
    Box box({-1, -1, -1}, {1, 1, 1});
    EXPECT_TRUE(box.mesh.IsVisible(f));
    D3DXMATRIX away;
    D3DXMatrixTranslation(&away, 0, 0, 500);
    box.mesh.UpdateWorldBounds(away);
    EXPECT_FALSE(box.mesh.IsVisible(f)) << "beyond the far plane";
    EXPECT_NEAR(box.mesh.m_vWorldCorners[7].z, 501.0f, 1e-4f);
}

TEST(SegmentCrossesQuad, CountsOnlyCrossingsInsideTheQuadWhicheverWayItIsWound) {
    const D3DXVECTOR3 ccw[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const D3DXVECTOR3 cw[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &ccw[0], &ccw[1], &ccw[2]);
    for (const D3DXVECTOR3* quad : {ccw, cw}) {
        EXPECT_EQ(SegmentCrossesQuad({0.5f, 0.5f, -1}, {0.5f, 0.5f, 1}, quad, plane), 1);
        EXPECT_EQ(SegmentCrossesQuad({1.5f, 0.5f, -1}, {1.5f, 0.5f, 1}, quad, plane), 0);
        EXPECT_EQ(SegmentCrossesQuad({0.5f, 0.5f, 1}, {0.5f, 0.5f, 2}, quad, plane), 0)
            << "both ends on one side";
        EXPECT_EQ(SegmentCrossesQuad({0.2f, 0.5f, 0}, {0.8f, 0.5f, 0}, quad, plane), 0)
            << "lying in the plane";
    }
    // A face in the plane x + y = 0, upright: |a| = |b| > |c|. Dropping z would flatten it into
    // a segment; it must project onto a plane it does not contain.
    const D3DXVECTOR3 diagonal[4] = {{1, -1, 0}, {-1, 1, 0}, {-1, 1, 1}, {1, -1, 1}};
    D3DXPlaneFromPoints(&plane, &diagonal[0], &diagonal[1], &diagonal[2]);
    ASSERT_EQ(std::fabs(plane.a), std::fabs(plane.b));
    EXPECT_EQ(SegmentCrossesQuad({-1, -1, 0.5f}, {1, 1, 0.5f}, diagonal, plane), 1);
    EXPECT_EQ(SegmentCrossesQuad({-1, -1, 1.5f}, {1, 1, 1.5f}, diagonal, plane), 0);
    // |a| = |b| = |c|: still a proper projection.
    const D3DXVECTOR3 even[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 1, 1}, {0, 0, 1}};
    D3DXPlaneFromPoints(&plane, &even[0], &even[1], &even[2]);
    EXPECT_EQ(SegmentCrossesQuad({-0.5f, -0.5f, -0.5f}, {1, 1, 1}, even, plane), 1);
    // A face in x = 3 projects onto (y, z).
    const D3DXVECTOR3 side[4] = {{3, 0, 0}, {3, 1, 0}, {3, 1, 1}, {3, 0, 1}};
    D3DXPlaneFromPoints(&plane, &side[0], &side[1], &side[2]);
    EXPECT_EQ(SegmentCrossesQuad({2, 0.5f, 0.5f}, {4, 0.5f, 0.5f}, side, plane), 1);
    EXPECT_EQ(SegmentCrossesQuad({2, 0.5f, 1.5f}, {4, 0.5f, 1.5f}, side, plane), 0);
}

TEST(FadeLevel, OpaqueToHalfTheFadeDistanceThenDownToTheFaintestAtIt) {
    EXPECT_EQ(FadeLevelForDistance(0.0f), 9);
    EXPECT_EQ(FadeLevelForDistance(2499.0f), 9);
    EXPECT_EQ(FadeLevelForDistance(2500.0f), 9);
    EXPECT_EQ(FadeLevelForDistance(3750.0f), 5);
    EXPECT_EQ(FadeLevelForDistance(5000.0f), 0);
    EXPECT_EQ(FadeLevelForDistance(1e7f), 0);
    int previous = 9;
    for (float d = 2500.0f; d <= 5000.0f; d += 50.0f) {
        const int level = FadeLevelForDistance(d);
        EXPECT_LE(level, previous) << d;
        EXPECT_GE(level, 0);
        previous = level;
    }
}
