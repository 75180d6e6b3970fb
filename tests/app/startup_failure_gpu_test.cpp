// A start-up whose last object cannot load: this program embeds every resource but
// "OBSTACLE02.X". The trace and the error log end with the failing step, and the tear-down
// frees what was built.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/globals.h"
#include "app/startup.h"

namespace {
bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(StartupFailure, ErrorLogEndsWithTheFailingStepsLinesAndCleanupFreesTheRest) {
    char directory[] = "/tmp/velmora_startup_XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    g_traceLog = TraceLog(directory);

    EXPECT_EQ(Initiate(nullptr), 0);
    const std::string trace = g_traceLog.Text();
    const size_t step = trace.find("\tObstacle02BGO.InitDeviceObjects...\n");
    ASSERT_NE(step, std::string::npos) << trace;
    EXPECT_EQ(trace.compare(0, 15, "InitiateD3D...\n"), 0);
    EXPECT_TRUE(EndsWith(trace, "\t\tFailed\n\tFailed\nFailed\n")) << trace;
    // Between the step and its failure only its own, deeper lines.
    const std::string inner = trace.substr(step, trace.size() - step - 15);
    for (size_t at = inner.find('\n'); at + 1 < inner.size(); at = inner.find('\n', at + 1))
        EXPECT_EQ(inner.compare(at + 1, 2, "\t\t"), 0) << inner;
    EXPECT_EQ(trace.find("InitiateFont"), std::string::npos);

    std::ifstream file(std::string(directory) + "/VelmoraErrLog.txt");
    std::stringstream log;
    log << file.rdbuf();
    EXPECT_EQ(log.str(), trace);
    std::remove((std::string(directory) + "/VelmoraErrLog.txt").c_str());
    rmdir(directory);

    // The sets before the failure were built; the tear-down frees them, and is safe twice.
    EXPECT_GT(g_obstacle01BGO.m_nCount, 0);
    Cleanup();
    Cleanup();
    EXPECT_EQ(g_obstacle01BGO.m_pBackGroundMdl, nullptr);
    EXPECT_EQ(g_backGrounds.m_pPillar01BGO, nullptr);
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(g_bDeviceReady, 0);
    Frame(nullptr);  // nothing happens without a device
}
}  // namespace
