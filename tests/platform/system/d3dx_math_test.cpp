#include "platform/system/d3dx_math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>

namespace {
constexpr float kEps = 1e-5f;
constexpr double kPi = 3.14159265358979323846;

testing::AssertionResult Vec3Near(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected,
                                  float tolerance = kEps) {
    if (std::fabs(actual.x - expected.x) <= tolerance &&
        std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not (" << expected.x
           << ", " << expected.y << ", " << expected.z << ")";
}

testing::AssertionResult Vec4Near(const D3DXVECTOR4& actual, const D3DXVECTOR4& expected,
                                  float tolerance = kEps) {
    if (std::fabs(actual.x - expected.x) <= tolerance &&
        std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance &&
        std::fabs(actual.w - expected.w) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ", " << actual.w
           << ") is not (" << expected.x << ", " << expected.y << ", " << expected.z << ", "
           << expected.w << ")";
}

testing::AssertionResult QuatNear(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected,
                                  float tolerance = kEps) {
    return Vec4Near(D3DXVECTOR4(actual.x, actual.y, actual.z, actual.w),
                    D3DXVECTOR4(expected.x, expected.y, expected.z, expected.w), tolerance);
}

// q and -q are the same rotation.
testing::AssertionResult SameRotation(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected,
                                      float tolerance = kEps) {
    const D3DXQUATERNION negated(-expected.x, -expected.y, -expected.z, -expected.w);
    if (QuatNear(actual, expected, tolerance) || QuatNear(actual, negated, tolerance))
        return testing::AssertionSuccess();
    return QuatNear(actual, expected, tolerance);
}

testing::AssertionResult MatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected,
                                    float tolerance = kEps) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!(std::fabs(actual(r, c) - expected(r, c)) <= tolerance))
                return testing::AssertionFailure()
                       << "element (" << r + 1 << ", " << c + 1 << ") is " << actual(r, c)
                       << ", expected " << expected(r, c);
    return testing::AssertionSuccess();
}

// The unit quaternion of a rotation by angle about a unit axis, written out by definition.
D3DXQUATERNION AxisAngle(float ax, float ay, float az, float angle) {
    const float s = std::sin(angle / 2.0f);
    return D3DXQUATERNION(ax * s, ay * s, az * s, std::cos(angle / 2.0f));
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 r;
    D3DXVec3TransformCoord(&r, &v, &m);
    return r;
}

// ---- Layout and defaults ----------------------------------------------------------------------

TEST(D3dxMathTypes, LayoutMatchesTheFloatsThatBuffersAndFilesHold) {
    EXPECT_EQ(sizeof(D3DXVECTOR3), 12u);
    EXPECT_EQ(sizeof(D3DXVECTOR4), 16u);
    EXPECT_EQ(sizeof(D3DXQUATERNION), 16u);
    EXPECT_EQ(sizeof(D3DXPLANE), 16u);
    EXPECT_EQ(sizeof(D3DXMATRIX), 64u);
    D3DXMATRIX m;
    m._23 = 7.0f;
    m._41 = 9.0f;
    EXPECT_EQ(m.m[1][2], 7.0f);
    EXPECT_EQ(m(3, 0), 9.0f);
    EXPECT_EQ(reinterpret_cast<const float*>(&m)[12], 9.0f);
}

TEST(D3dxMathTypes, DefaultsAreZeroVectorsAndIdentityRotations) {
    EXPECT_TRUE(D3DXVECTOR3() == D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(D3DXVECTOR4() == D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(QuatNear(D3DXQUATERNION(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f), 0.0f));
    const D3DXMATRIX m;
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 0.0f, 0.0f, 1e-7f);
    EXPECT_FALSE(D3DXMatrixIsIdentity(&t));
}

// ---- Vectors ----------------------------------------------------------------------------------

TEST(D3dxVec3, CrossFollowsTheRightHandRuleOnComponents) {
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 r;
    EXPECT_TRUE(Vec3Near(*D3DXVec3Cross(&r, &x, &y), D3DXVECTOR3(0.0f, 0.0f, 1.0f)));
    const D3DXVECTOR3 a(1.0f, 2.0f, 3.0f), b(4.0f, 5.0f, 6.0f);
    // (2*6 - 3*5, 3*4 - 1*6, 1*5 - 2*4)
    EXPECT_TRUE(Vec3Near(*D3DXVec3Cross(&r, &a, &b), D3DXVECTOR3(-3.0f, 6.0f, -3.0f)));
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 32.0f);
    D3DXVec3Lerp(&r, &a, &b, 0.25f);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.75f, 2.75f, 3.75f)));
}

TEST(D3dxVec3, NormalizeGivesUnitVectorsAndZeroBelowTheSmallestNormalFloat) {
    D3DXVECTOR3 r;
    const D3DXVECTOR3 v(3.0f, 0.0f, -4.0f);
    EXPECT_TRUE(Vec3Near(*D3DXVec3Normalize(&r, &v), D3DXVECTOR3(0.6f, 0.0f, -0.8f)));

    const D3DXVECTOR3 zero;
    r = D3DXVECTOR3(9.0f, 9.0f, 9.0f);
    EXPECT_TRUE(*D3DXVec3Normalize(&r, &zero) == zero);

    const D3DXVECTOR3 tiny(1e-30f, -1e-30f, 1e-30f);
    r = D3DXVECTOR3(9.0f, 9.0f, 9.0f);
    EXPECT_TRUE(*D3DXVec3Normalize(&r, &tiny) == zero);

    // Squared lengths 1e-38 (below FLT_MIN, about 1.18e-38) and 4e-38 (above it).
    const D3DXVECTOR3 belowLimit(1e-19f, 0.0f, 0.0f), aboveLimit(0.0f, 2e-19f, 0.0f);
    EXPECT_TRUE(*D3DXVec3Normalize(&r, &belowLimit) == zero);
    EXPECT_TRUE(Vec3Near(*D3DXVec3Normalize(&r, &aboveLimit), D3DXVECTOR3(0.0f, 1.0f, 0.0f)));

    // Components whose squares overflow a float still have a direction.
    const D3DXVECTOR3 huge(3e30f, 4e30f, 0.0f);
    EXPECT_TRUE(Vec3Near(*D3DXVec3Normalize(&r, &huge), D3DXVECTOR3(0.6f, 0.8f, 0.0f)));
    EXPECT_NEAR(D3DXVec3Length(&huge), 5e30f, 1e24f);
    const D3DXVECTOR3 largest(FLT_MAX, -FLT_MAX, FLT_MAX);
    const float third = 1.0f / std::sqrt(3.0f);
    EXPECT_TRUE(Vec3Near(*D3DXVec3Normalize(&r, &largest), D3DXVECTOR3(third, -third, third)));
}

TEST(D3dxVec4, NormalizeFollowsTheSameRulesAsThreeComponents) {
    D3DXVECTOR4 r;
    const D3DXVECTOR4 v(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(Vec4Near(*D3DXVec4Normalize(&r, &v), D3DXVECTOR4(0.5f, 0.5f, 0.5f, 0.5f)));
    const D3DXVECTOR4 tiny(1e-30f, 0.0f, 0.0f, 1e-30f);
    r = v;
    EXPECT_TRUE(*D3DXVec4Normalize(&r, &tiny) == D3DXVECTOR4());
    const D3DXVECTOR4 huge(0.0f, 0.0f, -3e35f, 4e35f);
    EXPECT_TRUE(Vec4Near(*D3DXVec4Normalize(&r, &huge), D3DXVECTOR4(0.0f, 0.0f, -0.6f, 0.8f)));
    EXPECT_NEAR(D3DXVec4Length(&huge), 5e35f, 1e29f);
}

TEST(D3dxVec3, TransformCoordDividesByTheResultingW) {
    // Row vector times matrix: x' = x*_11 + y*_21 + z*_31 + _41, and so on; here w = 2.
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 4.0f, 6.0f, 8.0f);
    m._44 = 2.0f;
    EXPECT_TRUE(
        Vec3Near(Transformed(D3DXVECTOR3(2.0f, 4.0f, 6.0f), m), D3DXVECTOR3(3.0f, 5.0f, 7.0f)));
    // A projective matrix: w = z, as in a perspective projection.
    const D3DXMATRIX p(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f,
                       0.0f, -1.0f, 0.0f);
    EXPECT_TRUE(
        Vec3Near(Transformed(D3DXVECTOR3(2.0f, -6.0f, 4.0f), p), D3DXVECTOR3(0.5f, -1.5f, 0.75f)));
}

TEST(D3dxVec3, TransformNormalUsesOnlyTheUpperThreeByThree) {
    D3DXMATRIX s, t, m;
    D3DXMatrixScaling(&s, 2.0f, 3.0f, 4.0f);
    D3DXMatrixTranslation(&t, 100.0f, 200.0f, 300.0f);
    D3DXMatrixMultiply(&m, &s, &t);
    m._14 = 5.0f;  // the fourth column is ignored too
    const D3DXVECTOR3 v(1.0f, 1.0f, -1.0f);
    D3DXVECTOR3 r;
    EXPECT_TRUE(Vec3Near(*D3DXVec3TransformNormal(&r, &v, &m), D3DXVECTOR3(2.0f, 3.0f, -4.0f)));
    D3DXMATRIX ry;
    D3DXMatrixRotationY(&ry, static_cast<float>(kPi / 2.0));
    D3DXMatrixMultiply(&m, &ry, &t);
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(Vec3Near(*D3DXVec3TransformNormal(&r, &x, &m), D3DXVECTOR3(0.0f, 0.0f, -1.0f)));
}

TEST(D3dxVec4, TransformIsTheRowVectorTimesTheWholeMatrix) {
    // Elements 1..16 row by row: column j of v*M is sum_i v_i * M[i][j].
    const D3DXMATRIX m(1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f, 12.0f,
                       13.0f, 14.0f, 15.0f, 16.0f);
    const D3DXVECTOR4 v(1.0f, 2.0f, 3.0f, 4.0f);
    D3DXVECTOR4 r;
    EXPECT_TRUE(
        Vec4Near(*D3DXVec4Transform(&r, &v, &m), D3DXVECTOR4(90.0f, 100.0f, 110.0f, 120.0f)));
    // A direction (w = 0) ignores translation; a point (w = 1) takes it.
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    const D3DXVECTOR4 direction(0.5f, 0.9f, 0.5f, 0.0f), point(0.5f, 0.9f, 0.5f, 1.0f);
    EXPECT_TRUE(Vec4Near(*D3DXVec4Transform(&r, &direction, &t), direction));
    EXPECT_TRUE(Vec4Near(*D3DXVec4Transform(&r, &point, &t), D3DXVECTOR4(1.5f, 2.9f, 3.5f, 1.0f)));
    const D3DXVECTOR3 p3(1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(Vec4Near(*D3DXVec3Transform(&r, &p3, &m), D3DXVECTOR4(14.0f, 16.0f, 18.0f, 20.0f)));
}

TEST(D3dxVec, OutputMayAliasAnInput) {
    const D3DXVECTOR3 a(1.0f, 2.0f, 3.0f), b(4.0f, 5.0f, 6.0f);
    D3DXVECTOR3 v = a;
    D3DXVec3Cross(&v, &v, &b);
    EXPECT_TRUE(Vec3Near(v, D3DXVECTOR3(-3.0f, 6.0f, -3.0f)));
    v = b;
    D3DXVec3Cross(&v, &a, &v);
    EXPECT_TRUE(Vec3Near(v, D3DXVECTOR3(-3.0f, 6.0f, -3.0f)));

    v = D3DXVECTOR3(0.0f, 3.0f, 4.0f);
    D3DXVec3Normalize(&v, &v);
    EXPECT_TRUE(Vec3Near(v, D3DXVECTOR3(0.0f, 0.6f, 0.8f)));

    // Rotating +x by a quarter turn about z gives +y; every component must come from the input.
    D3DXMATRIX rz;
    D3DXMatrixRotationZ(&rz, static_cast<float>(kPi / 2.0));
    rz._41 = 10.0f;
    v = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXVec3TransformCoord(&v, &v, &rz);
    EXPECT_TRUE(Vec3Near(v, D3DXVECTOR3(10.0f, 1.0f, 0.0f)));
    v = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXVec3TransformNormal(&v, &v, &rz);
    EXPECT_TRUE(Vec3Near(v, D3DXVECTOR3(0.0f, 1.0f, 0.0f)));
    D3DXVECTOR4 v4(1.0f, 0.0f, 0.0f, 1.0f);
    D3DXVec4Transform(&v4, &v4, &rz);
    EXPECT_TRUE(Vec4Near(v4, D3DXVECTOR4(10.0f, 1.0f, 0.0f, 1.0f)));
    v4 = D3DXVECTOR4(0.0f, 0.0f, 2.0f, 0.0f);
    D3DXVec4Normalize(&v4, &v4);
    EXPECT_TRUE(Vec4Near(v4, D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f)));
}

// ---- Matrices ---------------------------------------------------------------------------------

TEST(D3dxMatrix, MultiplyAppliesTheLeftMatrixFirst) {
    // Translate by +x, then a quarter turn about z: the origin ends on +y.
    D3DXMATRIX t, rz, m;
    D3DXMatrixTranslation(&t, 1.0f, 0.0f, 0.0f);
    D3DXMatrixRotationZ(&rz, static_cast<float>(kPi / 2.0));
    D3DXMatrixMultiply(&m, &t, &rz);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(), m), D3DXVECTOR3(0.0f, 1.0f, 0.0f)));
    D3DXMatrixMultiply(&m, &rz, &t);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(), m), D3DXVECTOR3(1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(MatrixNear(t * rz, *D3DXMatrixMultiply(&m, &t, &rz), 0.0f));

    // Row i of A*B is sum_k A[i][k] * B[k]: here A shears x by y, B shears y by x.
    const D3DXMATRIX a(1.0f, 2.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f);
    const D3DXMATRIX b(1.0f, 0.0f, 0.0f, 0.0f, 3.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f);
    D3DXMatrixMultiply(&m, &a, &b);
    EXPECT_TRUE(MatrixNear(m, D3DXMATRIX(7.0f, 2.0f, 0.0f, 0.0f, 3.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                         1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f)));
    D3DXMatrixMultiply(&m, &b, &a);
    EXPECT_TRUE(MatrixNear(m, D3DXMATRIX(1.0f, 2.0f, 0.0f, 0.0f, 3.0f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                         1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f)));
}

TEST(D3dxMatrix, TransposeAndMultiplyTranspose) {
    const D3DXMATRIX m(1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f, 12.0f,
                       13.0f, 14.0f, 15.0f, 16.0f);
    D3DXMATRIX r;
    D3DXMatrixTranspose(&r, &m);
    EXPECT_TRUE(MatrixNear(r,
                           D3DXMATRIX(1.0f, 5.0f, 9.0f, 13.0f, 2.0f, 6.0f, 10.0f, 14.0f, 3.0f, 7.0f,
                                      11.0f, 15.0f, 4.0f, 8.0f, 12.0f, 16.0f),
                           0.0f));
    // Translation(1, 2, 3) * Scaling(2, 3, 4) has the row (2, 6, 12, 1); transposed, a column.
    D3DXMATRIX t, s;
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    D3DXMatrixScaling(&s, 2.0f, 3.0f, 4.0f);
    D3DXMatrixMultiplyTranspose(&r, &t, &s);
    EXPECT_TRUE(MatrixNear(r,
                           D3DXMATRIX(2.0f, 0.0f, 0.0f, 2.0f, 0.0f, 3.0f, 0.0f, 6.0f, 0.0f, 0.0f,
                                      4.0f, 12.0f, 0.0f, 0.0f, 0.0f, 1.0f),
                           0.0f));
}

TEST(D3dxMatrix, BasicTransformsMovePointsByTheLeftHandedRowVectorConvention) {
    const float quarter = static_cast<float>(kPi / 2.0);
    D3DXMATRIX m;
    D3DXMatrixRotationX(&m, quarter);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), m), D3DXVECTOR3(0, 0, 1)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 1.0f), m), D3DXVECTOR3(0, -1, 0)));
    D3DXMatrixRotationY(&m, quarter);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(1.0f, 0.0f, 0.0f), m), D3DXVECTOR3(0, 0, -1)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 1.0f), m), D3DXVECTOR3(1, 0, 0)));
    D3DXMatrixRotationZ(&m, quarter);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(1.0f, 0.0f, 0.0f), m), D3DXVECTOR3(0, 1, 0)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), m), D3DXVECTOR3(-1, 0, 0)));

    D3DXMatrixScaling(&m, 2.0f, -3.0f, 0.5f);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(1.0f, 1.0f, 1.0f), m), D3DXVECTOR3(2, -3, 0.5f)));
    D3DXMatrixTranslation(&m, 2.0f, -3.0f, 0.5f);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(1.0f, 1.0f, 1.0f), m), D3DXVECTOR3(3, -2, 1.5f)));
    EXPECT_TRUE(Vec3Near(D3DXVECTOR3(m._41, m._42, m._43), D3DXVECTOR3(2.0f, -3.0f, 0.5f), 0.0f));
}

TEST(D3dxMatrix, RotationQuaternionOfAxisQuaternionsMatchesTheAxisRotations) {
    const float angle = 0.7f;
    D3DXMATRIX fromQuaternion, expected;
    const D3DXQUATERNION qx = AxisAngle(1.0f, 0.0f, 0.0f, angle);
    D3DXMatrixRotationQuaternion(&fromQuaternion, &qx);
    EXPECT_TRUE(MatrixNear(fromQuaternion, *D3DXMatrixRotationX(&expected, angle)));
    const D3DXQUATERNION qy = AxisAngle(0.0f, 1.0f, 0.0f, angle);
    D3DXMatrixRotationQuaternion(&fromQuaternion, &qy);
    EXPECT_TRUE(MatrixNear(fromQuaternion, *D3DXMatrixRotationY(&expected, angle)));
    const D3DXQUATERNION qz = AxisAngle(0.0f, 0.0f, 1.0f, -angle);
    D3DXMatrixRotationQuaternion(&fromQuaternion, &qz);
    EXPECT_TRUE(MatrixNear(fromQuaternion, *D3DXMatrixRotationZ(&expected, -angle)));

    // A third of a turn about (1, 1, 1) cycles the axes: x -> y -> z -> x.
    const float k = 1.0f / std::sqrt(3.0f);
    const D3DXQUATERNION cycle = AxisAngle(k, k, k, static_cast<float>(2.0 * kPi / 3.0));
    D3DXMatrixRotationQuaternion(&fromQuaternion, &cycle);
    EXPECT_TRUE(
        MatrixNear(fromQuaternion, D3DXMATRIX(0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1)));
}

TEST(D3dxMatrix, InverseUndoesRotationsScalingsAndTranslations) {
    D3DXMATRIX m, inverse, expected;
    D3DXMatrixRotationY(&m, 0.6f);
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    EXPECT_TRUE(MatrixNear(inverse, *D3DXMatrixTranspose(&expected, &m)));
    D3DXMatrixScaling(&m, 2.0f, 4.0f, -0.5f);
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    EXPECT_TRUE(MatrixNear(inverse, *D3DXMatrixScaling(&expected, 0.5f, 0.25f, -2.0f)));
    D3DXMatrixTranslation(&m, 3.0f, -4.0f, 5.0f);
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    EXPECT_TRUE(MatrixNear(inverse, *D3DXMatrixTranslation(&expected, -3.0f, 4.0f, -5.0f)));

    // A general affine matrix: scale, two rotations and a translation.
    D3DXMATRIX s, rx, ry, t;
    D3DXMatrixScaling(&s, 2.0f, 0.5f, 3.0f);
    D3DXMatrixRotationX(&rx, 0.3f);
    D3DXMatrixRotationY(&ry, -1.1f);
    D3DXMatrixTranslation(&t, 4.0f, -2.0f, 7.0f);
    m = s * rx * ry * t;
    float det = 0.0f;
    ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &m), nullptr);
    EXPECT_NEAR(det, 3.0f, 1e-5f);  // rotations keep volume; the scaling multiplies it by 3
    EXPECT_TRUE(MatrixNear(m * inverse, D3DXMATRIX()));
    EXPECT_TRUE(MatrixNear(inverse * m, D3DXMATRIX()));
}

TEST(D3dxMatrix, InverseAndDeterminantOfADenseMatrix) {
    // Worked by cofactors: det = -1 and the inverse has integer entries.
    const D3DXMATRIX m(2, 0, 1, 3, 1, 1, 0, 2, 0, 3, 1, 1, 1, 0, 2, 1);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&m), -1.0f);
    D3DXMATRIX inverse;
    float det = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &det, &m), &inverse);
    EXPECT_FLOAT_EQ(det, -1.0f);
    EXPECT_TRUE(
        MatrixNear(inverse, D3DXMATRIX(-11, 15, -5, 8, -3, 4, -1, 2, 2, -3, 1, -1, 7, -9, 3, -5)));
    // Swapping two rows of the identity flips the sign; a block-triangular matrix multiplies
    // the determinants of its blocks: (1*4 - 2*3) * 1 * 1.
    const D3DXMATRIX swap(0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&swap), -1.0f);
    const D3DXMATRIX block(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&block), -2.0f);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2.0f, 3.0f, 4.0f);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&scale), 24.0f);
}

TEST(D3dxMatrix, InverseOfASingularMatrixFailsAndLeavesTheOutputAlone) {
    // The third row is twice the first.
    const D3DXMATRIX singular(1, 2, 3, 4, 5, 6, 7, 8, 2, 4, 6, 8, 0, 0, 0, 1);
    D3DXMATRIX out;
    D3DXMatrixTranslation(&out, 1.0f, 2.0f, 3.0f);
    const D3DXMATRIX before = out;
    float det = 5.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_TRUE(out == before);
    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &flat), nullptr);
    EXPECT_TRUE(out == before);
}

TEST(D3dxMatrix, OutputMayAliasAnInput) {
    D3DXMATRIX t, rz;
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    D3DXMatrixRotationZ(&rz, 0.4f);
    const D3DXMATRIX product = t * rz;

    D3DXMATRIX m = t;
    D3DXMatrixMultiply(&m, &m, &rz);
    EXPECT_TRUE(MatrixNear(m, product, 0.0f));
    m = rz;
    D3DXMatrixMultiply(&m, &t, &m);
    EXPECT_TRUE(MatrixNear(m, product, 0.0f));
    m = t;
    D3DXMatrixMultiply(&m, &m, &m);
    D3DXMATRIX twice;
    EXPECT_TRUE(MatrixNear(m, *D3DXMatrixTranslation(&twice, 2.0f, 4.0f, 6.0f), 0.0f));

    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &product);
    m = t;
    D3DXMatrixMultiplyTranspose(&m, &m, &rz);
    EXPECT_TRUE(MatrixNear(m, transposed, 0.0f));
    m = product;
    D3DXMatrixTranspose(&m, &m);
    EXPECT_TRUE(MatrixNear(m, transposed, 0.0f));

    m = product;
    ASSERT_NE(D3DXMatrixInverse(&m, nullptr, &m), nullptr);
    EXPECT_TRUE(MatrixNear(m * product, D3DXMATRIX()));
}

// ---- Camera matrices --------------------------------------------------------------------------

TEST(D3dxMatrix, LookAtPutsTheEyeAtTheOriginAndTheTargetOnPositiveZ) {
    // Looking from (3, 0, 0) toward the origin with y up: forward is -x, right is up x forward
    // = +z, so world +z shows on the view's +x.
    const D3DXVECTOR3 eye(3.0f, 0.0f, 0.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    EXPECT_TRUE(Vec3Near(Transformed(eye, view), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(Vec3Near(Transformed(at, view), D3DXVECTOR3(0.0f, 0.0f, 3.0f)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0, 0, 1), view), D3DXVECTOR3(1.0f, 0.0f, 3.0f)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0, 2, 0), view), D3DXVECTOR3(0.0f, 2.0f, 3.0f)));

    // A general eye: distances are kept and the up vector need not be square to the view.
    const D3DXVECTOR3 eye2(1.0f, 2.0f, 3.0f), at2(4.0f, 6.0f, 3.0f), up2(0.0f, 1.0f, 1.0f);
    D3DXMatrixLookAtLH(&view, &eye2, &at2, &up2);
    EXPECT_TRUE(Vec3Near(Transformed(eye2, view), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(Vec3Near(Transformed(at2, view), D3DXVECTOR3(0.0f, 0.0f, 5.0f)));
    EXPECT_GT(Transformed(eye2 + up2, view).y, 0.0f);
    EXPECT_NEAR(D3DXMatrixDeterminant(&view), 1.0f, kEps);
}

TEST(D3dxMatrix, PerspectiveMapsNearToDepthZeroFarToOneAndTheFieldOfViewToTheEdges) {
    // Quarter-turn field of view: tan(fov / 2) = 1; aspect 2 halves x.
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, static_cast<float>(kPi / 2.0), 2.0f, 1.0f, 101.0f);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 1.0f), p), D3DXVECTOR3(0, 0, 0)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 101.0f), p), D3DXVECTOR3(0, 0, 1)));
    // Depth = far / (far - near) * (1 - near / z): at z = 2 that is 1.01 * 0.5.
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 2.0f), p), D3DXVECTOR3(0, 0, 0.505f)));
    EXPECT_TRUE(
        Vec3Near(Transformed(D3DXVECTOR3(0.0f, 5.0f, 5.0f), p), D3DXVECTOR3(0.0f, 1.0f, 0.808f)));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(-10.0f, -5.0f, 5.0f), p),
                         D3DXVECTOR3(-1.0f, -1.0f, 0.808f)));
    EXPECT_FLOAT_EQ(p._34, 1.0f);  // w = view z
    EXPECT_FLOAT_EQ(p._44, 0.0f);
}

TEST(D3dxMatrix, InverseViewProjectionSendsClipCornersToTheFrustumCorners) {
    // The camera's use: corners of the unit clip box mapped back into the world.
    const float fov = 0.8975979f, aspect = 4.0f / 3.0f, zn = 1.0f, zf = 20000.0f;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -5.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view, projection, inverse;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, fov, aspect, zn, zf);
    const D3DXMATRIX viewProjection = view * projection;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &viewProjection), nullptr);
    const float h = std::tan(fov / 2.0f);
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(0.0f, 0.0f, 0.0f), inverse),
                         D3DXVECTOR3(0.0f, 0.0f, -4.0f), 1e-4f));
    EXPECT_TRUE(Vec3Near(Transformed(D3DXVECTOR3(1.0f, 1.0f, 0.0f), inverse),
                         D3DXVECTOR3(h * aspect, h, -4.0f), 1e-4f));
    // The far corner inherits the float rounding of zf / (zf - zn) in the projection: about
    // a thousandth of its distance.
    const D3DXVECTOR3 farCorner = Transformed(D3DXVECTOR3(-1.0f, 1.0f, 1.0f), inverse);
    EXPECT_TRUE(
        Vec3Near(farCorner * (1.0f / zf), D3DXVECTOR3(-h * aspect, h, 1.0f - 5.0f / zf), 2e-3f));
}

// ---- Quaternions ------------------------------------------------------------------------------

TEST(D3dxQuaternion, MultiplyIsTheFirstRotationFollowedByTheSecond) {
    const float s = std::sqrt(0.5f);
    const D3DXQUATERNION qx(s, 0.0f, 0.0f, s), qy(0.0f, s, 0.0f, s);
    D3DXQUATERNION q;
    // Hamilton product qy * qx, worked by hand.
    EXPECT_TRUE(
        QuatNear(*D3DXQuaternionMultiply(&q, &qx, &qy), D3DXQUATERNION(0.5f, 0.5f, -0.5f, 0.5f)));
    // The same order as the matrices: RotationX then RotationY takes +x to -z.
    D3DXMATRIX fromQuaternion, rx, ry;
    D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
    D3DXMatrixRotationX(&rx, static_cast<float>(kPi / 2.0));
    D3DXMatrixRotationY(&ry, static_cast<float>(kPi / 2.0));
    EXPECT_TRUE(MatrixNear(fromQuaternion, rx * ry));

    const D3DXQUATERNION a = AxisAngle(0.6f, 0.0f, 0.8f, 1.3f),
                         b = AxisAngle(0.0f, 1.0f, 0.0f, -0.4f);
    D3DXMATRIX ma, mb;
    D3DXQuaternionMultiply(&q, &a, &b);
    D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    EXPECT_TRUE(MatrixNear(fromQuaternion, ma * mb));
}

TEST(D3dxQuaternion, InverseConjugateAndNormalize) {
    const D3DXQUATERNION q(1.0f, 2.0f, 3.0f, 4.0f);
    D3DXQUATERNION r;
    EXPECT_TRUE(QuatNear(*D3DXQuaternionConjugate(&r, &q), D3DXQUATERNION(-1, -2, -3, 4), 0.0f));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionInverse(&r, &q),
                         D3DXQUATERNION(-1.0f / 30, -2.0f / 30, -3.0f / 30, 4.0f / 30)));
    D3DXQuaternionMultiply(&r, &r, &q);
    EXPECT_TRUE(QuatNear(r, D3DXQUATERNION()));
    EXPECT_FLOAT_EQ(D3DXQuaternionLength(&q), std::sqrt(30.0f));
    const float k = 1.0f / std::sqrt(30.0f);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionNormalize(&r, &q), D3DXQUATERNION(k, 2 * k, 3 * k, 4 * k)));
    const D3DXQUATERNION huge(1e30f, 2e30f, 3e30f, 4e30f);
    EXPECT_TRUE(
        QuatNear(*D3DXQuaternionNormalize(&r, &huge), D3DXQUATERNION(k, 2 * k, 3 * k, 4 * k)));
    const D3DXQUATERNION tiny(1e-30f, 0.0f, 0.0f, 1e-30f);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionNormalize(&r, &tiny), D3DXQUATERNION(0, 0, 0, 0), 0.0f));
}

TEST(D3dxQuaternion, RotationAxisNormalisesTheAxisAndHalvesTheAngle) {
    const D3DXVECTOR3 axis(0.0f, 2.0f, 0.0f);
    D3DXQUATERNION q;
    const float s = std::sqrt(0.5f);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionRotationAxis(&q, &axis, static_cast<float>(kPi / 2.0)),
                         D3DXQUATERNION(0.0f, s, 0.0f, s)));
}

TEST(D3dxQuaternion, YawPitchRollIsRollThenPitchThenYaw) {
    const float s = std::sqrt(0.5f);
    D3DXQUATERNION q;
    EXPECT_TRUE(
        QuatNear(*D3DXQuaternionRotationYawPitchRoll(&q, static_cast<float>(kPi / 2.0), 0.0f, 0.0f),
                 D3DXQUATERNION(0.0f, s, 0.0f, s)));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, 1.0f, 0.0f),
                         AxisAngle(1.0f, 0.0f, 0.0f, 1.0f)));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, -0.5f),
                         AxisAngle(0.0f, 0.0f, 1.0f, -0.5f)));

    const float angles[][3] = {{0.3f, -0.4f, 0.5f}, {2.5f, 1.2f, -2.9f}, {-1.0f, 0.1f, 3.0f}};
    for (const auto& a : angles) {
        const float yaw = a[0], pitch = a[1], roll = a[2];
        D3DXMATRIX rz, rx, ry, fromQuaternion, direct;
        D3DXMatrixRotationZ(&rz, roll);
        D3DXMatrixRotationX(&rx, pitch);
        D3DXMatrixRotationY(&ry, yaw);
        const D3DXMATRIX expected = rz * rx * ry;
        D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
        D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
        EXPECT_TRUE(MatrixNear(fromQuaternion, expected)) << yaw << " " << pitch << " " << roll;
        D3DXMatrixRotationYawPitchRoll(&direct, yaw, pitch, roll);
        EXPECT_TRUE(MatrixNear(direct, expected)) << yaw << " " << pitch << " " << roll;
    }
}

TEST(D3dxQuaternion, NegatedAnglesGiveTheActorHeadingAsTheThirdRow) {
    // Actors build R from yaw -yaw, pitch -pitch, roll -roll and fly along its third row.
    const float angles[][3] = {{0.0f, 0.0f, 0.0f},
                               {0.7f, 0.0f, 0.0f},
                               {0.7f, -0.3f, 1.1f},
                               {-2.0f, 1.2f, -0.4f},
                               {3.0f, 0.5f, 2.0f}};
    for (const auto& a : angles) {
        const float yaw = a[0], pitch = a[1], roll = a[2];
        D3DXQUATERNION q;
        D3DXMATRIX r;
        D3DXQuaternionRotationYawPitchRoll(&q, -yaw, -pitch, -roll);
        D3DXMatrixRotationQuaternion(&r, &q);
        const D3DXVECTOR3 heading(-std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                                  std::cos(yaw) * std::cos(pitch));
        EXPECT_TRUE(Vec3Near(D3DXVECTOR3(r._31, r._32, r._33), heading))
            << yaw << " " << pitch << " " << roll;
    }
    // Positive yaw turns a bird heading along +z toward -x.
    D3DXQUATERNION q;
    D3DXMATRIX r;
    D3DXQuaternionRotationYawPitchRoll(&q, -0.1f, 0.0f, 0.0f);
    D3DXMatrixRotationQuaternion(&r, &q);
    EXPECT_LT(r._31, 0.0f);
}

TEST(D3dxQuaternion, LnAndExpMapRotationsToHalfAngleVectorsAndBack) {
    D3DXQUATERNION r;
    const D3DXQUATERNION q = AxisAngle(0.0f, 0.6f, 0.8f, 1.2f);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionLn(&r, &q), D3DXQUATERNION(0.0f, 0.36f, 0.48f, 0.0f)));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionExp(&r, &r), q));
    // More than half a turn: w < 0, and the logarithm keeps the angle above a quarter turn.
    const D3DXQUATERNION big = AxisAngle(0.0f, 1.0f, 0.0f, static_cast<float>(1.5 * kPi));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionLn(&r, &big),
                         D3DXQUATERNION(0.0f, static_cast<float>(0.75 * kPi), 0.0f, 0.0f)));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionExp(&r, &r), big));
    const D3DXQUATERNION identity;
    EXPECT_TRUE(QuatNear(*D3DXQuaternionLn(&r, &identity), D3DXQUATERNION(0, 0, 0, 0), 0.0f));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionExp(&r, &r), identity, 0.0f));
}

TEST(D3dxQuaternion, LnOfKeysThatAreNotUnitLengthScalesByTheArcCosineOfW) {
    // acos(w) / sqrt(1 - w^2), whatever the length: for w = 0.5 that is 1.2091996, where the
    // angle of the vector part (atan2(|v|, w) / |v|) would give 1.714.
    D3DXQUATERNION r;
    const D3DXQUATERNION q(0.1f, 0.2f, 0.3f, 0.5f);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionLn(&r, &q),
                         D3DXQUATERNION(0.12091996f, 0.24183992f, 0.36275988f, 0.0f), 1e-6f));
    const D3DXQUATERNION small(0.0f, 0.01f, 0.0f, -0.2f);
    EXPECT_NEAR(D3DXQuaternionLn(&r, &small)->y, 0.01f * 1.7721542f / 0.9797959f, 1e-6f);
    // w at or beyond +-1 leaves the vector part as it is (no infinity, no NaN).
    const D3DXQUATERNION beyond(0.3f, 0.0f, 0.4f, 2.0f);
    EXPECT_TRUE(
        QuatNear(*D3DXQuaternionLn(&r, &beyond), D3DXQUATERNION(0.3f, 0.0f, 0.4f, 0.0f), 0.0f));
    const D3DXQUATERNION below(0.3f, 0.0f, 0.4f, -1.0f);
    EXPECT_TRUE(
        QuatNear(*D3DXQuaternionLn(&r, &below), D3DXQUATERNION(0.3f, 0.0f, 0.4f, 0.0f), 0.0f));
}

TEST(D3dxQuaternion, SlerpHitsItsEndsAndTakesTheShortWay) {
    const D3DXQUATERNION a;
    const D3DXQUATERNION b = AxisAngle(0.0f, 1.0f, 0.0f, static_cast<float>(kPi / 2.0));
    D3DXQUATERNION r;
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &b, 0.0f), a));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &b, 1.0f), b));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &b, 0.5f),
                         AxisAngle(0.0f, 1.0f, 0.0f, static_cast<float>(kPi / 4.0))));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &b, 1.0f / 3.0f),
                         AxisAngle(0.0f, 1.0f, 0.0f, static_cast<float>(kPi / 6.0))));
    // -b is the same rotation; the blend goes through the eighth turn, not the long way.
    const D3DXQUATERNION negated(-b.x, -b.y, -b.z, -b.w);
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &negated, 0.5f),
                         AxisAngle(0.0f, 1.0f, 0.0f, static_cast<float>(kPi / 4.0))));
    EXPECT_TRUE(QuatNear(*D3DXQuaternionSlerp(&r, &a, &negated, 1.0f), b));
    // Nearly equal keys blend linearly without dividing by a vanishing sine.
    const D3DXQUATERNION c = AxisAngle(1.0f, 0.0f, 0.0f, 1e-3f);
    D3DXQuaternionSlerp(&r, &a, &c, 0.5f);
    EXPECT_TRUE(QuatNear(r, AxisAngle(1.0f, 0.0f, 0.0f, 5e-4f)));
}

TEST(D3dxQuaternion, OutputMayAliasAnInput) {
    const D3DXQUATERNION a = AxisAngle(0.6f, 0.0f, 0.8f, 1.3f),
                         b = AxisAngle(0.0f, 1.0f, 0.0f, -0.4f);
    D3DXQUATERNION expected, q;
    D3DXQuaternionMultiply(&expected, &a, &b);
    q = a;
    D3DXQuaternionMultiply(&q, &q, &b);
    EXPECT_TRUE(QuatNear(q, expected, 0.0f));
    q = b;
    D3DXQuaternionMultiply(&q, &a, &q);
    EXPECT_TRUE(QuatNear(q, expected, 0.0f));

    D3DXQuaternionSlerp(&expected, &a, &b, 0.3f);
    q = a;
    D3DXQuaternionSlerp(&q, &q, &b, 0.3f);
    EXPECT_TRUE(QuatNear(q, expected, 0.0f));
    q = b;
    D3DXQuaternionSlerp(&q, &a, &q, 0.3f);
    EXPECT_TRUE(QuatNear(q, expected, 0.0f));

    q = a;
    D3DXQuaternionLn(&q, &q);
    D3DXQuaternionExp(&q, &q);
    EXPECT_TRUE(QuatNear(q, a));
    q = D3DXQUATERNION(0.0f, 0.0f, 3.0f, 4.0f);
    D3DXQuaternionNormalize(&q, &q);
    EXPECT_TRUE(QuatNear(q, D3DXQUATERNION(0.0f, 0.0f, 0.6f, 0.8f)));
    q = a;
    D3DXQuaternionInverse(&q, &q);
    EXPECT_TRUE(QuatNear(q, D3DXQUATERNION(-a.x, -a.y, -a.z, a.w)));
    D3DXQuaternionConjugate(&q, &q);
    EXPECT_TRUE(QuatNear(q, a));
}

// ---- Squad ------------------------------------------------------------------------------------

struct SquadKeys {
    D3DXQUATERNION q0, q1, q2, q3;
};

D3DXQUATERNION SquadAt(const SquadKeys& k, float t) {
    D3DXQUATERNION a, b, c, q;
    D3DXQuaternionSquadSetup(&a, &b, &c, &k.q0, &k.q1, &k.q2, &k.q3);
    D3DXQuaternionSquad(&q, &k.q1, &a, &b, &c, t);
    return q;
}

TEST(D3dxQuaternion, SquadOfTheDocumentedZAxisKeysIsAnEighthTurnHalfWay) {
    // Keys at -90, 0, 90 and 180 degrees about z; the first is given on the far hemisphere.
    const SquadKeys keys{D3DXQUATERNION(0, 0, 0.707f, -0.707f), D3DXQUATERNION(0, 0, 0, 1),
                         D3DXQUATERNION(0, 0, 0.707f, 0.707f), D3DXQUATERNION(0, 0, 1, 0)};
    const float s = static_cast<float>(std::sin(kPi / 8.0)),
                c = static_cast<float>(std::cos(kPi / 8.0));
    EXPECT_TRUE(QuatNear(SquadAt(keys, 0.5f), D3DXQUATERNION(0.0f, 0.0f, s, c), 1e-3f));
}

TEST(D3dxQuaternion, SquadAboutOneAxisBlendsTheAnglesOfTheTangentKeys) {
    // About one axis everything commutes, so by the set-up formula the inner keys have angles
    // a = t1 - (t0 + t2 - 2 t1) / 4 = 0.1 and b = t2 - (t1 + t3 - 2 t2) / 4 = 0.9 for keys
    // 0, 0.2, 0.8, 1.0 rad; at t = 1/4 squad blends lerp(0.2, 0.8) = 0.35 toward
    // lerp(0.1, 0.9) = 0.3 by 2t(1 - t) = 0.375, which gives 0.33125 rad.
    const SquadKeys keys{AxisAngle(0, 0, 1, 0.0f), AxisAngle(0, 0, 1, 0.2f),
                         AxisAngle(0, 0, 1, 0.8f), AxisAngle(0, 0, 1, 1.0f)};
    D3DXQUATERNION a, b, c;
    D3DXQuaternionSquadSetup(&a, &b, &c, &keys.q0, &keys.q1, &keys.q2, &keys.q3);
    EXPECT_TRUE(QuatNear(a, AxisAngle(0, 0, 1, 0.1f)));
    EXPECT_TRUE(QuatNear(b, AxisAngle(0, 0, 1, 0.9f)));
    EXPECT_TRUE(QuatNear(c, keys.q2));
    EXPECT_TRUE(QuatNear(SquadAt(keys, 0.25f), AxisAngle(0, 0, 1, 0.33125f)));
}

// Keys on several axes, so that the order of every product matters.
const D3DXQUATERNION kTurningKeys[5] = {
    AxisAngle(0.0f, 0.0f, 1.0f, 0.2f), AxisAngle(1.0f, 0.0f, 0.0f, 0.8f),
    AxisAngle(0.0f, 0.6f, 0.8f, 1.5f), AxisAngle(0.8f, 0.6f, 0.0f, -0.6f),
    AxisAngle(0.0f, 1.0f, 0.0f, 2.0f),
};

TEST(D3dxQuaternion, SquadPassesThroughItsKeys) {
    const SquadKeys keys{kTurningKeys[0], kTurningKeys[1], kTurningKeys[2], kTurningKeys[3]};
    EXPECT_TRUE(QuatNear(SquadAt(keys, 0.0f), keys.q1));
    EXPECT_TRUE(SameRotation(SquadAt(keys, 1.0f), keys.q2));
    for (int i = 1; i < 10; ++i) {
        const D3DXQUATERNION q = SquadAt(keys, i / 10.0f);
        EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, kEps) << "t = " << i / 10.0f;
    }
}

TEST(D3dxQuaternion, SquadSetupFlipsKeysOnTheOppositeHemisphere) {
    const SquadKeys keys{kTurningKeys[0], kTurningKeys[1], kTurningKeys[2], kTurningKeys[3]};
    auto negated = [](const D3DXQUATERNION& q) { return D3DXQUATERNION(-q.x, -q.y, -q.z, -q.w); };
    const SquadKeys flipped{negated(keys.q0), keys.q1, negated(keys.q2), negated(keys.q3)};
    D3DXQUATERNION a, b, c;
    D3DXQuaternionSquadSetup(&a, &b, &c, &flipped.q0, &flipped.q1, &flipped.q2, &flipped.q3);
    EXPECT_TRUE(QuatNear(c, keys.q2));  // the end key brought next to q1
    for (int i = 0; i <= 8; ++i) {
        const float t = i / 8.0f;
        EXPECT_TRUE(QuatNear(SquadAt(flipped, t), SquadAt(keys, t))) << "t = " << t;
    }
}

// Double-precision Hamilton product and rotation vector, to measure angular velocity.
struct Qd {
    double x, y, z, w;
};

Qd Hamilton(const Qd& a, const Qd& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

// The rotation vector (axis times angle) taking 'from' to 'to', either sign of each.
D3DXVECTOR3 RotationBetween(const D3DXQUATERNION& from, const D3DXQUATERNION& to) {
    Qd r = Hamilton({to.x, to.y, to.z, to.w}, {-from.x, -from.y, -from.z, from.w});
    if (r.w < 0.0)
        r = {-r.x, -r.y, -r.z, -r.w};
    const double v = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    const double k = v > 0.0 ? 2.0 * std::atan2(v, r.w) / v : 2.0;
    return D3DXVECTOR3(static_cast<float>(r.x * k), static_cast<float>(r.y * k),
                       static_cast<float>(r.z * k));
}

// One-sided angular velocity of curve at t, stepping in direction (+1 or -1); Richardson
// extrapolation of two difference quotients removes the first-order error.
D3DXVECTOR3 AngularVelocity(const std::function<D3DXQUATERNION(float)>& curve, float t,
                            float direction) {
    const float h = 0.02f;
    const D3DXQUATERNION q = curve(t);
    const D3DXVECTOR3 full = RotationBetween(q, curve(t + direction * h)) * (direction / h);
    const D3DXVECTOR3 half =
        RotationBetween(q, curve(t + direction * h / 2.0f)) * (2.0f * direction / h);
    return half * 2.0f - full;
}

TEST(D3dxQuaternion, SquadTurnsSmoothlyAcrossAKey) {
    // Segment q1..q2 ends on q2 where segment q2..q3 begins; both are set up from their
    // neighbours, and their angular velocities at q2 must agree.
    for (int flip = 0; flip < 2; ++flip) {
        D3DXQUATERNION k[5];
        for (int i = 0; i < 5; ++i)
            k[i] = kTurningKeys[i];
        if (flip)
            k[2] = D3DXQUATERNION(-k[2].x, -k[2].y, -k[2].z, -k[2].w);
        const SquadKeys before{k[0], k[1], k[2], k[3]}, after{k[1], k[2], k[3], k[4]};
        const D3DXVECTOR3 arriving =
            AngularVelocity([&](float t) { return SquadAt(before, t); }, 1.0f, -1.0f);
        const D3DXVECTOR3 leaving =
            AngularVelocity([&](float t) { return SquadAt(after, t); }, 0.0f, 1.0f);
        EXPECT_TRUE(Vec3Near(arriving, leaving, 2e-3f)) << "flip " << flip;
        // The keys really turn here, so a kink would show.
        EXPECT_GT(D3DXVec3Length(&leaving), 0.5f);
    }
}

TEST(D3dxQuaternion, SquadSetupAndSquadAllowAliasedArguments) {
    const SquadKeys keys{kTurningKeys[0], kTurningKeys[1], kTurningKeys[2], kTurningKeys[3]};
    D3DXQUATERNION a, b, c;
    D3DXQuaternionSquadSetup(&a, &b, &c, &keys.q0, &keys.q1, &keys.q2, &keys.q3);
    // Outputs written over the inputs they come from.
    D3DXQUATERNION q0 = keys.q0, q1 = keys.q1, q2 = keys.q2, q3 = keys.q3;
    D3DXQuaternionSquadSetup(&q0, &q1, &q2, &q0, &q1, &q2, &q3);
    EXPECT_TRUE(QuatNear(q0, a, 0.0f));
    EXPECT_TRUE(QuatNear(q1, b, 0.0f));
    EXPECT_TRUE(QuatNear(q2, c, 0.0f));

    D3DXQUATERNION expected, out = keys.q1;
    D3DXQuaternionSquad(&expected, &keys.q1, &a, &b, &c, 0.4f);
    D3DXQuaternionSquad(&out, &out, &a, &b, &c, 0.4f);
    EXPECT_TRUE(QuatNear(out, expected, 0.0f));
    out = a;
    D3DXQuaternionSquad(&out, &keys.q1, &out, &b, &c, 0.4f);
    EXPECT_TRUE(QuatNear(out, expected, 0.0f));
    out = c;
    D3DXQuaternionSquad(&out, &keys.q1, &a, &b, &out, 0.4f);
    EXPECT_TRUE(QuatNear(out, expected, 0.0f));
}

// ---- Planes -----------------------------------------------------------------------------------

TEST(D3dxPlane, FromPointsHasAUnitNormalAlongTheCrossProductOfTheEdges) {
    D3DXPLANE p;
    const D3DXVECTOR3 o(0, 0, 5), x(2, 0, 5), y(0, 3, 5);
    D3DXPlaneFromPoints(&p, &o, &x, &y);  // (x - o) cross (y - o) points along +z
    EXPECT_TRUE(Vec4Near(D3DXVECTOR4(p.a, p.b, p.c, p.d), D3DXVECTOR4(0, 0, 1, -5)));
    D3DXPlaneFromPoints(&p, &o, &y, &x);
    EXPECT_TRUE(Vec4Near(D3DXVECTOR4(p.a, p.b, p.c, p.d), D3DXVECTOR4(0, 0, -1, 5)));

    // Through the three unit points: normal (1, 1, 1) / sqrt 3, the origin 1 / sqrt 3 behind.
    const D3DXVECTOR3 ex(1, 0, 0), ey(0, 1, 0), ez(0, 0, 1);
    D3DXPlaneFromPoints(&p, &ex, &ey, &ez);
    const float k = 1.0f / std::sqrt(3.0f);
    EXPECT_TRUE(Vec4Near(D3DXVECTOR4(p.a, p.b, p.c, p.d), D3DXVECTOR4(k, k, k, -k)));
    const D3DXVECTOR3 inFront(1, 1, 1), onPlane(0.5f, 0.5f, 0.0f);
    EXPECT_NEAR(D3DXPlaneDotCoord(&p, &inFront), 2.0f * k, kEps);
    EXPECT_NEAR(D3DXPlaneDotCoord(&p, &onPlane), 0.0f, kEps);
    EXPECT_NEAR(D3DXPlaneDotNormal(&p, &inFront), 3.0f * k, kEps);
}

TEST(D3dxPlane, NormalizeScalesTheWholePlaneByTheNormalLength) {
    const D3DXPLANE p(0.0f, 3.0f, 4.0f, 10.0f);
    D3DXPLANE r;
    D3DXPlaneNormalize(&r, &p);
    EXPECT_TRUE(Vec4Near(D3DXVECTOR4(r.a, r.b, r.c, r.d), D3DXVECTOR4(0.0f, 0.6f, 0.8f, 2.0f)));
    const D3DXPLANE huge(3e30f, 0.0f, 4e30f, 5e30f);
    D3DXPlaneNormalize(&r, &huge);
    EXPECT_TRUE(Vec4Near(D3DXVECTOR4(r.a, r.b, r.c, r.d), D3DXVECTOR4(0.6f, 0.0f, 0.8f, 1.0f)));
}

TEST(D3dxPlane, IntersectLineMeetsTheInfiniteLineOrReportsParallel) {
    const D3DXPLANE z5(0.0f, 0.0f, 1.0f, -5.0f);
    D3DXVECTOR3 r;
    const D3DXVECTOR3 a(0, 0, 0), b(2, 2, 10);
    ASSERT_EQ(D3DXPlaneIntersectLine(&r, &z5, &a, &b), &r);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f, 1.0f, 5.0f)));
    // The line goes on past its two points, both ways.
    const D3DXVECTOR3 c(1, 2, 0), d(1, 2, 1);
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &z5, &c, &d), nullptr);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f, 2.0f, 5.0f)));
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &z5, &d, &c), nullptr);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f, 2.0f, 5.0f)));
    // A tilted plane x + y + z = 1 and the diagonal from the origin: (1/3, 1/3, 1/3).
    const float k = 1.0f / std::sqrt(3.0f);
    const D3DXPLANE tilted(k, k, k, -k);
    const D3DXVECTOR3 diagonal(2, 2, 2);
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &tilted, &a, &diagonal), nullptr);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f / 3, 1.0f / 3, 1.0f / 3)));

    // Parallel lines, off the plane and inside it, give nothing and leave the output alone.
    const D3DXVECTOR3 e(1, 0, 0), f(0, 0, 5), g(3, 4, 5);
    r = D3DXVECTOR3(7.0f, 8.0f, 9.0f);
    EXPECT_EQ(D3DXPlaneIntersectLine(&r, &z5, &a, &e), nullptr);
    EXPECT_EQ(D3DXPlaneIntersectLine(&r, &z5, &f, &g), nullptr);
    EXPECT_TRUE(r == D3DXVECTOR3(7.0f, 8.0f, 9.0f));

    // The output may be either end of the line.
    r = a;
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &z5, &r, &b), nullptr);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f, 1.0f, 5.0f)));
    r = b;
    ASSERT_NE(D3DXPlaneIntersectLine(&r, &z5, &a, &r), nullptr);
    EXPECT_TRUE(Vec3Near(r, D3DXVECTOR3(1.0f, 1.0f, 5.0f)));
}
}  // namespace
