#include "world/ferguson.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/trace_log.h"

namespace {
void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

std::vector<D3DXVECTOR3> Square() {
    return {{0, 0, 0}, {10, 0, 0}, {10, 5, 10}, {0, -5, 10}};
}

TEST(Ferguson, WholeParametersGiveExactlyThePointsAndTheirSuccessors) {
    Ferguson path;
    path.SetPoints(Square());
    const auto points = Square();
    for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 p, a;
        path.Evaluate(static_cast<float>(i), &p, &a);
        EXPECT_EQ(p, points[i]) << i;
        EXPECT_EQ(a, points[(i + 1) % 4]) << i;
    }
}

TEST(Ferguson, SegmentsMeetWithTheSamePositionAndTangentIncludingTheClosingJoint) {
    Ferguson path;
    path.SetPoints(Square());
    const float h = 1e-3f;
    for (int joint = 1; joint <= 4; ++joint) {
        const float t = static_cast<float>(joint % 4);
        const float before = static_cast<float>(joint) - h;  // on segment joint - 1
        D3DXVECTOR3 pEnd, pEndPrev, pStart, pStartNext, unused;
        path.Evaluate(before, &pEnd, &unused);
        path.Evaluate(before - h, &pEndPrev, &unused);
        path.Evaluate(t, &pStart, &unused);
        path.Evaluate(t + h, &pStartNext, &unused);
        ExpectNear(pEnd, pStart, 0.05f);
        // One-sided difference quotients of both segments agree at the joint.
        ExpectNear((pEnd - pEndPrev) / h, (pStartNext - pStart) / h, 0.3f);
    }
}

TEST(Ferguson, TangentAtAPointIsTheForwardChord) {
    Ferguson path;
    path.SetPoints(Square());
    const float h = 1e-3f;
    D3DXVECTOR3 p0, p1, unused;
    path.Evaluate(1.0f, &p0, &unused);
    path.Evaluate(1.0f + h, &p1, &unused);
    ExpectNear((p1 - p0) / h, D3DXVECTOR3(0, 5, 10), 0.05f);
}

TEST(Ferguson, AheadIsTheCircuitOneSegmentLater) {
    Ferguson path;
    path.SetPoints(Square());
    for (float t : {0.25f, 1.5f, 2.75f}) {
        D3DXVECTOR3 p, ahead, later, unused;
        path.Evaluate(t, &p, &ahead);
        path.Evaluate(std::fmod(t + 1.0f, 4.0f), &later, &unused);
        ExpectNear(ahead, later, 1e-4f);
    }
}

TEST(Ferguson, OutsideTheParameterRangeNothingIsWritten) {
    Ferguson path;
    path.SetPoints(Square());
    const D3DXVECTOR3 sentinel(-7, -7, -7);
    D3DXVECTOR3 p = sentinel, a = sentinel;
    path.Evaluate(4.0f, &p, &a);
    path.Evaluate(100.0f, &p, &a);
    path.Evaluate(-0.5f, &p, &a);
    path.Evaluate(NAN, &p, &a);
    EXPECT_EQ(p, sentinel);
    EXPECT_EQ(a, sentinel);
}

TEST(Ferguson, TranslateMovesEverySampleByExactlyTheOffset) {
    Ferguson path;
    path.SetPoints(Square());
    const D3DXVECTOR3 c = path.Centre();
    EXPECT_EQ(c, D3DXVECTOR3(5, 0, 5));
    D3DXVECTOR3 before[8], after[8], unused;
    for (int k = 0; k < 8; ++k) path.Evaluate(k * 0.5f, &before[k], &unused);
    path.Translate(c.x, c.y, c.z);  // onto its own centre: no change
    for (int k = 0; k < 8; ++k) {
        path.Evaluate(k * 0.5f, &after[k], &unused);
        EXPECT_EQ(after[k], before[k]);
    }
    const D3DXVECTOR3 d(100, -50, 25);  // exactly representable sums
    path.Translate(c.x + d.x, c.y + d.y, c.z + d.z);
    EXPECT_EQ(path.Centre(), c + d);
    for (int k = 0; k < 8; ++k) {
        path.Evaluate(k * 0.5f, &after[k], &unused);
        EXPECT_EQ(after[k], before[k] + d) << k;
    }
}

TEST(Ferguson, SinglePointCircuitStaysOnThatPoint) {
    Ferguson path;
    path.SetPoints({{5, -2, 7.5f}});
    for (float t : {0.0f, 0.3f, 0.999f}) {
        D3DXVECTOR3 p, a;
        path.Evaluate(t, &p, &a);
        EXPECT_EQ(p, D3DXVECTOR3(5, -2, 7.5f));
        EXPECT_EQ(a, D3DXVECTOR3(5, -2, 7.5f));
    }
}

TEST(Ferguson, EmptyCircuitNeverWritesAndIgnoresTranslate) {
    Ferguson path;
    ASSERT_EQ(path.InitDeviceObjects("TEST_EMPTY.FPP"), S_OK);
    EXPECT_EQ(path.Count(), 0);
    path.Translate(1, 2, 3);
    EXPECT_EQ(path.Centre(), D3DXVECTOR3());
    D3DXVECTOR3 p(9, 9, 9), a(9, 9, 9);
    path.Evaluate(0.0f, &p, &a);
    EXPECT_EQ(p, D3DXVECTOR3(9, 9, 9));
}

TEST(Ferguson, ShippedCircuitStartsAtItsFirstPointAndClosesOnIt) {
    Ferguson path;
    ASSERT_EQ(path.InitDeviceObjects("CLOCK.FPP"), S_OK);
    ASSERT_EQ(path.Count(), 49);
    D3DXVECTOR3 p, a;
    path.Evaluate(0.0f, &p, &a);
    EXPECT_EQ(p, D3DXVECTOR3(27.98963f, 9.167835f, -191.1297f));
    EXPECT_EQ(a, path.Points()[1]);
    path.Evaluate(48.9999f, &p, &a);
    ExpectNear(p, path.Points()[0], 0.5f);
}

TEST(Ferguson, MissingOrShortResourceFailsWithItsTrace) {
    Ferguson path;
    const size_t start = g_traceLog.Length();
    EXPECT_EQ(path.InitDeviceObjects("NO_SUCH.FPP"), E_FAIL);
    EXPECT_STREQ(g_traceLog.Text() + start, "\t\tFindResource...\n\t\tFailed\n");
    EXPECT_EQ(path.InitDeviceObjects("TEST_SHORT.FPP"), E_FAIL);
    EXPECT_EQ(path.Count(), 0);
}

TEST(Ferguson, DeleteDeviceObjectsEmptiesTheCircuitSafelyAndTwice) {
    Ferguson path;
    path.SetPoints(Square());
    EXPECT_EQ(path.DeleteDeviceObjects(), S_OK);
    EXPECT_EQ(path.DeleteDeviceObjects(), S_OK);
    D3DXVECTOR3 p(1, 1, 1), a;
    path.Evaluate(0.5f, &p, &a);
    path.Translate(0, 0, 0);
    EXPECT_EQ(p, D3DXVECTOR3(1, 1, 1));
}
}  // namespace
