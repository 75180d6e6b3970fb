// The flock's simulation without a device: settings, the start state of a seed, the pair step's
// radius, the steering vector's cases, the somersault clock and manoeuvre, the move, the
// recovery jumps, coincident birds and a short soak.
#include "flock/boids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/saver_settings.h"
#include "platform/system/lcg_random.h"
#include "world/background_object.h"

namespace {
constexpr float kDt = 0.03f;

BackGroundObject g_noObstacles1, g_noObstacles2;

// A flock with the default settings and these positions, every bird heading along +z (the
// rest of its start state drawn as at set-up).
void MakeFlock(Boids* boids, const std::vector<D3DXVECTOR3>& positions) {
    boids->ApplySettings(SaverSettings());
    boids->m_nBoids = static_cast<int32_t>(positions.size());
    ASSERT_EQ(boids->CreateBirds(), S_OK);
    for (size_t i = 0; i < positions.size(); ++i) {
        boids->m_pBoids[i].vPos = positions[i];
        boids->m_pBoids[i].vDir = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        boids->m_pBoids[i].fSpeed = boids->m_fSpeed;
    }
}

void Step(Boids* boids, const D3DXVECTOR3& target, float dt = kDt) {
    boids->Update(target, g_noObstacles1, g_noObstacles2, dt);
}

bool Finite(const D3DXVECTOR3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Every float of a bird is finite.
bool Finite(const Boid& b) {
    for (const D3DXVECTOR3& v :
         {b.vPos, b.vDir, b.vSeparation, b.vAlignment, b.vCohesion, b.vToCenter, b.vToTarget})
        if (!Finite(v))
            return false;
    for (float f :
         {b.fSpeed, b.fYaw, b.fPitch, b.fRoll, b.fPitchRate, b.fYawRate, b.fLoopAngle, b.fLoopRate})
        if (!std::isfinite(f))
            return false;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(b.m_matWorld.m[r][c]))
                return false;
    return true;
}

float Length(const D3DXVECTOR3& v) {
    return D3DXVec3Length(&v);
}
}  // namespace

TEST(BoidsSettings, ConstructionValuesThenTheSettingsCopiedInFloats) {
    Boids boids;
    EXPECT_EQ(boids.m_nBoids, 40);
    EXPECT_EQ(boids.m_bSkinned, 1);
    EXPECT_EQ(boids.m_bAvoidObstacles, 1);
    EXPECT_EQ(boids.m_bLoop, 0);
    EXPECT_EQ(boids.m_fLoopInterval, 50.0f);
    EXPECT_EQ(boids.m_bNight, 1);
    EXPECT_EQ(boids.m_fAlignment, 0.25f);

    SaverSettings settings;
    settings.speedPercent = 150;
    settings.alignmentPercent = 40;
    settings.night = 2;
    boids.ApplySettings(settings);
    EXPECT_EQ(boids.m_nBoids, 50);
    EXPECT_EQ(boids.m_bAvoidObstacles, 0);
    EXPECT_EQ(boids.m_bLoop, 1);
    EXPECT_EQ(boids.m_bNight, 2);
    EXPECT_EQ(boids.m_fRadius, 400.0f);
    EXPECT_EQ(boids.m_fSpeed, 150.0f / 100.0f * 0.6f + 0.6f);
    EXPECT_EQ(boids.m_fAlignment, 0.4f);
    EXPECT_EQ(boids.m_fTargetWeight, 1.0f);
}

TEST(BoidsStart, FifteenDrawsPerBirdPlaceItInTheCubeAboutTheStartPoint) {
    Boids boids;
    boids.ApplySettings(SaverSettings());
    RandomSeed(777);
    ASSERT_EQ(boids.CreateBirds(), S_OK);
    ASSERT_EQ(boids.m_nBoids, 50);

    RandomSeed(777);
    int skins[2] = {};
    for (int i = 0; i < boids.m_nBoids; ++i) {
        const Boid& b = boids.m_pBoids[i];
        float r[14];
        for (float& f : r)
            f = static_cast<float>(RandomDraw() / 32767.0);
        const int fifteenth = RandomDraw();
        EXPECT_EQ(b.vPos, D3DXVECTOR3((r[9] - r[10]) * 33.0f + 200.0f, (r[7] - r[8]) * 33.0f + 1.0f,
                                      (r[11] - r[6]) * 33.0f + 200.0f));
        EXPECT_LE(std::fabs(b.vPos.x - 200.0f), 33.0f);
        EXPECT_LE(std::fabs(b.vPos.y - 1.0f), 33.0f);
        EXPECT_LE(std::fabs(b.vPos.z - 200.0f), 33.0f);
        D3DXVECTOR3 dir(r[3] - r[4], r[1] - r[2], r[5] - r[0]);
        D3DXVec3Normalize(&dir, &dir);
        EXPECT_EQ(b.vDir, dir);
        EXPECT_EQ(b.fLoopAngle, 0.0f - r[12] * 1.0471976f);
        EXPECT_EQ(b.fLoopRate, r[13] * 0.05f + 0.45f);
        EXPECT_EQ(b.nSkin, fifteenth % 2);
        ++skins[b.nSkin];
        EXPECT_EQ(b.fSpeed, boids.m_fSpeed);
        EXPECT_EQ(b.fYaw + b.fPitch + b.fRoll + b.fPitchRate + b.fYawRate, 0.0f);
        EXPECT_EQ(b.bLoop + b.bLoopStarted + b.bAvoiding + b.nNeighbours, 0);
        EXPECT_EQ(b.m_pModel, nullptr);
    }
    EXPECT_GT(skins[0], 0);
    EXPECT_GT(skins[1], 0);
    // The generator stands exactly after the last bird's fifteenth draw.
    const uint32_t after = RandomState();
    RandomSeed(777);
    for (int k = 0; k < 15 * 50; ++k)
        RandomDraw();
    EXPECT_EQ(RandomState(), after);
}

TEST(BoidsStart, ACountBelowOneIsRefusedLikeAFailedAllocation) {
    Boids boids;
    boids.m_nBoids = 0;
    EXPECT_EQ(boids.CreateBirds(), E_FAIL);
    EXPECT_EQ(boids.m_pBoids, nullptr);
    Step(&boids, D3DXVECTOR3());  // nothing to fly, nothing to divide by
    EXPECT_EQ(boids.DestroyObjects(), S_OK);
}

TEST(BoidsPairs, OnlyPairsStrictlyNearerThanTheRadiusAreNeighbours) {
    Boids boids;
    // Birds 0 and 1 exactly 400 apart; bird 2 just inside the radius of bird 1.
    MakeFlock(&boids, {{0, 0, 0}, {400, 0, 0}, {400, 0, 399.5f}});
    Step(&boids, D3DXVECTOR3(300, 0, 100));
    EXPECT_EQ(boids.m_pBoids[0].nNeighbours, 0);
    EXPECT_EQ(boids.m_pBoids[0].vSeparation, D3DXVECTOR3());
    EXPECT_EQ(boids.m_pBoids[1].nNeighbours, 1);
    EXPECT_EQ(boids.m_pBoids[2].nNeighbours, 1);
    // The pair pushes both birds apart by d / (0.3 dist^2), in opposite directions.
    const float k = 1.0f / (399.5f * 399.5f * 0.3f);
    EXPECT_EQ(boids.m_pBoids[1].vSeparation, D3DXVECTOR3(0.0f, 0.0f, -399.5f * k));
    EXPECT_EQ(boids.m_pBoids[2].vSeparation, D3DXVECTOR3(0.0f, 0.0f, 399.5f * k));
    // Cohesion points at the one neighbour.
    EXPECT_EQ(boids.m_pBoids[1].vCohesion, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
}

TEST(BoidsPairs, CoincidentBirdsStayFiniteAndStillCountAsNeighbours) {
    Boids boids;
    MakeFlock(&boids, std::vector<D3DXVECTOR3>(6, D3DXVECTOR3(10, 20, 30)));
    for (int i = 0; i < boids.m_nBoids; ++i)
        boids.m_pBoids[i].fYaw = 0.5f * i;
    Step(&boids, D3DXVECTOR3(10, 20, 30));
    for (int i = 0; i < boids.m_nBoids; ++i) {
        const Boid& b = boids.m_pBoids[i];
        EXPECT_EQ(b.nNeighbours, 5);
        EXPECT_EQ(b.vSeparation, D3DXVECTOR3());
        EXPECT_TRUE(Finite(b)) << i;
    }
    // Their headings part them, and no NaN enters on the way.
    for (int frame = 0; frame < 3000; ++frame) {
        Step(&boids, D3DXVECTOR3(10, 20, 30));
        for (int i = 0; i < boids.m_nBoids; ++i)
            ASSERT_TRUE(Finite(boids.m_pBoids[i])) << frame;
    }
    EXPECT_NE(boids.m_pBoids[0].vPos, boids.m_pBoids[1].vPos);
}

TEST(BoidsSteering, ABirdWithoutNeighboursSteersByTheCentreAndTheTargetAlone) {
    // Two birds 500 apart (no pair), each 250 from the centroid; the target above bird 0. The
    // neighbour weights cannot matter then.
    Boids a, b;
    for (Boids* boids : {&a, &b})
        MakeFlock(boids, {{0, 0, 0}, {0, 0, 500}});
    b.m_fSeparation = b.m_fAlignment = b.m_fCohesion = 1000.0f;
    for (Boids* boids : {&a, &b})
        Step(boids, D3DXVECTOR3(0, 300, 0));
    const Boid& bird = a.m_pBoids[0];
    EXPECT_EQ(bird.nNeighbours, 0);
    EXPECT_EQ(bird.vAlignment, D3DXVECTOR3());
    EXPECT_EQ(bird.vCohesion, D3DXVECTOR3());
    EXPECT_EQ(bird.vToCenter, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(bird.vToTarget, D3DXVECTOR3(0, 1, 0));
    // s = (0, 1, 1) shortened: it climbs and, with the wanted way ahead, speeds up (then relaxes).
    EXPECT_EQ(bird.fPitchRate, kDt);
    const float speed = a.m_fSpeed + 0.5f * a.m_fSpeed * kDt - 0.3f * a.m_fSpeed * kDt;
    EXPECT_EQ(bird.fSpeed, speed);
    EXPECT_EQ(bird.fYawRate, 0.0f);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a.m_pBoids[i].vPos, b.m_pBoids[i].vPos);
        EXPECT_EQ(a.m_pBoids[i].fPitch, b.m_pBoids[i].fPitch);
    }
}

TEST(BoidsSteering, ABirdAtTheCentroidHasNoPullTowardIt) {
    Boids boids;
    MakeFlock(&boids, {{-100, 0, 0}, {0, 0, 0}, {100, 0, 0}});
    Step(&boids, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(boids.m_vCenter, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(boids.m_pBoids[1].vToCenter, D3DXVECTOR3());
    EXPECT_EQ(boids.m_pBoids[0].vToCenter, D3DXVECTOR3(1, 0, 0));
}

TEST(BoidsSteering, ARadiusFromTheCentroidIsNoStraggler) {
    // Bird 0 is exactly 400 from the centroid: it steers by the target (which is far), not by
    // the centre. The target lies above, the centre level: only the target would climb.
    Boids boids;
    MakeFlock(&boids, {{-400, 0, 0}, {400, 0, 0}});
    Step(&boids, D3DXVECTOR3(-400, 1000, 0));
    EXPECT_EQ(boids.m_pBoids[0].fPitchRate, kDt);
    // Bird 1 is 400 away too but its target lies beyond: it follows the target as well, which is
    // mostly behind it and above, so it turns and slows.
    EXPECT_EQ(boids.m_pBoids[1].fPitchRate, kDt);

    Boids straggler;
    MakeFlock(&straggler, {{-401, 0, 0}, {401, 0, 0}});
    Step(&straggler, D3DXVECTOR3(-401, 1000, 0));
    EXPECT_EQ(straggler.m_pBoids[0].fPitchRate, 0.0f) << "a straggler heads for the centre";
}

TEST(BoidsSteering, AVerticalSteeringVectorSlowsTheBirdAndKeepsItsYawRate) {
    Boids boids;
    MakeFlock(&boids, {{0, 0, 0}});
    boids.m_pBoids[0].fYawRate = 0.5f;
    Step(&boids, D3DXVECTOR3(0, 1000, 0));
    const Boid& b = boids.m_pBoids[0];
    EXPECT_EQ(b.fYawRate, 0.5f);
    EXPECT_EQ(b.fYaw, 0.5f * kDt);
    EXPECT_EQ(b.fRoll, -0.3f * 0.5f);
    const float m = boids.m_fSpeed;
    EXPECT_EQ(b.fSpeed, m - 0.5f * m * kDt + 0.3f * m * kDt);
}

TEST(BoidsSteering, ASteeringVectorIsShortenedToOneButNeverLengthened) {
    // The target 1000 away, 10.4 degrees up: vToTarget.y is about 0.18. With the target weight
    // 0.5, s.y is about 0.09 and the pitch levels; lengthened it would climb.
    const D3DXVECTOR3 up(0.0f, 180.0f, 983.7f);
    Boids shortS;
    MakeFlock(&shortS, {{0, 0, 0}});
    shortS.m_fTargetWeight = 0.5f;
    Step(&shortS, up);
    EXPECT_NEAR(shortS.m_pBoids[0].vToTarget.y, 0.18f, 1e-3f);
    EXPECT_EQ(shortS.m_pBoids[0].fPitchRate, 0.0f);

    // With weight 2 at a 3.4 degree slope, s.y is 0.12 before shortening (it would climb) and
    // 0.06 after (it levels).
    Boids longS;
    MakeFlock(&longS, {{0, 0, 0}});
    longS.m_fTargetWeight = 2.0f;
    Step(&longS, D3DXVECTOR3(0.0f, 60.0f, 998.2f));
    EXPECT_EQ(longS.m_pBoids[0].fPitchRate, 0.0f);
}

TEST(BoidsSomersault, FirstAfterFiftySecondsThenEveryFiftySixToEightyFour) {
    Boids boids;
    MakeFlock(&boids, {{0, 0, 0}, {50, 0, 0}, {0, 50, 0}});
    ASSERT_EQ(boids.m_bLoop, 1);
    RandomSeed(5);
    std::vector<int> starts;
    for (int frame = 0; frame < 20000 && starts.size() < 4; ++frame) {
        const float before = boids.m_fLoopTimer;
        Step(&boids, D3DXVECTOR3(0, 0, 0));
        if (boids.m_fLoopTimer == 0.0f && before > 0.0f) {
            starts.push_back(frame);
            EXPECT_TRUE(boids.m_fLoopInterval >= 56.0f && boids.m_fLoopInterval <= 84.0f);
        }
    }
    ASSERT_EQ(starts.size(), 4u);
    // 50 s of 0.03 s steps: the timer passes 50 on the 1667th step (1666 steps sum to 49.98).
    EXPECT_EQ(starts[0], 1666);
    for (size_t k = 1; k < starts.size(); ++k) {
        const float gap = (starts[k] - starts[k - 1]) * kDt;
        EXPECT_GE(gap, 56.0f);
        EXPECT_LE(gap, 84.0f + kDt);
    }
}

TEST(BoidsSomersault, EveryBirdLevelsOutLoopsOnceAndReturnsToSteering) {
    Boids boids;
    MakeFlock(&boids, {{0, 0, 0}, {50, 0, 0}, {0, 50, 0}, {0, 0, 50}});
    boids.m_fLoopInterval = 0.0f;  // the next clock step starts a somersault
    for (int i = 0; i < boids.m_nBoids; ++i) {
        boids.m_pBoids[i].fPitch = 0.2f;
        boids.m_pBoids[i].fRoll = -0.2f;
        boids.m_pBoids[i].fLoopAngle = -0.3f;
        boids.m_pBoids[i].fLoopRate = 0.5f;
    }
    Step(&boids, D3DXVECTOR3());
    const Boid& b = boids.m_pBoids[0];
    ASSERT_EQ(b.bLoop, 1);
    // Pitch first, roll after it; the speed and the rates stand.
    EXPECT_EQ(b.fPitch, 0.2f - 0.2f * 0.7f * kDt);
    EXPECT_EQ(b.fRoll, -0.2f);
    const float speed = b.fSpeed;
    float highestPitch = 0.0f, lowestRoll = 0.0f;
    int frames = 1;
    while (b.bLoop && frames < 10000) {
        Step(&boids, D3DXVECTOR3());
        ++frames;
        if (b.bLoop) {
            EXPECT_EQ(b.fSpeed, speed);
        }
        highestPitch = std::fmax(highestPitch, b.fPitch);
        lowestRoll = std::fmin(lowestRoll, b.fRoll);
    }
    ASSERT_EQ(b.bLoop, 0);
    EXPECT_GT(highestPitch, 6.2f);                // a full loop
    EXPECT_NEAR(lowestRoll, -6.2831855f, 1e-6f);  // with one full roll
    EXPECT_LE(b.fLoopAngle, 0.0f);                // a new wait before the next one
    EXPECT_GE(b.fLoopAngle, -1.0471976f);
    // Levelling takes a few seconds, the loop 2 pi / 0.5 = 12.6 s after the 0.3 rad wait.
    EXPECT_GT(frames * kDt, 13.0f);
    EXPECT_LT(frames * kDt, 20.0f);
}

TEST(BoidsSomersault, NoneWithLoopsOff) {
    Boids boids;
    MakeFlock(&boids, {{0, 0, 0}, {50, 0, 0}, {0, 50, 0}});
    boids.m_bLoop = 0;
    for (int frame = 0; frame < 5000; ++frame) {
        Step(&boids, D3DXVECTOR3(0, 0, 0));
        for (int i = 0; i < boids.m_nBoids; ++i)
            ASSERT_EQ(boids.m_pBoids[i].bLoop, 0);
    }
    EXPECT_EQ(boids.m_fLoopTimer, 0.0f);
}

TEST(BoidsMove, TheHeadingFollowsTheAnglesAndTheWorldMatrixLagsOneStep) {
    Boids boids;
    MakeFlock(&boids, {{10, 20, 30}});
    Boid& b = boids.m_pBoids[0];
    b.vDir = D3DXVECTOR3(1, 0, 0);  // replaced by the angles' heading
    b.fYaw = 0.7f;
    b.fPitch = -0.2f;
    b.fRoll = 1.1f;
    b.fSpeed = 2.0f;
    boids.MoveBoid(0, 0.5f);
    const D3DXVECTOR3 heading(-std::sin(0.7f) * std::cos(-0.2f), std::sin(-0.2f),
                              std::cos(0.7f) * std::cos(-0.2f));
    EXPECT_NEAR(b.vDir.x, heading.x, 1e-6f);
    EXPECT_NEAR(b.vDir.y, heading.y, 1e-6f);
    EXPECT_NEAR(b.vDir.z, heading.z, 1e-6f);
    EXPECT_EQ(D3DXVECTOR3(b.m_matWorld._41, b.m_matWorld._42, b.m_matWorld._43),
              D3DXVECTOR3(10, 20, 30));
    EXPECT_EQ(b.vPos, D3DXVECTOR3(10, 20, 30) + b.vDir * 2.0f * 100.0f * 0.5f);
    // Positive yaw turns toward -x, roll leaves the heading alone.
    EXPECT_LT(b.vDir.x, 0.0f);
}

TEST(BoidsRecovery, TheWorldLimitWinsOverTheStragglerJump) {
    // The centroid is (10000, 0, 0): birds 0 and 1 are 10000 from it and jump to it; bird 2 is
    // also 30000 from the origin and ends at the origin.
    Boids boids;
    MakeFlock(&boids, {{-1, 0, 0}, {1, 0, 0}, {30000, 0, 0}});
    Step(&boids, D3DXVECTOR3(0, 0, 0));
    EXPECT_NEAR(boids.m_vCenter.x, 10000.0f, 0.01f);
    EXPECT_EQ(boids.m_pBoids[0].vPos, boids.m_vCenter);
    EXPECT_EQ(boids.m_pBoids[1].vPos, boids.m_vCenter);
    EXPECT_EQ(boids.m_pBoids[2].vPos, D3DXVECTOR3(0, 0, 0));
}

TEST(BoidsSoak, TwentyThousandFramesStayFiniteAndNearTheWorld) {
    Boids boids;
    boids.ApplySettings(SaverSettings());
    boids.m_nBoids = 100;
    RandomSeed(42);
    ASSERT_EQ(boids.CreateBirds(), S_OK);
    // The leader wanders about the start point on a slow circle.
    for (int frame = 0; frame < 20000; ++frame) {
        const float t = frame * kDt;
        Step(&boids, D3DXVECTOR3(2000.0f * std::cos(t / 20.0f), 300.0f * std::sin(t / 7.0f),
                                 2000.0f * std::sin(t / 20.0f)));
        for (int i = 0; i < boids.m_nBoids; ++i) {
            const Boid& b = boids.m_pBoids[i];
            ASSERT_TRUE(Finite(b)) << "frame " << frame << " bird " << i;
            ASSERT_LE(Length(b.vPos), 20000.0f) << "frame " << frame << " bird " << i;
        }
    }
}
