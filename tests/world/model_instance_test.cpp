// Model instances: FaceToward, ApplyScale and SetPosition on the world matrix, and the queries
// of an instance that has no model.
#include "world/model_instance.h"

#include <gtest/gtest.h>

#include "world/view_frustum.h"

namespace {
void ExpectRow(const D3DXMATRIX& m, int row, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(m(row, 0), x, tolerance) << "row " << row;
    EXPECT_NEAR(m(row, 1), y, tolerance) << "row " << row;
    EXPECT_NEAR(m(row, 2), z, tolerance) << "row " << row;
}
}  // namespace

TEST(ModelInstance, FaceTowardAStraightAheadTargetGivesTheIdentityRotation) {
    ModelInstance instance;
    D3DXMatrixRotationY(&instance.m_matWorld, 1.0f);
    instance.SetPosition(5, 6, 7);
    instance.m_matWorld._44 = 3.0f;
    ASSERT_EQ(instance.FaceToward({5, 6, 107}), S_OK);
    ExpectRow(instance.m_matWorld, 0, 1, 0, 0);
    ExpectRow(instance.m_matWorld, 1, 0, 1, 0);
    ExpectRow(instance.m_matWorld, 2, 0, 0, 1);
    ExpectRow(instance.m_matWorld, 3, 5, 6, 7, 0.0f);
    EXPECT_EQ(instance.m_matWorld._44, 1.0f);
    EXPECT_EQ(instance.m_vPosition, D3DXVECTOR3(5, 6, 7));
}

TEST(ModelInstance, FaceTowardBuildsAnUprightFrameWhoseThirdRowPointsAtTheTarget) {
    ModelInstance instance;
    instance.SetPosition(1, 2, 3);
    instance.m_matWorld._14 = 0.25f;  // the fourth components of rows 1 to 3 are left alone
    instance.m_matWorld._24 = 0.5f;
    instance.FaceToward({4, 6, 3});  // (3, 4, 0) away: forward (0.6, 0.8, 0)
    const D3DXMATRIX& m = instance.m_matWorld;
    ExpectRow(m, 2, 0.6f, 0.8f, 0.0f);
    ExpectRow(m, 0, 0.0f, 0.0f, -1.0f);  // up x forward, normalised
    ExpectRow(m, 1, -0.8f, 0.6f, 0.0f);  // forward x right
    EXPECT_EQ(m._14, 0.25f);
    EXPECT_EQ(m._24, 0.5f);
    ExpectRow(m, 3, 1, 2, 3, 0.0f);
}

TEST(ModelInstance, FaceTowardWithoutAHorizontalDirectionKeepsTheRotation) {
    ModelInstance instance;
    D3DXMatrixRotationY(&instance.m_matWorld, 0.5f);
    instance.SetPosition(1, 2, 3);
    const D3DXMATRIX before = instance.m_matWorld;
    instance.FaceToward({1, 2, 3});
    EXPECT_EQ(instance.m_matWorld, before) << "target at the position";
    instance.FaceToward({1, 50, 3});
    EXPECT_EQ(instance.m_matWorld, before) << "target straight above";
}

TEST(ModelInstance, ApplyScaleActsFirstInModelSpaceAndCompounds) {
    ModelInstance instance;
    D3DXMatrixRotationY(&instance.m_matWorld, D3DX_PI / 2);
    instance.SetPosition(10, 0, 0);
    const D3DXMATRIX placed = instance.m_matWorld;
    ASSERT_EQ(instance.ApplyScale(2.0f), S_OK);
    EXPECT_EQ(instance.m_matUnscaled, placed);
    EXPECT_EQ(instance.m_matScale._11, 2.0f);
    D3DXVECTOR3 p;
    const D3DXVECTOR3 forward(0, 0, 1);
    D3DXVec3TransformCoord(&p, &forward, &instance.m_matWorld);
    EXPECT_NEAR(p.x, 12.0f, 1e-5f) << "scaled, then turned, then moved: the move is not scaled";
    EXPECT_NEAR(p.z, 0.0f, 1e-5f);
    instance.ApplyScale(2.0f);
    D3DXVec3TransformCoord(&p, &forward, &instance.m_matWorld);
    EXPECT_NEAR(p.x, 14.0f, 1e-5f) << "a second call scales the scaled matrix again";
}

TEST(ModelInstance, WithoutAModelItIsNeitherVisibleNorHitNorDrawn) {
    ModelInstance instance;
    ViewFrustum frustum;
    D3DXVECTOR3 n;
    EXPECT_EQ(instance.IsVisible(frustum), E_FAIL);
    EXPECT_EQ(instance.Render(nullptr, D3DXMATRIX(), frustum, 0, nullptr), E_FAIL);
    EXPECT_EQ(instance.HitSegment({0, 0, -1}, {0, 0, 1}, &n), 0);
}
