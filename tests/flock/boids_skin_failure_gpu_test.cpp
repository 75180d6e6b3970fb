// The flock's set-up when its second skinned model is missing from the resources: the first
// mesh stays loaded, the second holds nothing and draws nothing, the start-up goes on, and the
// tear-down frees both.
#include <gtest/gtest.h>

#include <string>

#include "app/camera.h"
#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "flock/boids.h"
#include "render/skinned_mesh.h"
#include "tests/platform/d3d8/gpu_test_support.h"

class BoidsSkinFailureTest : public GpuTest {};

TEST_F(BoidsSkinFailureTest, AMissingSecondSkinLeavesTheFirstLoadedAndBothAreFreed) {
    g_traceLog = TraceLog(".");
    SaverSettings settings;
    settings.night = 0;
    Boids boids;
    boids.ApplySettings(settings);
    ASSERT_EQ(boids.InitDeviceObjects(m_pDevice, D3DCAPS8()), S_OK) << g_traceLog.Text();
    boids.RestoreDeviceObjects();
    ASSERT_NE(boids.m_pSkinnedSkm, nullptr);
    EXPECT_NE(boids.m_pSkinnedSkm[0].Selected(), nullptr);
    EXPECT_EQ(boids.m_pSkinnedSkm[1].Selected(), nullptr);
    const std::string trace = g_traceLog.Text();
    EXPECT_NE(trace.find("SkinnedMesh Loading Failed"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Failed(1)"), std::string::npos) << "a missing model is no failure";

    // Drawing the flock draws the birds of mesh 0 only, and never fails.
    EXPECT_EQ(boids.Render(m_pDevice, Camera(), nullptr, D3DXVECTOR4(), 20000.0f), S_OK);

    boids.ReleaseDeviceObjects();
    boids.DestroyObjects();
    EXPECT_EQ(boids.m_pSkinnedSkm, nullptr);
    EXPECT_EQ(boids.m_pDammyMdl, nullptr);
    EXPECT_EQ(boids.m_pBoids, nullptr);
}
