// The saver's start-up and frames on a headless device, run as velmora-tool runs them: the
// trace, the back buffer, the colours, the camera, the time steps, the queue, the frame-rate
// text and the recovery of a lost device.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/saver_window.h"
#include "app/startup.h"
#include "audio/music_player.h"
#include "platform/gl/gl_window.h"
#include "platform/system/system_clock.h"
#include "render/skinned_mesh.h"

namespace {
constexpr float kPi = 3.14159265f;
const D3DXVECTOR3 kStartEye(2500.0f, 750.0f, -1500.0f);

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

float FieldOfView(const D3DXMATRIX& p) {
    return 2.0f * std::atan(1.0f / p._22);
}

DWORD RenderState(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    g_pd3dDevice->GetRenderState(state, &value);
    return value;
}

DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    DWORD value = 0;
    g_pd3dDevice->GetTextureStageState(stage, type, &value);
    return value;
}

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_saverSettings = SaverSettings();
        g_traceLog = TraceLog(".");
        g_frameTimer = FrameTimer();
        g_cameraBlend = CameraBlend();
        g_cameraDolly = CameraDolly();
        g_fAspect = kAspect4x3;
        g_dwFrameCount = 0;
        g_fLastRateTime = 0.0f;
        g_fFrameRate = 0.0f;
        StartManualClock(1000000);
        g_frameTimer(kTimerStart);
        // The leaders are made once with the process and fly on across start-ups; each test
        // makes them anew, from the same clock, as a new process would.
        Renew(&g_goal);
        Renew(&g_goalUser);
    }

    template <typename T>
    static void Renew(T* object) {
        object->~T();
        new (object) T();
    }

    void TearDown() override {
        Cleanup();
        StopManualClock();
    }

    // Frames of `step` seconds each, with keys held.
    void Run(int frames, float step, const KeyState& keys = KeyState()) {
        for (int i = 0; i < frames; ++i) {
            AdvanceManualClock(static_cast<uint64_t>(std::llround(step * 1e6)));
            FrameWithKeys(nullptr, keys);
        }
    }

    // The share of the back buffer's pixels that are exactly the colour.
    double ShareOf(D3DCOLOR colour) {
        std::vector<uint8_t> rgba;
        UINT width = 0, height = 0;
        EXPECT_EQ(g_pd3dDevice->ReadBackBuffer(&rgba, &width, &height), D3D_OK);
        size_t count = 0;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
            const D3DCOLOR c = (D3DCOLOR(rgba[i + 3]) << 24) | (D3DCOLOR(rgba[i]) << 16) |
                               (D3DCOLOR(rgba[i + 1]) << 8) | rgba[i + 2];
            count += c == colour;
        }
        return rgba.empty() ? 0.0 : static_cast<double>(count) / (rgba.size() / 4);
    }
};

// The trace lines of the start-up steps and the objects (depth 0 and 1), in order.
std::vector<std::string> OuterTraceLines() {
    std::vector<std::string> lines;
    std::string text = g_traceLog.Text();
    for (size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos;
         begin = end + 1) {
        const std::string line = text.substr(begin, end - begin);
        if (line.compare(0, 2, "\t\t") != 0)
            lines.push_back(line);
    }
    return lines;
}

TEST_F(SceneTest, StartupTracesEveryStepInOrderAndTheMusicOnlyWhenChosen) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    const std::vector<std::string> expected = {
        "InitiateD3D...",
        "\tDirect3DCreate8...",
        "\tGetAdapterDisplayMode...",
        "\tChecking VertexShaderVersion...",
        "\tCreateDevice...",
        "InitiateRenderer...",
        "InitiateObjects...",
        "\tZSortRender.InitDeviceObjects...",
        "\tZSortRender.RestoreDeviceObjects...",
        "\tDammySkm.InitDeviceObjects...",
        "\tFerguson.InitDeviceObjects...",
        "\tBackGrounds.InitDeviceObjects...",
        "\tBoids.InitDeviceObjects...",
        "\tGoal.InitDeviceObjects...",
        "\tGoalUser.InitDeviceObjects...",
        "\tObstacle01BGO.InitDeviceObjects...",
        "\tObstacle02BGO.InitDeviceObjects...",
        "InitiateFont...",
        "Initiate3DFont...",
    };
    EXPECT_EQ(OuterTraceLines(), expected);
    EXPECT_EQ(g_obstacle01BGO.m_fQueryRadius, 200.0f);
    EXPECT_EQ(g_obstacle02BGO.m_fQueryRadius, 200.0f);
    EXPECT_EQ(g_obstacle02BGO.m_nCount, 6);
    EXPECT_NE(g_pD3DXFont, nullptr);
    // Without the music no audio device is opened, nor SDL's audio started.
    EXPECT_EQ(g_musicPlayer.m_dwDevice, 0u);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    // The skinned dummy is loaded with its ramp and its four shaders, and freed at tear-down.
    ASSERT_NE(g_dammySkm.Selected(), nullptr);
    EXPECT_EQ(g_dammySkm.m_fAnimLength, 9870.0f);
    EXPECT_NE(g_dammySkm.ToonRamp(), nullptr);
    EXPECT_NE(g_dammySkm.ShaderHandle(4), SkinnedMesh::kNoShader);
    const std::string trace = g_traceLog.Text();
    EXPECT_NE(trace.find("\tDammySkm.InitDeviceObjects...\n\t\tCreateEnumObject...\n"),
              std::string::npos);
    EXPECT_EQ(trace.find("Failed"), std::string::npos);

    // With it, SDL's disk driver stands in for a sound card.
    Cleanup();
    EXPECT_EQ(g_dammySkm.Elements(), nullptr);
    EXPECT_EQ(g_dammySkm.ToonRamp(), nullptr);
    EXPECT_EQ(g_dammySkm.ShaderHandle(1), SkinnedMesh::kNoShader);
    char directory[] = "frame_music_XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string capture = std::string(directory) + "/capture.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    g_traceLog = TraceLog(".");
    g_saverSettings.music = 1;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    std::vector<std::string> withMusic = expected;
    // The music's steps come just before the two font steps.
    withMusic.insert(withMusic.end() - 2, {"InitiateBGM...", "\tLoading Wave File..."});
    EXPECT_EQ(OuterTraceLines(), withMusic);
    EXPECT_NE(strstr(g_traceLog.Text(), "InitiateBGM...\n\t\tCoCreateInstanceL...\n"
                                        "\t\tCoCreateInstanceP...\n\t\tInitAudio...\n"
                                        "\tLoading Wave File...\n\t\tFindResource...\n"
                                        "\t\tLoadResource...\n\t\tGetObject...\n"
                                        "InitiateFont...\n"),
              nullptr)
        << g_traceLog.Text();
    EXPECT_NE(g_musicPlayer.m_dwDevice, 0u);
    Cleanup();
    EXPECT_EQ(g_musicPlayer.m_dwDevice, 0u);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    std::remove(capture.c_str());
    rmdir(directory);
}

TEST_F(SceneTest, StartupTakesTheFirstRenderableFormatAndVertexProcessingByShaderVersion) {
    const auto behaviour = [] {
        D3DDEVICE_CREATION_PARAMETERS created;
        g_pd3dDevice->GetCreationParameters(&created);
        return created.BehaviorFlags;
    };
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    EXPECT_EQ(g_d3dpp.BackBufferFormat, D3DFMT_R5G6B5) << "16 bits before 32";
    EXPECT_EQ(behaviour(), D3DCREATE_HARDWARE_VERTEXPROCESSING);
    Cleanup();

    // Without the 16-bit formats the first 32-bit one; with vertex shaders 1.0 only, software
    // vertex processing.
    D3dAdapterLimits limits;
    limits.refusedBackBufferFormats = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
    limits.vertexShaderVersion = D3DVS_VERSION(1, 0);
    LimitAdapterForTests(limits);
    const int started = Initiate(nullptr);
    LimitAdapterForTests(D3dAdapterLimits());
    ASSERT_EQ(started, 1) << g_traceLog.Text();
    EXPECT_EQ(g_d3dpp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(behaviour(), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    Cleanup();

    // None of the four: the device is still asked for, with D3DFMT_UNKNOWN, and its refusal
    // is traced with the status code (and logged, away from the working directory).
    g_traceLog = TraceLog(::testing::TempDir());
    limits.refusedBackBufferFormats = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8,
                                       D3DFMT_R8G8B8};
    LimitAdapterForTests(limits);
    const int refused = Initiate(nullptr);
    LimitAdapterForTests(D3dAdapterLimits());
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(g_d3dpp.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_NE(std::string(g_traceLog.Text()).find("\tCreateDevice...\n\tFailed hr="),
              std::string::npos)
        << g_traceLog.Text();
}

TEST_F(SceneTest, EscapeAsksForTheCloseOnlyAfterTheFrameIsPresented) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    SaverWindow window;  // a stand-in: no SDL window, only the close request is recorded
    const auto windowShows = [](D3DCOLOR colour) {
        std::vector<uint8_t> rgba;
        UINT width = 0, height = 0;
        g_pd3dDevice->ReadWindow(&rgba, &width, &height);
        const uint8_t* centre = &rgba[(height / 2 * width + width / 2) * 4];
        return D3DCOLOR(0xFF000000u | centre[0] << 16 | centre[1] << 8 | centre[2]) == colour;
    };
    KeyState keys;
    keys.w = keys.up = 1;
    AdvanceManualClock(20000);
    FrameWithKeys(&window, keys);
    EXPECT_FALSE(window.ClosePosted()) << "other keys never close";

    g_hDeviceWindow->Fill(0xFF00FF00u);
    keys.escape = 1;
    AdvanceManualClock(20000);
    FrameWithKeys(&window, keys);
    EXPECT_TRUE(window.ClosePosted());
    EXPECT_FALSE(window.IsClosed()) << "the loop closes, after the frame";
    EXPECT_EQ(g_frameRecord.m_hrPresent, D3D_OK);
    EXPECT_FALSE(windowShows(0xFF00FF00u)) << "the frame of the Escape reached the window";
}

TEST_F(SceneTest, AFailedBeginSceneDrawsNothingButStillPresentsAndChecksEscape) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    Run(1, 0.02f);
    ASSERT_GT(g_frameRecord.m_dwQueued, 0u);
    ASSERT_EQ(g_pd3dDevice->BeginScene(), D3D_OK);  // the frame's own then fails
    g_hDeviceWindow->Fill(0xFF00FF00u);
    g_pd3dDevice->ResetCounters();
    SaverWindow window;
    KeyState keys;
    keys.escape = 1;
    AdvanceManualClock(20000);
    FrameWithKeys(&window, keys);
    EXPECT_EQ(g_pd3dDevice->Counters().draws, 0u) << "no scene, no frame-rate text";
    EXPECT_STREQ(g_frameRecord.m_szFrameRate, "");
    EXPECT_EQ(g_frameRecord.m_dwQueued, 0u);
    EXPECT_EQ(g_frameRecord.m_hrPresent, D3D_OK);
    EXPECT_TRUE(window.ClosePosted());
    // What was presented is the clear colour alone: the day's white, all over.
    std::vector<uint8_t> rgba;
    UINT width = 0, height = 0;
    g_pd3dDevice->ReadWindow(&rgba, &width, &height);
    EXPECT_EQ(std::count(rgba.begin(), rgba.end(), uint8_t{0xFF}),
              static_cast<std::ptrdiff_t>(rgba.size()));
    EXPECT_EQ(g_pd3dDevice->EndScene(), D3D_OK) << "the frame ended no scene of its own";
}

TEST_F(SceneTest, LightTurnsAboutYByDayAndAboutYThenXAtNightWithTheClock) {
    // The base light (0.5, 0.9, 0.5, 0) as a row vector through RotationY(a) and then
    // RotationX(b) of the left-handed convention.
    const auto turned = [](double a, double b) {
        const double x = 0.5 * std::cos(a) + 0.5 * std::sin(a);
        const double z = -0.5 * std::sin(a) + 0.5 * std::cos(a);
        const double y = 0.9 * std::cos(b) - z * std::sin(b);
        return D3DXVECTOR4(static_cast<float>(x), static_cast<float>(y),
                           static_cast<float>(0.9 * std::sin(b) + z * std::cos(b)), 0.0f);
    };
    const auto near = [](const D3DXVECTOR4& a, const D3DXVECTOR4& b) {
        return std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.y - b.y) < 1e-5f &&
               std::fabs(a.z - b.z) < 1e-5f && a.w == b.w;
    };
    for (int32_t night : {0, 1}) {
        SetUp();
        g_saverSettings.night = night;
        ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
        for (uint32_t ms : {1000u, 9425u, 7000u + 37700u, 123456u}) {
            AdvanceManualClock((ms - timeGetTime()) * 1000ull);
            ASSERT_EQ(timeGetTime(), ms);
            Run(1, 0.0f);
            const double t = ms;
            const D3DXVECTOR4 expected =
                night ? turned(t / 2000.0, t / 2500.0) : turned(t / 6000.0, 0.0);
            EXPECT_TRUE(near(g_vLight, expected))
                << (night ? "night" : "day") << " at " << ms << " ms: (" << g_vLight.x << ", "
                << g_vLight.y << ", " << g_vLight.z << ", " << g_vLight.w << ")";
        }
        TearDown();
    }
}

TEST_F(SceneTest, ResolutionGivesTheBackBufferAndAspectModeTheProjection) {
    const struct {
        int32_t resolution;
        UINT width, height;
    } cases[] = {{1, 640, 480}, {2, 800, 600}, {3, 1024, 768}, {7, 640, 480}};
    for (const auto& c : cases) {
        g_saverSettings.resolution = c.resolution;
        ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
        std::vector<uint8_t> rgba;
        UINT width = 0, height = 0;
        g_pd3dDevice->ReadBackBuffer(&rgba, &width, &height);
        EXPECT_EQ(width, c.width) << "resolution " << c.resolution;
        EXPECT_EQ(height, c.height) << "resolution " << c.resolution;
        Cleanup();
    }
    g_saverSettings.aspectMode = 2;
    ASSERT_EQ(Initiate(nullptr), 1);
    const D3DXMATRIX& p = g_camera.m_matProjection;
    EXPECT_NEAR(p._22 / p._11, 16.0f / 9.0f, 1e-5f);
    // Any other mode keeps the last aspect.
    Cleanup();
    g_saverSettings.aspectMode = 5;
    ASSERT_EQ(Initiate(nullptr), 1);
    EXPECT_EQ(g_fAspect, kAspect16x9);
}

TEST_F(SceneTest, DayAndNightClearTheBackBufferAndFogToTheirColour) {
    for (int32_t night : {0, 1}) {
        g_saverSettings.night = night;
        ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
        Run(1, 0.02f);
        const D3DCOLOR colour = night ? 0xFF000000u : 0xFFFFFFFFu;
        EXPECT_EQ(g_dwClearColor, colour);
        EXPECT_EQ(RenderState(D3DRS_FOGCOLOR), colour);
        EXPECT_EQ(RenderState(D3DRS_FOGENABLE), 1u);
        EXPECT_GT(ShareOf(colour), 0.2) << "night " << night;
        EXPECT_GT(g_frameRecord.m_dwQueued, 0u);
        // The silhouette stages of the night are put back after the flock.
        EXPECT_EQ(StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
        EXPECT_EQ(StageState(1, D3DTSS_COLORARG2), static_cast<DWORD>(D3DTA_CURRENT));
        Cleanup();
    }
}

TEST_F(SceneTest, FirstAutomaticFrameLooksFromTheDollyAtTheFlockWithA60DegreeLens) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    Run(1, 1.0f / 60.0f);
    EXPECT_NEAR(FieldOfView(g_camera.m_matProjection), kPi / 3.0f, 1e-5f);
    EXPECT_NEAR(Distance(g_camera.Eye(), g_cameraDolly.Position()), 0.0f, 0.1f);
    // The flock's centre is the mean of its birds, which start in a cube about (200, 1, 200).
    D3DXVECTOR3 sum;
    for (int i = 0; i < g_boids.m_nBoids; ++i)
        sum += g_boids.m_pBoids[i].vPos;
    EXPECT_EQ(g_vFlockCentre, sum / static_cast<float>(g_boids.m_nBoids));
    EXPECT_NEAR(Distance(g_vFlockCentre, D3DXVECTOR3(200.0f, 1.0f, 200.0f)), 0.0f, 40.0f);
    // The circuit sits on the flock, and so does the camera's gaze.
    EXPECT_NEAR(Distance(g_ferguson.Centre(), g_vFlockCentre), 0.0f, 1e-3f);
    D3DXVECTOR3 gaze = g_vFlockCentre - g_camera.Eye();
    D3DXVec3Normalize(&gaze, &gaze);
    const D3DXMATRIX& w = g_camera.m_matWorld;
    EXPECT_NEAR(Distance(D3DXVECTOR3(w._31, w._32, w._33), gaze), 0.0f, 1e-4f);
}

TEST_F(SceneTest, SlowFrameAdvancesTheDollyByTheRawStepAndTheCameraByTheCappedOne) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    Run(1, 0.1f);
    EXPECT_EQ(g_fTimeStep, 0.03f);
    EXPECT_NEAR(g_fRawStep, 0.1f, 1e-6f);
    EXPECT_NEAR(g_cameraDolly.m_fPhase, 0.1f * 0.1f, 1e-6f);
    EXPECT_NEAR(g_cameraBlend.m_fPhase, kPi / 2.0f + 0.05f * 0.03f, 1e-6f);
}

TEST_F(SceneTest, UserCameraFliesFromItsStartEyeAndReturnsThereAfterADeviceLoss) {
    g_saverSettings.userControl = 1;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    Run(1, 0.02f);
    EXPECT_NEAR(Distance(g_camera.Eye(), kStartEye), 0.0f, 1e-2f);
    const D3DXVECTOR3 whale(1000.0f, 0.0f, -500.0f);
    KeyState up;
    up.up = 1;
    Run(10, 0.02f, up);
    // Straight at the whale it looks at: 120 units a second.
    EXPECT_NEAR(Distance(kStartEye, whale) - Distance(g_camera.Eye(), whale), 24.0f, 1e-2f);

    // The loss is noticed at the present; the reset puts back the fixed states, the fog, the
    // projection and the start eye.
    g_pd3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g_pd3dDevice->ForceDeviceLoss(1);
    Run(1, 0.02f, up);
    EXPECT_EQ(g_frameRecord.m_hrPresent, D3DERR_DEVICELOST);
    EXPECT_EQ(g_frameRecord.m_bReset, 1);
    EXPECT_EQ(g_camera.Eye(), kStartEye);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_FOGCOLOR), 0xFFFFFFFFu);
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    D3DXMATRIX projection;
    g_pd3dDevice->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NEAR(FieldOfView(projection), 0.8975979f, 1e-6f);

    Run(1, 0.02f);
    EXPECT_EQ(g_frameRecord.m_hrPresent, D3D_OK);
    EXPECT_EQ(g_frameRecord.m_bReset, 0);
}

TEST_F(SceneTest, FrameRateTextChangesAtMostOnceASecond) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    std::string last;
    double lastChange = -10.0;
    int changes = 0;
    for (int frame = 0; frame < 40; ++frame) {
        Run(1, 0.1f);
        const std::string text = g_frameRecord.m_szFrameRate;
        if (text != last) {
            EXPECT_GE(MonotonicSeconds() - lastChange, 0.999) << "frame " << frame;
            lastChange = MonotonicSeconds();
            last = text;
            ++changes;
        }
    }
    EXPECT_GE(changes, 2);
    EXPECT_LE(changes, 5);
    EXPECT_EQ(last, " 10.00 ");
}

TEST_F(SceneTest, WithoutTheFrameRateNoTextIsDrawnButFogIsSwitchedOnAgain) {
    g_saverSettings.showFrameRate = 0;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    Run(1, 0.02f);
    g_pd3dDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    g_pd3dDevice->ResetCounters();
    Run(1, 0.0f);  // no time passes: the same picture
    EXPECT_STREQ(g_frameRecord.m_szFrameRate, "");
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), 1u);
    const uint64_t sceneDraws = g_pd3dDevice->Counters().draws;

    g_saverSettings.showFrameRate = 1;
    g_pd3dDevice->ResetCounters();
    Run(1, 0.0f);
    EXPECT_STRNE(g_frameRecord.m_szFrameRate, "");
    EXPECT_GT(g_pd3dDevice->Counters().draws, sceneDraws);
}

TEST_F(SceneTest, TheSameFrameReadsBackTheSameBytesWithManyRasteriserThreads) {
    // llvmpipe reads this when a context is made: eight threads fill the tiles of a frame, so
    // a read-back that does not wait for them catches some tiles unfinished, most often right
    // after the first frames of a start-up.
    setenv("LP_NUM_THREADS", "8", 1);
    g_saverSettings.night = 1;
    std::vector<uint8_t> firstBack, firstWindow;
    for (int start = 0; start < 6; ++start) {
        SetUp();
        ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
        Run(1, 0.02f);
        for (int frame = 0; frame < 3; ++frame) {
            Run(1, 0.0f);  // no time passes: the same picture, the same frame-rate text
            std::vector<uint8_t> back, window;
            UINT width = 0, height = 0;
            ASSERT_EQ(g_pd3dDevice->ReadBackBuffer(&back, &width, &height), D3D_OK);
            ASSERT_EQ(g_pd3dDevice->ReadWindow(&window, &width, &height), D3D_OK);
            if (firstBack.empty()) {
                firstBack = back;
                firstWindow = window;
            }
            EXPECT_TRUE(back == firstBack) << "back buffer, start " << start << ", frame " << frame;
            EXPECT_TRUE(window == firstWindow) << "window, start " << start << ", frame " << frame;
        }
        TearDown();
    }
    unsetenv("LP_NUM_THREADS");
}

// A 44-byte "Toon.vsh" vertex.
struct ToonVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DCOLOR colour;
    float u0, v0, u1, v1;
};

template <typename Buffer, typename Data>
void Fill(Buffer* buffer, const Data& data) {
    BYTE* bytes = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
    std::memcpy(bytes, &data, sizeof data);
    buffer->Unlock();
}

TEST_F(SceneTest, QueueIsDrawnNearFirstAlongTheViewDirectionAtEveryHeadingAndHoldsAThousand) {
    g_saverSettings.resolution = 1;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    IDirect3DDevice8* device = g_pd3dDevice;
    // Two screen-filling squares 10 units ahead of the camera, in camera space, red and green:
    // with equal depths passing the depth test, the one drawn last covers the screen. Their
    // queue entries carry the camera's world matrix, and sort positions at depths of our choice.
    IDirect3DVertexBuffer8* squares[2] = {};
    for (int k = 0; k < 2; ++k) {
        const D3DCOLOR c = k == 0 ? 0xFFFF0000u : 0xFF00FF00u;
        const D3DXVECTOR3 n(0.0f, 0.0f, -1.0f);
        const ToonVertex vertices[4] = {{{-50, 50, 10}, n, c, 0, 0, 0, 0},
                                        {{50, 50, 10}, n, c, 0, 0, 0, 0},
                                        {{50, -50, 10}, n, c, 0, 0, 0, 0},
                                        {{-50, -50, 10}, n, c, 0, 0, 0, 0}};
        ASSERT_EQ(device->CreateVertexBuffer(sizeof vertices, 0, 0, D3DPOOL_MANAGED, &squares[k]),
                  D3D_OK);
        Fill(squares[k], vertices);
    }
    const WORD indices[6] = {0, 1, 2, 0, 2, 3};  // clockwise on screen
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    ASSERT_EQ(
        device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indexBuffer),
        D3D_OK);
    Fill(indexBuffer, indices);
    const D3DXATTRIBUTERANGE range = {0, 0, 2, 0, 4};
    const D3DMATERIAL8 material = {};
    const auto enqueue = [&](int square, const D3DXMATRIX& world, const D3DXVECTOR3& at) {
        g_zSortRender.Enqueue(squares[square], indexBuffer, &range, world, at, &material, nullptr,
                              1);
    };
    const auto centreColour = [&]() {
        std::vector<uint8_t> rgba;
        UINT width = 0, height = 0;
        device->ReadBackBuffer(&rgba, &width, &height);
        const uint8_t* centre = &rgba[(height / 2 * width + width / 2) * 4];
        return centre[0] > centre[1] ? "red" : "green";
    };

    // Headings along the axes, between them, and pitched: the key of a piece is its depth
    // before the camera (plus a constant), whichever way the camera turns.
    const struct {
        float yaw, pitch;
    } headings[] = {{0.0f, 0.0f}, {kPi / 2.0f, 0.0f}, {kPi, 0.0f},   {-kPi / 2.0f, 0.0f},
                    {0.7f, 0.0f}, {2.5f, 0.4f},       {-1.2f, -0.6f}};
    const D3DXVECTOR3 eye(300.0f, 40.0f, -700.0f);
    for (const auto& h : headings) {
        D3DXMATRIX rotation, translation;
        D3DXMatrixRotationYawPitchRoll(&rotation, h.yaw, h.pitch, 0.0f);
        D3DXMatrixTranslation(&translation, eye.x, eye.y, eye.z);
        D3DXMatrixMultiply(&g_camera.m_matWorld, &rotation, &translation);
        const D3DXMATRIX& w = g_camera.m_matWorld;
        const D3DXVECTOR3 forward(w._31, w._32, w._33);
        const float eyeKey = D3DXVec3Dot(&forward, &eye);
        for (int nearSquare = 0; nearSquare < 2; ++nearSquare) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
            enqueue(1 - nearSquare, w, eye + forward * 20.0f);  // far, queued first
            enqueue(nearSquare, w, eye + forward * 10.0f);
            DrawQueue();
            EXPECT_STREQ(centreColour(), nearSquare == 0 ? "green" : "red")
                << "the far square is drawn last, yaw " << h.yaw << ", pitch " << h.pitch;
            EXPECT_NEAR(g_frameRecord.m_fFirstKey - eyeKey, 10.0f, 1e-3f) << "yaw " << h.yaw;
            EXPECT_NEAR(g_frameRecord.m_fLastKey - eyeKey, 20.0f, 1e-3f) << "yaw " << h.yaw;
            EXPECT_NEAR(Distance(g_frameRecord.m_vSortDirection, forward), 0.0f, 1e-5f);
        }
    }
    EXPECT_EQ(g_zSortRender.Count(), 0u);

    // The 1001st piece of a frame is dropped. These lie behind the camera: no pixels to draw.
    D3DXMatrixIdentity(&g_camera.m_matWorld);
    D3DXMATRIX behind;
    D3DXMatrixTranslation(&behind, 0.0f, 0.0f, -100.0f);
    for (int i = 0; i < 1001; ++i)
        enqueue(0, behind, D3DXVECTOR3(0.0f, 0.0f, static_cast<float>(i)));
    device->ResetCounters();
    DrawQueue();
    EXPECT_EQ(g_frameRecord.m_dwQueued, 1000u);
    EXPECT_EQ(device->Counters().draws, 1000u);

    indexBuffer->Release();
    squares[0]->Release();
    squares[1]->Release();
}

// The translation rows of the pieces left in the queue after a frame: in the dammy path the
// leader is queued after the queue's draw, so its pieces are the only ones left.
std::vector<D3DXVECTOR3> LeftInQueue() {
    std::vector<D3DXVECTOR3> positions;
    for (DWORD i = 0; i < g_zSortRender.Count(); ++i) {
        const D3DXMATRIX& w = g_zSortRender.Entry(i).m_matWorld;
        positions.push_back(D3DXVECTOR3(w._41, w._42, w._43));
    }
    return positions;
}

TEST_F(SceneTest, AutomaticModeFliesTheLeadBirdTheFlockFollowsItAndTheWhaleWaits) {
    g_saverSettings.skinnedModels = 0;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    KeyState keys;
    keys.w = keys.a = 1;  // the whale's keys do nothing here
    Run(10, 0.02f, keys);
    EXPECT_NEAR(g_goal.m_fWaypointTimer, 0.2f, 1e-5f);
    EXPECT_NE(g_goal.m_vPos, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    const D3DXVECTOR3 lead = g_goal.m_pInstance->m_vPosition;  // cached by the frame
    EXPECT_EQ(lead,
              D3DXVECTOR3(g_goal.m_pInstance->m_matWorld._41, g_goal.m_pInstance->m_matWorld._42,
                          g_goal.m_pInstance->m_matWorld._43));
    EXPECT_EQ(g_boids.m_vTarget, lead);
    EXPECT_EQ(g_goalUser.m_vPos, D3DXVECTOR3(1000.0f, 0.0f, -500.0f));
    EXPECT_EQ(g_goalUser.m_fThrust, 0.0f);
    const std::vector<D3DXVECTOR3> left = LeftInQueue();
    ASSERT_FALSE(left.empty());
    for (const D3DXVECTOR3& p : left)
        EXPECT_EQ(p, lead);
}

TEST_F(SceneTest, UserModeFliesTheWhaleByItsKeysTheCameraLooksAtItAndTheLeadBirdWaits) {
    g_saverSettings.userControl = 1;
    g_saverSettings.skinnedModels = 0;
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    const D3DXVECTOR3 waypoint = g_goal.m_vWaypoint;
    KeyState keys;
    keys.w = 1;
    Run(30, 0.02f, keys);
    EXPECT_GT(g_goalUser.m_fThrust, 0.0f);
    EXPECT_GT(g_goalUser.m_fCurSpeed, 0.0f);
    EXPECT_GT(g_goalUser.m_vPos.z, -500.0f);  // straight ahead along +z
    const D3DXVECTOR3 whale = g_goalUser.m_pInstance->m_vPosition;
    EXPECT_EQ(g_boids.m_vTarget, whale);
    EXPECT_EQ(g_goal.m_vPos, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    EXPECT_EQ(g_goal.m_fWaypointTimer, 0.0f);
    EXPECT_EQ(g_goal.m_vWaypoint, waypoint);

    // The camera stays at its start eye and looks at the whale.
    EXPECT_NEAR(Distance(g_camera.Eye(), kStartEye), 0.0f, 1e-2f);
    D3DXVECTOR3 gaze = whale - g_camera.Eye();
    D3DXVec3Normalize(&gaze, &gaze);
    const D3DXMATRIX& w = g_camera.m_matWorld;
    EXPECT_NEAR(Distance(D3DXVECTOR3(w._31, w._32, w._33), gaze), 0.0f, 1e-4f);

    // Only the whale, 30 times its model's size, is left in the queue after the frame.
    const std::vector<D3DXVECTOR3> left = LeftInQueue();
    ASSERT_FALSE(left.empty());
    for (const D3DXVECTOR3& p : left)
        EXPECT_EQ(p, whale);
    const D3DXMATRIX& queued = g_zSortRender.Entry(0).m_matWorld;
    EXPECT_NEAR(Distance(D3DXVECTOR3(queued._31, queued._32, queued._33), D3DXVECTOR3()), 30.0f,
                1e-3f);
}

TEST_F(SceneTest, TheSkinnedLeaderIsDrawnWithoutAFrustumTestAtTwoAndAHalfTimesItsSize) {
    ASSERT_EQ(Initiate(nullptr), 1) << g_traceLog.Text();
    ASSERT_NE(g_goal.m_pSkinnedSkm, nullptr);
    EXPECT_STREQ(g_goal.m_pSkinnedSkm->ResourceName(), "BIRDSKINNED01.X");  // by day
    Run(1, 0.02f);
    // 500 units behind the camera.
    const D3DXMATRIX& c = g_camera.m_matWorld;
    g_goal.m_vPos = g_camera.Eye() - D3DXVECTOR3(c._31, c._32, c._33) * 500.0f;
    g_goal.Update(0.0f);
    g_pd3dDevice->ResetCounters();
    g_goal.Render(g_pd3dDevice, g_camera, &g_zSortRender, g_vLight, g_fog.m_fFogEnd);
    EXPECT_GT(g_pd3dDevice->Counters().draws, 0u);
    const D3DXMATRIX& world = g_goal.m_pInstance->m_matWorld;
    EXPECT_NEAR(Distance(D3DXVECTOR3(world._11, world._12, world._13), D3DXVECTOR3()), 2.5f, 1e-5f);
}
}  // namespace
