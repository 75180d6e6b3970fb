// The flock on a headless device: its set-up with the clock's seed, the dammy model and the day
// or night pair of skinned meshes; the dammy path queueing every bird, the skinned path culling
// on the dammy and scaling what it draws; the look-ahead turning a bird from an obstacle.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/camera.h"
#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "flock/boids.h"
#include "platform/system/lcg_random.h"
#include "platform/system/system_clock.h"
#include "render/skinned_mesh.h"
#include "render/z_sort_render.h"
#include "tests/platform/d3d8/gpu_test_support.h"
#include "world/background_object.h"
#include "world/mesh_model.h"

namespace {
class BoidsGpuTest : public GpuTest {
  protected:
    void SetUp() override {
        GpuTest::SetUp();
        g_traceLog = TraceLog(".");
        m_settings.birdCount = 8;
    }
    void TearDown() override {
        m_boids.ReleaseDeviceObjects();
        m_boids.DestroyObjects();
        StopManualClock();
        GpuTest::TearDown();
    }

    HRESULT Init() {
        m_boids.ApplySettings(m_settings);
        const HRESULT hr = m_boids.InitDeviceObjects(m_pDevice, D3DCAPS8());
        m_boids.RestoreDeviceObjects();
        return hr;
    }

    // A camera at the origin looking along +z with the scene's lens.
    Camera LookingAlongZ() {
        Camera camera;
        camera.Reset();
        camera.SetEye(0.0f, 0.0f, 0.0f);
        camera.LookAt(m_pDevice, D3DXVECTOR3(0.0f, 0.0f, 10.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
        camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 20000.0f);
        camera.BuildFrustum();
        return camera;
    }

    // Places bird i at p, level and heading along +z.
    void Place(int i, const D3DXVECTOR3& p) {
        Boid& b = m_boids.m_pBoids[i];
        b.vPos = p;
        b.fYaw = b.fPitch = b.fRoll = 0.0f;
        b.fSpeed = 0.0f;
        m_boids.MoveBoid(i, 0.0f);
    }

    SaverSettings m_settings;
    Boids m_boids;
    ZSortRender m_queue;
};

const D3DXVECTOR4 kLight(0.5f, 0.9f, 0.5f, 0.0f);
}  // namespace

TEST_F(BoidsGpuTest, SetUpSeedsWithTheClockAndLoadsTheDammyAndTheDayPair) {
    StartManualClock(4242u * 1000u);
    m_settings.night = 2;  // only exactly 1 is night
    ASSERT_EQ(Init(), S_OK) << g_traceLog.Text();

    Boids expected;
    expected.ApplySettings(m_settings);
    RandomSeed(4242);
    ASSERT_EQ(expected.CreateBirds(), S_OK);
    for (int i = 0; i < m_boids.m_nBoids; ++i) {
        EXPECT_EQ(m_boids.m_pBoids[i].vPos, expected.m_pBoids[i].vPos);
        EXPECT_EQ(m_boids.m_pBoids[i].nSkin, expected.m_pBoids[i].nSkin);
        EXPECT_EQ(m_boids.m_pBoids[i].m_pModel, m_boids.m_pDammyMdl);
    }
    ASSERT_NE(m_boids.m_pSkinnedSkm, nullptr);
    EXPECT_STREQ(m_boids.m_pSkinnedSkm[0].ResourceName(), "BIRDSKINNED01.X");
    EXPECT_STREQ(m_boids.m_pSkinnedSkm[1].ResourceName(), "BIRDSKINNED02.X");
    EXPECT_NE(m_boids.m_pSkinnedSkm[1].Selected(), nullptr);
    EXPECT_NE(m_boids.m_pSkinnedSkm[0].ShaderHandle(2), SkinnedMesh::kNoShader);

    const std::string trace = g_traceLog.Text();
    const size_t dammy = trace.find("\t\tm_pDammyMdl->LoadXFile...\n");
    const size_t skins = trace.find("\t\tm_pSkinnedSkm.InitDeviceObjects...\n");
    ASSERT_NE(dammy, std::string::npos);
    EXPECT_EQ(dammy, 0u);
    EXPECT_GT(skins, dammy);
    EXPECT_EQ(trace.find("Failed"), std::string::npos) << trace;

    // The tear-down frees both meshes, the model and the birds, and may run again.
    m_boids.ReleaseDeviceObjects();
    m_boids.DestroyObjects();
    EXPECT_EQ(m_boids.m_pSkinnedSkm, nullptr);
    EXPECT_EQ(m_boids.m_pDammyMdl, nullptr);
    EXPECT_EQ(m_boids.m_pBoids, nullptr);
    m_boids.DestroyObjects();
}

TEST_F(BoidsGpuTest, NightTakesTheSilhouettePairAndDammyBirdsNone) {
    m_settings.night = 1;
    ASSERT_EQ(Init(), S_OK) << g_traceLog.Text();
    EXPECT_STREQ(m_boids.m_pSkinnedSkm[0].ResourceName(), "BIRDSKINNED03.X");
    EXPECT_STREQ(m_boids.m_pSkinnedSkm[1].ResourceName(), "BIRDSKINNED04.X");
    m_boids.ReleaseDeviceObjects();
    m_boids.DestroyObjects();

    g_traceLog = TraceLog(".");
    m_settings.skinnedModels = 0;
    ASSERT_EQ(Init(), S_OK);
    EXPECT_EQ(m_boids.m_pSkinnedSkm, nullptr);
    EXPECT_EQ(std::string(g_traceLog.Text()).find("m_pSkinnedSkm"), std::string::npos);
    EXPECT_NE(m_boids.m_pDammyMdl, nullptr);
}

TEST_F(BoidsGpuTest, DammyBirdsAreAllQueuedUnscaledAndOnlyWhatTheyShowIsDrawn) {
    m_settings.skinnedModels = 0;
    ASSERT_EQ(Init(), S_OK);
    ASSERT_EQ(m_queue.InitDeviceObjects(m_pDevice, m_settings), S_OK);
    const Camera camera = LookingAlongZ();
    for (int i = 0; i < m_boids.m_nBoids; ++i)
        Place(i, D3DXVECTOR3(static_cast<float>(i) * 20.0f - 70.0f, 0.0f, 300.0f));
    const D3DXMATRIX before = m_boids.m_pBoids[3].m_matWorld;
    m_boids.Render(m_pDevice, camera, &m_queue, kLight, 20000.0f);
    const DWORD meshes = m_boids.m_pDammyMdl->m_dwMeshDisplayNum;
    EXPECT_EQ(m_queue.Count(), meshes * static_cast<DWORD>(m_boids.m_nBoids));
    EXPECT_EQ(m_boids.m_pBoids[3].m_matWorld, before);
    m_queue.Clear();

    // Behind the camera a bird has nothing to show and queues nothing.
    Place(0, D3DXVECTOR3(0.0f, 0.0f, -300.0f));
    m_boids.Render(m_pDevice, camera, &m_queue, kLight, 20000.0f);
    EXPECT_EQ(m_queue.Count(), meshes * static_cast<DWORD>(m_boids.m_nBoids - 1));
    m_queue.Clear();
    m_queue.ReleaseDeviceObjects(m_pDevice);
    m_queue.DestroyObjects();
}

TEST_F(BoidsGpuTest, SkinnedBirdsOutsideTheFrustumAreNeitherScaledNorDrawn) {
    ASSERT_EQ(Init(), S_OK);
    const Camera camera = LookingAlongZ();
    for (int i = 0; i < m_boids.m_nBoids; ++i)
        Place(i, D3DXVECTOR3(static_cast<float>(i) * 20.0f - 70.0f, 0.0f, 300.0f));
    Place(0, D3DXVECTOR3(0.0f, 0.0f, -300.0f));    // behind the eye
    Place(1, D3DXVECTOR3(5000.0f, 0.0f, 300.0f));  // far to the right
    const D3DXMATRIX outside = m_boids.m_pBoids[0].m_matWorld;
    const D3DXMATRIX inside = m_boids.m_pBoids[2].m_matWorld;

    m_pDevice->ResetCounters();
    m_boids.Render(m_pDevice, camera, nullptr, kLight, 20000.0f);
    EXPECT_EQ(m_boids.m_pBoids[0].m_matWorld, outside);
    D3DXMATRIX scale, scaled;
    D3DXMatrixScaling(&scale, 3.0f, 3.0f, 3.0f);
    D3DXMatrixMultiply(&scaled, &scale, &inside);
    EXPECT_EQ(m_boids.m_pBoids[2].m_matWorld, scaled);
    const uint64_t drawsForSix = m_pDevice->Counters().draws;
    EXPECT_GT(drawsForSix, 0u);

    // With every bird behind the eye nothing is drawn at all.
    for (int i = 0; i < m_boids.m_nBoids; ++i)
        Place(i, D3DXVECTOR3(static_cast<float>(i), 0.0f, -300.0f));
    m_pDevice->ResetCounters();
    m_boids.Render(m_pDevice, camera, nullptr, kLight, 20000.0f);
    EXPECT_EQ(m_pDevice->Counters().draws, 0u);
    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 0u);
}

TEST_F(BoidsGpuTest, ABirdFlyingAtAnObstacleFindsItAndTurnsAway) {
    BackGroundObject obstacles, none;
    ASSERT_EQ(obstacles.InitDeviceObjects(m_pDevice, "OBSTACLE02.X", "OBSTACLE02.BPS"), S_OK);
    obstacles.m_fQueryRadius = 200.0f;
    const D3DXMATRIX& world = obstacles.m_pBackGroundObj[0].m_matWorld;
    const D3DXVECTOR3 centre(world._41, world._42, world._43);

    // One bird 150 units short of the obstacle, flying at its centre with the leader straight
    // beyond; avoidance on and off.
    const auto fly = [&](int32_t avoid, int* avoidingFrames, float* nearest) {
        SaverSettings settings;
        settings.birdCount = 1;
        settings.avoidObstacles = avoid;
        Boids boids;
        boids.ApplySettings(settings);
        RandomSeed(3);
        EXPECT_EQ(boids.CreateBirds(), S_OK);
        Boid& bird = boids.m_pBoids[0];
        bird.fYaw = -0.5f;  // heading (sin 0.5, 0, cos 0.5): the obstacle is met at a slant
        const D3DXVECTOR3 heading(std::sin(0.5f), 0.0f, std::cos(0.5f));
        bird.vDir = heading;
        bird.vPos = centre - heading * 150.0f;
        *avoidingFrames = 0;
        *nearest = 1e30f;
        for (int frame = 0; frame < 100; ++frame) {
            boids.Update(centre + heading * 3000.0f, obstacles, none, 0.03f);
            *avoidingFrames += boids.m_pBoids[0].bAvoiding;
            const D3DXVECTOR3 d = boids.m_pBoids[0].vPos - centre;
            *nearest = std::fmin(*nearest, D3DXVec3Length(&d));
        }
        if (avoid) {
            EXPECT_EQ(obstacles.m_pBackGroundObj[0].m_vPosition, centre);
        }
        return bird.fYaw;
    };
    int avoidingOn = 0, avoidingOff = 0;
    float nearestOn = 0.0f, nearestOff = 0.0f;
    const float yawOff = fly(0, &avoidingOff, &nearestOff);
    const float yawOn = fly(1, &avoidingOn, &nearestOn);
    EXPECT_EQ(avoidingOff, 0);
    EXPECT_EQ(yawOff, -0.5f);
    EXPECT_GT(avoidingOn, 0);
    EXPECT_GT(std::fabs(yawOn + 0.5f), 0.05f) << "the bird turned";
    EXPECT_GT(nearestOn, nearestOff);
    obstacles.DeleteDeviceObjects();
}
