// The whale's keys and flight, on the CPU.
#include <gtest/gtest.h>

#include <cmath>

#include "flock/goal_user.h"
#include "platform/system/lcg_random.h"
#include "world/model_instance.h"

namespace {
constexpr float kDt = 0.03f;

struct Whale {
    Whale() { whale.m_pInstance = new ModelInstance(); }
    GoalUser whale;
};

TEST(GoalUser, EachKeyActsOnItsOwnAndOppositeKeysCancel) {
    GoalUser whale;
    KeyState keys;
    keys.w = keys.d = keys.e = 1;
    whale.ApplyKeys(keys, kDt);
    EXPECT_FLOAT_EQ(whale.m_fThrust, 70.0f * kDt);
    EXPECT_FLOAT_EQ(whale.m_fYawRate, -1.0f * kDt);   // D turns right
    EXPECT_FLOAT_EQ(whale.m_fPitchRate, 0.4f * kDt);  // E lifts the nose

    KeyState opposite;
    opposite.s = opposite.a = opposite.q = 1;
    whale.ApplyKeys(opposite, kDt);
    EXPECT_EQ(whale.m_fThrust, 0.0f);
    EXPECT_EQ(whale.m_fYawRate, 0.0f);
    EXPECT_EQ(whale.m_fPitchRate, 0.0f);

    // All six together, from values that do not cancel exactly.
    whale.m_fThrust = 3.3f;
    whale.m_fYawRate = -0.7f;
    whale.m_fPitchRate = 0.11f;
    KeyState all;
    all.w = all.s = all.d = all.a = all.e = all.q = 1;
    all.up = all.escape = 1;  // not the whale's keys
    whale.ApplyKeys(all, kDt);
    EXPECT_NEAR(whale.m_fThrust, 3.3f, 1e-6f);
    EXPECT_NEAR(whale.m_fYawRate, -0.7f, 1e-6f);
    EXPECT_NEAR(whale.m_fPitchRate, 0.11f, 1e-6f);
    EXPECT_EQ(whale.m_fYaw, 0.0f);  // keys change rates only
}

TEST(GoalUser, WithNoKeyTheThrottleDecaysOnlyWhileBeyondATenthAndTheSpeedSettlesNearIt) {
    Whale w;
    GoalUser& whale = w.whale;
    whale.m_fThrust = 0.2f;
    float previous = whale.m_fThrust;
    for (int frame = 0; frame < 200; ++frame) {
        whale.Update(kDt);
        if (previous > 0.1f)
            EXPECT_FLOAT_EQ(whale.m_fThrust, previous - previous * 0.5f * kDt);
        else
            EXPECT_EQ(whale.m_fThrust, previous);
        previous = whale.m_fThrust;
    }
    EXPECT_LE(whale.m_fThrust, 0.1f);
    EXPECT_GT(whale.m_fThrust, 0.1f * (1.0f - 0.5f * kDt));
    for (int frame = 0; frame < 2000; ++frame)
        whale.Update(kDt);
    EXPECT_NEAR(whale.m_fCurSpeed, whale.m_fThrust / 0.99f, 1e-5f);

    // The same below -0.1.
    Whale back;
    back.whale.m_fThrust = -0.15f;
    back.whale.Update(kDt);
    EXPECT_FLOAT_EQ(back.whale.m_fThrust, -0.15f + 0.15f * 0.5f * kDt);
}

TEST(GoalUser, TheSpeedLagsTheThrottleAndStopsAtZeroWeightForLongSteps) {
    Whale w;
    w.whale.m_fThrust = 0.05f;  // inside the dead band: constant
    w.whale.m_fCurSpeed = 2.0f;
    w.whale.Update(kDt);
    EXPECT_FLOAT_EQ(w.whale.m_fCurSpeed, 0.05f * kDt + (1.0f - 0.99f * kDt) * 2.0f);

    Whale slow;
    slow.whale.m_fThrust = 0.05f;
    slow.whale.m_fCurSpeed = 2.0f;
    slow.whale.Update(1.5f);  // 1 - 0.99 x 1.5 is negative: the old speed counts for nothing
    EXPECT_FLOAT_EQ(slow.whale.m_fCurSpeed, 0.05f * 1.5f);
}

TEST(GoalUser, RatesInsideAHundredthStayAndLargerOnesDecay) {
    Whale w;
    GoalUser& whale = w.whale;
    whale.m_fYawRate = 0.009f;
    whale.m_fPitchRate = -0.01f;
    whale.Update(kDt);
    EXPECT_EQ(whale.m_fYawRate, 0.009f);
    EXPECT_EQ(whale.m_fPitchRate, -0.01f);

    whale.m_fYawRate = -0.5f;
    whale.m_fPitchRate = 0.3f;
    whale.Update(kDt);
    EXPECT_FLOAT_EQ(whale.m_fYawRate, -0.5f + 0.5f * 0.9f * kDt);
    EXPECT_FLOAT_EQ(whale.m_fPitchRate, 0.3f - 0.3f * 0.9f * kDt);
}

TEST(GoalUser, EHeldAtThePitchLimitKeepsThePitchThereBeforeTheLevelling) {
    Whale w;
    GoalUser& whale = w.whale;
    whale.m_fPitch = 0.6f;
    whale.m_fPitchRate = 0.2f;
    KeyState keys;
    keys.e = 1;
    whale.ApplyKeys(keys, kDt);
    whale.Update(kDt);
    EXPECT_FLOAT_EQ(whale.m_fPitch, 0.6f - 0.12f * kDt);

    whale.m_fPitch = -0.6f;
    whale.m_fPitchRate = -0.2f;
    whale.Update(kDt);
    EXPECT_FLOAT_EQ(whale.m_fPitch, -0.6f + 0.12f * kDt);
}

TEST(GoalUser, TheMoveIsInUnitsPerSecondAlongTheHeadingWithoutRoll) {
    Whale w;
    GoalUser& whale = w.whale;
    whale.m_fYaw = 0.5f;
    whale.m_fPitch = 0.25f;
    whale.m_fYawRate = 0.4f;  // turning: the whale still does not bank
    whale.m_fCurSpeed = 200.0f;
    whale.Update(kDt);
    const D3DXMATRIX& world = whale.m_pInstance->m_matWorld;
    EXPECT_EQ(D3DXVECTOR3(world._41, world._42, world._43), D3DXVECTOR3(1000.0f, 0.0f, -500.0f));
    EXPECT_NEAR(world._12, 0.0f, 1e-7f);  // the right axis stays level
    const float yaw = whale.m_fYaw, pitch = whale.m_fPitch;
    EXPECT_NEAR(whale.m_vDir.x, -std::sin(yaw) * std::cos(pitch), 1e-6f);
    EXPECT_NEAR(whale.m_vDir.y, std::sin(pitch), 1e-6f);
    EXPECT_NEAR(whale.m_vDir.z, std::cos(yaw) * std::cos(pitch), 1e-6f);
    const float step = whale.m_fCurSpeed * kDt;  // no factor of 100
    EXPECT_NEAR(whale.m_vPos.x, 1000.0f + whale.m_vDir.x * step, 1e-3f);
    EXPECT_NEAR(whale.m_vPos.y, whale.m_vDir.y * step, 1e-3f);
    EXPECT_NEAR(whale.m_vPos.z, -500.0f + whale.m_vDir.z * step, 1e-3f);
}

TEST(GoalUser, AStepThatWouldLeaveThe15000SphereStopsTheWhaleDeadWhereItWas) {
    Whale w;
    GoalUser& whale = w.whale;
    whale.m_vPos = D3DXVECTOR3(14999.0f, 0.0f, 0.0f);
    whale.m_fYaw = -1.5707964f;  // heading +x
    whale.m_fCurSpeed = 100.0f;
    whale.m_fThrust = 50.0f;
    whale.Update(kDt);
    EXPECT_EQ(whale.m_vPos, D3DXVECTOR3(14999.0f, 0.0f, 0.0f));
    EXPECT_EQ(whale.m_fCurSpeed, 0.0f);
    EXPECT_EQ(whale.m_fThrust, 0.0f);

    // Turned round and throttled up, it flies again.
    whale.m_fYaw = 1.5707964f;
    KeyState keys;
    keys.w = 1;
    whale.ApplyKeys(keys, kDt);
    whale.Update(kDt);
    whale.Update(kDt);
    EXPECT_LT(whale.m_vPos.x, 14999.0f);
}

TEST(GoalUser, HoldingWFlightStaysInsideTheSphereAndUsesNoRandomDraws) {
    Whale w;
    GoalUser& whale = w.whale;
    RandomSeed(77u);
    KeyState keys;
    keys.w = keys.a = 1;
    for (int frame = 0; frame < 40000; ++frame) {
        whale.ApplyKeys(keys, kDt);
        whale.Update(kDt);
        ASSERT_LE(D3DXVec3Length(&whale.m_vPos), 15000.0f) << frame;
        ASSERT_TRUE(std::isfinite(whale.m_fCurSpeed + whale.m_fThrust + whale.m_fYaw)) << frame;
    }
    EXPECT_EQ(RandomState(), 77u);
}
}  // namespace
