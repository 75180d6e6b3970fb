// The lead bird's waypoints and flight, on the CPU.
#include <gtest/gtest.h>

#include <cmath>

#include "flock/goal.h"
#include "platform/system/lcg_random.h"
#include "platform/system/system_clock.h"
#include "world/model_instance.h"

namespace {
constexpr float kDt = 0.03f;

// A Goal at the origin heading along +z (yaw 0), at its default base speed, with an instance
// so that its pose can be read.
struct LevelGoal {
    LevelGoal() {
        SaverSettings settings;
        goal.ApplySettings(settings);
        goal.m_vPos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        goal.m_vDir = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        goal.m_fCurSpeed = goal.m_fSpeed;
        goal.m_pInstance = new ModelInstance();
    }
    Goal goal;
};

TEST(Goal, ConstructionSeedsWithTheTickCountAndDrawsTheFirstWaypointInTheBox) {
    StartManualClock(4321u * 1000u);
    Goal goal;
    StopManualClock();
    RandomSeed(4321u);
    const float r1 = RandomFractionF(), r2 = RandomFractionF(), r3 = RandomFractionF();
    const float r4 = RandomFractionF(), r5 = RandomFractionF(), r6 = RandomFractionF();
    EXPECT_EQ(goal.m_vWaypoint,
              D3DXVECTOR3((r4 - r5) * 2500.0f, (r2 - r3) * 200.0f, (r6 - r1) * 2500.0f));
    EXPECT_EQ(goal.m_vPos, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    EXPECT_EQ(goal.m_vDir, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(goal.m_fWaypointInterval, 20.0f);
    EXPECT_EQ(goal.m_bSkinned, 1);
    EXPECT_EQ(goal.m_bNight, 1);

    SaverSettings settings;
    settings.speedPercent = 200;
    settings.night = 0;
    settings.skinnedModels = 0;
    goal.ApplySettings(settings);
    EXPECT_FLOAT_EQ(goal.m_fSpeed, 1.2f);
    EXPECT_EQ(goal.m_bNight, 0);
    EXPECT_EQ(goal.m_bSkinned, 0);
}

TEST(Goal, TheFirstWaypointChangesOnlyOnceMoreThanTwentySecondsHavePassed) {
    Goal goal;
    const D3DXVECTOR3 first = goal.m_vWaypoint;
    goal.ChooseWaypoint(20.0f);  // exactly the interval: not yet
    EXPECT_EQ(goal.m_vWaypoint, first);
    EXPECT_EQ(goal.m_fWaypointTimer, 20.0f);

    Goal framed;
    const D3DXVECTOR3 start = framed.m_vWaypoint;
    int calls = 0;
    while (framed.m_vWaypoint == start && calls < 1000) {
        framed.ChooseWaypoint(kDt);
        ++calls;
    }
    EXPECT_EQ(calls, 667);  // 666 frames are 19.98 s
    EXPECT_EQ(framed.m_fWaypointTimer, 0.0f);
}

TEST(Goal, AChangeDrawsSixForTheWaypointThenTwoForAnIntervalFromTheDistanceToTheLastOne) {
    Goal goal;
    RandomSeed(99u);
    goal.ChooseWaypoint(25.0f);
    const uint32_t after = RandomState();

    RandomSeed(99u);
    const float r1 = RandomFractionF(), r2 = RandomFractionF(), r3 = RandomFractionF();
    const float r4 = RandomFractionF(), r5 = RandomFractionF(), r6 = RandomFractionF();
    const D3DXVECTOR3 waypoint((r4 - r5) * 2500.0f, (r2 - r3) * 200.0f, (r6 - r1) * 2500.0f);
    const float r7 = RandomFractionF(), r8 = RandomFractionF();
    // The first change measures from the origin.
    const float d = D3DXVec3Length(&waypoint);
    EXPECT_EQ(goal.m_vWaypoint, waypoint);
    EXPECT_EQ(goal.m_fWaypointInterval, (r8 - r7) * 40.0f + 40.0f * (d / 2500.0f));
    EXPECT_EQ(RandomState(), after);  // eight draws, no more

    // The next change measures from the waypoint before it.
    RandomSeed(7u);
    goal.ChooseWaypoint(goal.m_fWaypointInterval + 1.0f);
    RandomSeed(7u);
    const float s1 = RandomFractionF(), s2 = RandomFractionF(), s3 = RandomFractionF();
    const float s4 = RandomFractionF(), s5 = RandomFractionF(), s6 = RandomFractionF();
    const D3DXVECTOR3 next((s4 - s5) * 2500.0f, (s2 - s3) * 200.0f, (s6 - s1) * 2500.0f);
    const float s7 = RandomFractionF(), s8 = RandomFractionF();
    const D3DXVECTOR3 jump = next - waypoint;
    const float e = D3DXVec3Length(&jump);
    EXPECT_EQ(goal.m_fWaypointInterval, (s8 - s7) * 40.0f + 40.0f * (e / 2500.0f));
}

TEST(Goal, AnIntervalAtOrBelowZeroChoosesAgainAtTheNextCall) {
    for (float interval : {0.0f, -12.5f}) {
        Goal goal;
        goal.m_fWaypointInterval = interval;
        const D3DXVECTOR3 before = goal.m_vWaypoint;
        goal.ChooseWaypoint(0.001f);
        EXPECT_NE(goal.m_vWaypoint, before) << interval;
        EXPECT_EQ(goal.m_fWaypointTimer, 0.0f);
    }
}

TEST(Goal, AWaypointStraightBehindLeavesTheYawRateAndTheGeneratorAlone) {
    for (float rate : {0.3f, 0.004f, -0.7f}) {
        LevelGoal level;
        Goal& goal = level.goal;
        goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, -1000.0f);
        goal.m_fYawRate = rate;
        RandomSeed(5u);
        goal.Update(kDt);
        EXPECT_EQ(goal.m_fYawRate, rate);
        EXPECT_EQ(goal.m_fYaw, rate * kDt);
        EXPECT_EQ(goal.m_fRoll, -0.25f * rate);
        EXPECT_EQ(RandomState(), 5u);
    }
}

TEST(Goal, AheadASmallYawRateBecomesPlusOrMinusAHundredthByTheParityOfOneDraw) {
    for (uint32_t seed = 1; seed < 5; ++seed) {
        LevelGoal level;
        Goal& goal = level.goal;
        goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 1000.0f);
        goal.m_fYawRate = 0.005f;
        RandomSeed(seed);
        const int draw = RandomDraw();
        RandomSeed(seed);
        goal.Update(kDt);
        EXPECT_EQ(goal.m_fYawRate, draw % 2 == 0 ? 0.01f : -0.01f) << seed;
    }
    // Outside the band the rate recovers by 20 per second and may overshoot.
    LevelGoal level;
    level.goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 1000.0f);
    level.goal.m_fYawRate = 0.5f;
    level.goal.Update(kDt);
    EXPECT_FLOAT_EQ(level.goal.m_fYawRate, 0.5f - 20.0f * kDt);
}

TEST(Goal, AWaypointToOneSideTurnsAtAStepGrowingWithTheAngleUpToTheRateLimit) {
    LevelGoal level;
    Goal& goal = level.goal;
    goal.m_vWaypoint = D3DXVECTOR3(1000.0f, 0.0f, 0.0f);  // to the right, p = 0
    goal.Update(kDt);
    EXPECT_FLOAT_EQ(goal.m_fYawRate, -1.0f * kDt);  // toward +x is negative yaw

    goal.m_fYawRate = -1.0f;  // at the limit it no longer grows
    goal.Update(kDt);
    EXPECT_EQ(goal.m_fYawRate, -1.0f);
}

TEST(Goal, InTheLevelBandAPitchSwingsAboutZeroInsteadOfSettling) {
    LevelGoal level;
    Goal& goal = level.goal;
    goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 1000.0f);
    goal.m_fPitch = 0.002f;
    goal.Update(kDt);  // 0.002 - 0.003 = -0.001, then -0.001 + 0.003
    EXPECT_EQ(goal.m_fPitch, 0.002f - 0.1f * kDt + 0.1f * kDt);
    EXPECT_NEAR(goal.m_fPitch, 0.002f, 1e-6f);

    // Climbing is driven at 0.1 rad/s up to the limit of 0.8.
    goal.m_vWaypoint = D3DXVECTOR3(0.0f, 1000.0f, 10.0f);
    goal.m_fPitch = 0.799f;
    goal.Update(kDt);
    EXPECT_EQ(goal.m_fPitch, 0.8f);
}

TEST(Goal, TheTurnsSpeedChangeComesAfterTheClampAndMayLeaveTheBand) {
    LevelGoal level;
    Goal& goal = level.goal;
    const float base = goal.m_fSpeed;
    goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 1000.0f);  // ahead
    goal.m_fCurSpeed = 10.0f * base;
    goal.Update(kDt);
    EXPECT_FLOAT_EQ(goal.m_fCurSpeed, 2.0f * base + 0.5f * base * kDt);

    LevelGoal behind;
    behind.goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, -1000.0f);
    behind.goal.m_fCurSpeed = 0.0f;  // the construction value: the clamp lifts it first
    behind.goal.Update(kDt);
    EXPECT_FLOAT_EQ(behind.goal.m_fCurSpeed, base / 2.0f - 0.25f * base * kDt);
    // The move uses the speed after the change.
    EXPECT_FLOAT_EQ(behind.goal.m_vPos.z, behind.goal.m_fCurSpeed * 100.0f * kDt);
}

TEST(Goal, TheMovePosesTheOldPositionAndFliesAlongTheHeadingOfTheAngles) {
    LevelGoal level;
    Goal& goal = level.goal;
    goal.m_vPos = D3DXVECTOR3(30.0f, 40.0f, 50.0f);
    goal.m_vWaypoint = D3DXVECTOR3(-500.0f, 150.0f, 900.0f);
    goal.m_fYaw = 0.4f;
    goal.m_fPitch = 0.2f;
    goal.Update(kDt);
    const D3DXMATRIX& world = goal.m_pInstance->m_matWorld;
    EXPECT_EQ(D3DXVECTOR3(world._41, world._42, world._43), D3DXVECTOR3(30.0f, 40.0f, 50.0f));
    const float yaw = goal.m_fYaw, pitch = goal.m_fPitch;
    EXPECT_NEAR(goal.m_vDir.x, -std::sin(yaw) * std::cos(pitch), 1e-6f);
    EXPECT_NEAR(goal.m_vDir.y, std::sin(pitch), 1e-6f);
    EXPECT_NEAR(goal.m_vDir.z, std::cos(yaw) * std::cos(pitch), 1e-6f);
    const float step = goal.m_fCurSpeed * 100.0f * kDt;
    EXPECT_NEAR(goal.m_vPos.x, 30.0f + goal.m_vDir.x * step, 1e-4f);
    EXPECT_NEAR(goal.m_vPos.z, 50.0f + goal.m_vDir.z * step, 1e-4f);
    EXPECT_EQ(goal.m_fRoll, -0.25f * goal.m_fYawRate);
}

TEST(Goal, ABirdMoreThan20000FromTheOriginBeforeItsMoveEndsAtTheOrigin) {
    LevelGoal level;
    Goal& goal = level.goal;
    goal.m_vPos = D3DXVECTOR3(20000.5f, 0.0f, 0.0f);  // even while flying back in
    goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    goal.Update(kDt);
    EXPECT_EQ(goal.m_vPos, D3DXVECTOR3(0.0f, 0.0f, 0.0f));

    LevelGoal inside;
    inside.goal.m_vPos = D3DXVECTOR3(0.0f, 0.0f, 19999.0f);
    inside.goal.m_vWaypoint = D3DXVECTOR3(0.0f, 0.0f, 30000.0f);
    inside.goal.Update(kDt);
    EXPECT_GT(inside.goal.m_vPos.z, 19999.0f);
}

TEST(Goal, AFlightOfTenMinutesStaysFiniteNearTheWaypointBox) {
    LevelGoal level;
    Goal& goal = level.goal;
    RandomSeed(2024u);
    float farthest = 0.0f;
    for (int frame = 0; frame < 20000; ++frame) {
        goal.ChooseWaypoint(kDt);
        goal.Update(kDt);
        ASSERT_TRUE(std::isfinite(goal.m_vPos.x + goal.m_vPos.y + goal.m_vPos.z)) << frame;
        farthest = std::fmax(farthest, D3DXVec3Length(&goal.m_vPos));
    }
    EXPECT_LT(farthest, 6000.0f);
    EXPECT_LE(std::fabs(goal.m_fPitch), 0.8f);
}
}  // namespace
