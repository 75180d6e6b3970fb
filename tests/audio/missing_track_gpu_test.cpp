// A start-up with the music chosen in a program that embeds every resource but "BGM1.WAV": the
// trace and the error log end with the failed load, its status code on the line that the
// start-up's own "Failed" completes, and the tear-down releases the opened audio device.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/globals.h"
#include "app/startup.h"
#include "audio/music_player.h"

namespace {
TEST(MissingTrack, TraceAndErrorLogEndWithTheFailedLoadAndItsCode) {
    char directory[] = "missing_track_XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string capture = std::string(directory) + "/capture.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    g_traceLog = TraceLog(directory);
    g_saverSettings.music = 1;

    EXPECT_EQ(Initiate(nullptr), 0);
    const std::string trace = g_traceLog.Text();
    const std::string end =
        "InitiateBGM...\n"
        "\t\tCoCreateInstanceL...\n"
        "\t\tCoCreateInstanceP...\n"
        "\t\tInitAudio...\n"
        "\tLoading Wave File...\n"
        "\t\tFindResource...\n"
        "\t\tFailed\n"
        "\tFailed hr=80004005Failed\n";
    ASSERT_GE(trace.size(), end.size());
    EXPECT_EQ(trace.substr(trace.size() - end.size()), end) << trace;
    EXPECT_EQ(trace.find("InitiateFont"), std::string::npos);

    std::ifstream file(std::string(directory) + "/VelmoraErrLog.txt");
    std::stringstream log;
    log << file.rdbuf();
    EXPECT_EQ(log.str(), trace);

    EXPECT_NE(g_musicPlayer.m_dwDevice, 0u);
    Cleanup();
    EXPECT_EQ(g_musicPlayer.m_dwDevice, 0u);
    EXPECT_EQ(g_musicPlayer.m_bAudioReady, 0);
    Cleanup();

    std::remove((std::string(directory) + "/VelmoraErrLog.txt").c_str());
    std::remove(capture.c_str());
    rmdir(directory);
}
}  // namespace
