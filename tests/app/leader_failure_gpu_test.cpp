// A start-up whose leader cannot load its dammy model. The flock loads BIRDDAMMY01.X before the
// lead bird does, so the resource is swapped only once the lead bird's step has begun: this
// program is linked with the resource look-up wrapped (--wrap), and the wrapper hands out a
// broken model for BIRDDAMMY01.X, or nothing for WHALEDAMMY.X, from that step on.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app/globals.h"
#include "app/startup.h"
#include "platform/system/resource_table.h"
#include "platform/xfile/xfile_errors.h"

namespace {
struct Swap {
    const char* name = nullptr;     // the MODEL resource swapped
    const char* step = nullptr;     // from the step that traces this line on
    const char* standIn = nullptr;  // the resource handed out instead; null: none at all
};
Swap g_swap;
}  // namespace

// FindResourceA(const char*, const char*), wrapped by its mangled name.
extern "C" HRSRC __real__Z13FindResourceAPKcS0_(const char* name, const char* type);
extern "C" HRSRC __wrap__Z13FindResourceAPKcS0_(const char* name, const char* type) {
    if (g_swap.name && name && type && strcasecmp(name, g_swap.name) == 0 &&
        strcasecmp(type, "MODEL") == 0 && std::strstr(g_traceLog.Text(), g_swap.step))
        return g_swap.standIn ? __real__Z13FindResourceAPKcS0_(g_swap.standIn, type) : nullptr;
    return __real__Z13FindResourceAPKcS0_(name, type);
}

namespace {
class LeaderFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(m_szDirectory), nullptr);
        g_saverSettings = SaverSettings();
        g_traceLog = TraceLog(m_szDirectory);
    }
    void TearDown() override {
        Cleanup();
        g_swap = Swap();
        std::remove(LogPath().c_str());
        rmdir(m_szDirectory);
    }
    std::string LogPath() const { return std::string(m_szDirectory) + "/VelmoraErrLog.txt"; }
    std::string ErrorLog() const {
        std::ifstream file(LogPath());
        std::stringstream log;
        log << file.rdbuf();
        return log.str();
    }
    // The error log from the step's line on.
    std::string FromStep(const std::string& step) const {
        const std::string log = ErrorLog();
        const size_t at = log.find(step);
        return at == std::string::npos ? "(no step) " + log : log.substr(at);
    }

    char m_szDirectory[32] = "/tmp/velmora_leader_XXXXXX";
};

TEST_F(LeaderFailure, ABrokenBirdModelInTheLeadBirdsStepEndsTheLogWithItsLoadingAndTwoFailures) {
    g_swap = {"BIRDDAMMY01.X", "\tGoal.InitDeviceObjects...\n", "TEST_BADNAME.X"};
    EXPECT_EQ(Initiate(nullptr), 0);
    EXPECT_EQ(FromStep("\tGoal.InitDeviceObjects...\n"),
              "\tGoal.InitDeviceObjects...\n"
              "\t\t\tpDXFile->CreateEnumObject1...\n"
              "\t\t\tInvalidate Name\n"
              "\tFailed\n"
              "Failed\n");
    EXPECT_EQ(ErrorLog(), g_traceLog.Text());
    // The flock before it loaded the real model; the tear-down frees both, and is safe twice.
    EXPECT_NE(g_boids.m_pDammyMdl, nullptr);
    EXPECT_EQ(g_goalUser.m_pDammyMdl, nullptr);
    Cleanup();
    Cleanup();
    EXPECT_EQ(g_goal.m_pDammyMdl, nullptr);
    EXPECT_EQ(g_goal.m_pInstance, nullptr);
    EXPECT_EQ(g_boids.m_pDammyMdl, nullptr);
}

TEST_F(LeaderFailure, AMissingWhaleModelEndsTheLogWithTheParsersFailureAndTwoMore) {
    g_swap = {"WHALEDAMMY.X", "\tGoalUser.InitDeviceObjects...\n", nullptr};
    g_saverSettings.userControl = 1;
    EXPECT_EQ(Initiate(nullptr), 0);
    EXPECT_EQ(FromStep("\tGoalUser.InitDeviceObjects...\n"),
              "\tGoalUser.InitDeviceObjects...\n"
              "\t\t\tpDXFile->CreateEnumObject1...\n"
              "\t\t\tFailed\n"
              "\tFailed\n"
              "Failed\n");
    EXPECT_EQ(ErrorLog().find("InitiateFont"), std::string::npos);
    // The whale hands the loader's own code up unchanged.
    EXPECT_EQ(g_goalUser.InitDeviceObjects(g_pd3dDevice, g_d3dCaps), DXFILEERR_RESOURCENOTFOUND);
    EXPECT_NE(g_goal.m_pSkinnedSkm, nullptr);  // the lead bird before it is whole
    Cleanup();
    EXPECT_EQ(g_goal.m_pSkinnedSkm, nullptr);
    EXPECT_EQ(g_goalUser.m_pDammyMdl, nullptr);
}
}  // namespace
