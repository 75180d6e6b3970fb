// Segment queries against collision meshes: the one-sided triangle test and the acceptance rules
// of the walk, in model space and through placed world matrices.
#include "world/segment_query.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/xfile/xfile_parser.h"
#include "world/dammy_mesh.h"

namespace {
// A closed box from `low` to `high` with outward-wound faces, as the collision hulls are: 8
// positions and 12 triangles, each square face split along a diagonal, so every triangle has a
// 45 degree corner at its first vertex and a hit normal of length sin 45 degrees.
struct Hull {
    std::vector<D3DXVECTOR3> positions;
    std::vector<unsigned short> indices;

    int Hit(const D3DXMATRIX& world, const D3DXVECTOR3& p0, const D3DXVECTOR3& p1,
            D3DXVECTOR3* normal) const {
        return HitSegmentTriangles(reinterpret_cast<const unsigned char*>(positions.data()),
                                   sizeof(D3DXVECTOR3), static_cast<unsigned>(positions.size()),
                                   indices.data(), static_cast<unsigned>(indices.size() / 3), world,
                                   p0, p1, normal);
    }
};

Hull MakeHull(const D3DXVECTOR3& low, const D3DXVECTOR3& high) {
    Hull hull;
    for (int k = 0; k < 8; ++k)
        hull.positions.emplace_back((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y,
                                    (k & 4) ? high.z : low.z);
    const unsigned short quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2},
                                        {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    for (const auto& q : quads)
        hull.indices.insert(hull.indices.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
    return hull;
}

const D3DXMATRIX kIdentity;
constexpr float kSin45 = 0.70710678f;

void ExpectVectorNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
}  // namespace

TEST(IntersectTriangle, HitsOnlyFacesWhoseNormalOpposesTheRay) {
    // cross(q - p, r - p) = (0, 0, -1): the face looks toward -z.
    const D3DXVECTOR3 p(0, 0, 0), q(0, 1, 0), r(1, 0, 0);
    float t = 0.0f, u = 0.0f, v = 0.0f;
    ASSERT_TRUE(IntersectTriangle({0.25f, 0.5f, -2.0f}, {0, 0, 1}, p, q, r, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, 2.0f);
    EXPECT_FLOAT_EQ(u, 0.5f);   // along q - p
    EXPECT_FLOAT_EQ(v, 0.25f);  // along r - p
    EXPECT_FALSE(IntersectTriangle({0.25f, 0.5f, 2.0f}, {0, 0, -1}, p, q, r, &t, &u, &v))
        << "crossed along its normal";
    EXPECT_FALSE(IntersectTriangle({-1.0f, 0.5f, 0.0f}, {1, 0, 0}, p, q, r, &t, &u, &v))
        << "edge-on";
    EXPECT_FALSE(IntersectTriangle({0.75f, 0.75f, -2.0f}, {0, 0, 1}, p, q, r, &t, &u, &v))
        << "beyond the long edge";
}

TEST(HitSegment, IgnoresFacesCrossedAlongTheirNormalSoAStartInsideAClosedHullHitsNothing) {
    const Hull hull = MakeHull({-1, -1, -1}, {1, 1, 1});
    D3DXVECTOR3 n;
    EXPECT_EQ(hull.Hit(kIdentity, {0, 0, 0}, {0, 0, 5}, &n), 0) << "leaving through +z";
    EXPECT_EQ(hull.Hit(kIdentity, {0.2f, 0.3f, -0.4f}, {9, 9, 9}, &n), 0);
    ASSERT_EQ(hull.Hit(kIdentity, {0, 0, -5}, {0, 0, 0}, &n), 1) << "entering through -z";
    ExpectVectorNear(n, D3DXVECTOR3(0, 0, -kSin45), 1e-6f);
}

TEST(HitSegment, AFarEndExactlyOnAFaceOrAFaceBehindTheStartIsNoHit) {
    const Hull hull = MakeHull({-1, -1, -1}, {1, 1, 1});
    D3DXVECTOR3 n;
    EXPECT_EQ(hull.Hit(kIdentity, {0.5f, 0.5f, -3.0f}, {0.5f, 0.5f, -1.0f}, &n), 0)
        << "the hit lies exactly at the segment's length";
    EXPECT_EQ(hull.Hit(kIdentity, {0.5f, 0.5f, -3.0f}, {0.5f, 0.5f, -0.99f}, &n), 1);

    // A lone face behind the start, facing the segment's direction: the line meets it, the
    // segment does not.
    Hull face;
    face.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    face.indices = {0, 1, 2};
    EXPECT_EQ(face.Hit(kIdentity, {0.25f, 0.25f, 1.0f}, {0.25f, 0.25f, 3.0f}, &n), 0);
    EXPECT_EQ(face.Hit(kIdentity, {0.25f, 0.25f, -1.0f}, {0.25f, 0.25f, 3.0f}, &n), 1);
}

TEST(HitSegment, IdentityWorldGivesTheModelSpaceNormalOfNormalisedEdges) {
    // Edges (0, 1, 0) and (1, 1, 0)/sqrt(2): the cross product has length sin(45 degrees).
    Hull face;
    face.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    face.indices = {0, 1, 2};
    D3DXVECTOR3 n;
    ASSERT_EQ(face.Hit(kIdentity, {0.25f, 0.5f, -1.0f}, {0.25f, 0.5f, 1.0f}, &n), 1);
    ExpectVectorNear(n, D3DXVECTOR3(0, 0, -kSin45), 1e-6f);

    // The same identity spelled with a negative zero is no byte-exact identity: the inverse is
    // taken and the answer stays the same.
    D3DXMATRIX signedZero;
    signedZero._12 = -0.0f;
    D3DXVECTOR3 m;
    ASSERT_EQ(face.Hit(signedZero, {0.25f, 0.5f, -1.0f}, {0.25f, 0.5f, 1.0f}, &m), 1);
    ExpectVectorNear(m, n, 1e-6f);
}

TEST(HitSegment, PlacedHullsAreTestedInModelSpaceAndTheNormalCarriesTheWorldScale) {
    const Hull hull = MakeHull({-1, -1, -1}, {1, 1, 1});
    // Scaled by 3, turned a quarter about y (+z goes to +x), moved to (100, 0, 0).
    D3DXMATRIX scale, turn, move, world;
    D3DXMatrixScaling(&scale, 3, 3, 3);
    D3DXMatrixRotationY(&turn, D3DX_PI / 2);
    D3DXMatrixTranslation(&move, 100, 0, 0);
    world = scale * turn * move;
    D3DXVECTOR3 n;
    EXPECT_EQ(hull.Hit(world, {90, 0, 0}, {96, 0, 0}, &n), 0) << "stops short of x = 97";
    ASSERT_EQ(hull.Hit(world, {90, 2.5f, 0}, {98, 2.5f, 0}, &n), 1);
    // Entered through world x = 97: the model's -z face, whose normal turns to -x; its length
    // carries the scale (and the corner's sine), it is not renormalised.
    ExpectVectorNear(n, D3DXVECTOR3(-3 * kSin45, 0, 0), 1e-5f);
}

TEST(HitSegment, TheFirstAcceptedFaceInIndexOrderWinsNotTheNearest) {
    // Two faces across the segment: the far one (z = 5, right angle, |n| = 1) is listed first,
    // the near one (z = 0, 45 degree corner, |n| = 0.707) second.
    Hull faces;
    faces.positions = {{0, 0, 5}, {0, 1, 5}, {1, 0, 5}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    faces.indices = {0, 1, 2, 3, 4, 5};
    D3DXVECTOR3 n;
    ASSERT_EQ(faces.Hit(kIdentity, {0.2f, 0.5f, -1.0f}, {0.2f, 0.5f, 9.0f}, &n), 1);
    EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-6f);
}

TEST(HitSegment, IndicesBeyondTheVerticesEndTheWalkWithoutAHit) {
    Hull broken = MakeHull({-1, -1, -1}, {1, 1, 1});
    broken.indices[0] = 8;
    D3DXVECTOR3 n;
    EXPECT_EQ(broken.Hit(kIdentity, {0, 0, -5}, {0, 0, 0}, &n), 0);
}

TEST(DammyMesh, LoadsAHullFromXDataAndHitsItWhereItWasStored) {
    // The frame's translation is not applied: the hull stays where its vertices are.
    const char text[] = R"(xof 0302txt 0064
Frame F {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 50,0,0,1;; }
  Mesh dammyHull {
    8; -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;
    6; 4;0,2,3,1;, 4;4,5,7,6;, 4;0,4,6,2;, 4;1,3,7,5;, 4;2,6,7,3;, 4;0,1,5,4;;
  }
})";
    XTemplateSet templates;
    ASSERT_EQ(RegisterStandardXTemplates(&templates), S_OK);
    XDocument document;
    ASSERT_EQ(ParseXText(text, sizeof text - 1, "hull.x", templates, &document), S_OK);
    const XData* mesh = document.Find("dammyHull");
    ASSERT_NE(mesh, nullptr);
    DammyMesh dammy;
    ASSERT_EQ(dammy.Load(nullptr, *mesh, nullptr), S_OK);
    EXPECT_STREQ(dammy.m_szName, "dammyHull");
    ASSERT_NE(dammy.m_pMesh, nullptr);
    EXPECT_EQ(dammy.m_pMesh->GetNumFaces(), 12u);
    EXPECT_EQ(dammy.m_pMesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    D3DXVECTOR3 n;
    EXPECT_EQ(dammy.HitSegment({-5, 0, 0}, {0, 0, 0}, &n, kIdentity), 1);
    ExpectVectorNear(n, D3DXVECTOR3(-kSin45, 0, 0), 1e-6f);
    EXPECT_EQ(dammy.HitSegment({45, 0, 0}, {50, 0, 0}, &n, kIdentity), 0);
    dammy.Release();
    EXPECT_EQ(dammy.HitSegment({-5, 0, 0}, {0, 0, 0}, &n, kIdentity), 0) << "released";
}
