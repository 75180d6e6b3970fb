// velmora-tool render: runs the saver's own start-up, frames and tear-down headless on EGL with
// chosen settings, a manual clock (a fixed seed and a fixed time step, so that runs repeat
// exactly), writes chosen frames' back buffers as PNG files, prints what each frame did with
// --report, writes the actors' state as CSV with --actors, and ends with the frame rate, the
// CPU time per frame and the start-up time.
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "app/startup.h"
#include "platform/image/png_writer.h"
#include "platform/system/system_clock.h"
#include "tools/velmora_tool/commands.h"
#include "tools/velmora_tool/tool_output.h"

namespace {
constexpr int kMaxFrames = 1000000;

struct RenderOptions {
    int frames = 60;
    uint64_t stepMicroseconds = 16667;  // 60 frames per second
    uint32_t seed = 1;                  // the millisecond tick count at start
    bool report = false;
    std::string actors;               // CSV of the leader's and the birds' state; "" for none
    KeyState keys;                    // held on every frame
    std::map<int, int> losses;        // frame -> presents reported lost from that frame on
    std::map<int, std::string> pngs;  // frame -> file; frame -1 is the last one
};

// Every SaverSettings field by its name.
int32_t* SettingsField(const std::string& name) {
    SaverSettings& s = g_saverSettings;
    const std::map<std::string, int32_t*> fields = {
        {"showFrameRate", &s.showFrameRate},
        {"night", &s.night},
        {"resolution", &s.resolution},
        {"aspectMode", &s.aspectMode},
        {"skinnedModels", &s.skinnedModels},
        {"avoidObstacles", &s.avoidObstacles},
        {"loops", &s.loops},
        {"pillar01Enabled", &s.pillar01Enabled},
        {"pillar02Enabled", &s.pillar02Enabled},
        {"pillar03Enabled", &s.pillar03Enabled},
        {"userControl", &s.userControl},
        {"music", &s.music},
        {"birdCount", &s.birdCount},
        {"flockRadius", &s.flockRadius},
        {"speedPercent", &s.speedPercent},
        {"separationPercent", &s.separationPercent},
        {"alignmentPercent", &s.alignmentPercent},
        {"cohesionPercent", &s.cohesionPercent},
        {"targetPercent", &s.targetPercent},
        {"centerPercent", &s.centerPercent},
    };
    const auto found = fields.find(name);
    return found == fields.end() ? nullptr : found->second;
}

int32_t* HeldKey(KeyState* keys, const std::string& name) {
    const std::map<std::string, int32_t*> names = {
        {"w", &keys->w},         {"s", &keys->s},           {"d", &keys->d},
        {"a", &keys->a},         {"e", &keys->e},           {"q", &keys->q},
        {"up", &keys->up},       {"down", &keys->down},     {"left", &keys->left},
        {"right", &keys->right}, {"pageup", &keys->pageUp}, {"pagedown", &keys->pageDown},
    };
    const auto found = names.find(name);
    return found == names.end() ? nullptr : found->second;
}

// "NAME=VALUE" for --set.
bool ParseSetting(const char* text) {
    const char* equals = std::strchr(text, '=');
    int32_t* field = equals ? SettingsField(std::string(text, equals)) : nullptr;
    if (!field) {
        std::fprintf(stderr, "velmora-tool: '%s' does not name a setting (NAME=VALUE)\n", text);
        return false;
    }
    long long value = 0;
    if (!ParseIntegerArgument(equals + 1, INT32_MIN, INT32_MAX, &value))
        return false;
    *field = static_cast<int32_t>(value);
    return true;
}

// "KEY[,KEY...]" for --hold.
bool ParseKeys(const char* text, KeyState* keys) {
    std::string list(text);
    size_t begin = 0;
    while (begin <= list.size()) {
        const size_t comma = std::min(list.find(',', begin), list.size());
        const std::string name = list.substr(begin, comma - begin);
        int32_t* key = HeldKey(keys, name);
        if (!key) {
            std::fprintf(stderr,
                         "velmora-tool: '%s' is not a key (w s d a e q up down left right "
                         "pageup pagedown)\n",
                         name.c_str());
            return false;
        }
        *key = 1;
        begin = comma + 1;
    }
    return true;
}

// "FRAME:FILE" (FRAME a number or "last") for --png.
bool ParsePng(const char* text, RenderOptions* options) {
    const char* colon = std::strchr(text, ':');
    if (!colon || colon[1] == '\0') {
        std::fprintf(stderr, "velmora-tool: --png takes FRAME:FILE, not '%s'\n", text);
        return false;
    }
    const std::string frame(text, colon);
    long long index = -1;
    if (frame != "last" && !ParseIntegerArgument(frame.c_str(), 0, kMaxFrames - 1, &index))
        return false;
    options->pngs[static_cast<int>(index)] = colon + 1;
    return true;
}

// "FRAME[:COUNT]" for --lose-device.
bool ParseLoss(const char* text, RenderOptions* options) {
    std::string frame(text), count("1");
    const size_t colon = frame.find(':');
    if (colon != std::string::npos) {
        count = frame.substr(colon + 1);
        frame.resize(colon);
    }
    long long index = 0, presents = 0;
    if (!ParseIntegerArgument(frame.c_str(), 0, kMaxFrames - 1, &index) ||
        !ParseIntegerArgument(count.c_str(), 1, kMaxFrames, &presents))
        return false;
    options->losses[static_cast<int>(index)] = static_cast<int>(presents);
    return true;
}

int Usage() {
    PrintRenderUsage(stderr);
    return 2;
}

bool ParseOptions(int argc, char** argv, RenderOptions* options) {
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--report") {
            options->report = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "velmora-tool: '%s' needs a value\n", option.c_str());
            return false;
        }
        const char* value = argv[++i];
        long long number = 0;
        float seconds = 0.0f;
        if (option == "--frames") {
            if (!ParseIntegerArgument(value, 1, kMaxFrames, &number))
                return false;
            options->frames = static_cast<int>(number);
        } else if (option == "--step") {
            if (!ParseFloatArgument(value, &seconds))
                return false;
            if (!(seconds > 0.0f && seconds <= 10.0f)) {
                std::fprintf(stderr, "velmora-tool: --step takes seconds above 0, at most 10\n");
                return false;
            }
            options->stepMicroseconds = static_cast<uint64_t>(std::llround(seconds * 1e6));
        } else if (option == "--seed") {
            if (!ParseIntegerArgument(value, 0, UINT32_MAX, &number))
                return false;
            options->seed = static_cast<uint32_t>(number);
        } else if (option == "--set") {
            if (!ParseSetting(value))
                return false;
        } else if (option == "--hold") {
            if (!ParseKeys(value, &options->keys))
                return false;
        } else if (option == "--png") {
            if (!ParsePng(value, options))
                return false;
        } else if (option == "--actors") {
            options->actors = value;
        } else if (option == "--lose-device") {
            if (!ParseLoss(value, options))
                return false;
        } else {
            std::fprintf(stderr, "velmora-tool: unknown option '%s'\n", option.c_str());
            return false;
        }
    }
    return true;
}

double ThreadCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string Csv(const D3DXVECTOR3& v) {
    return FormatFloat(v.x) + "," + FormatFloat(v.y) + "," + FormatFloat(v.z);
}

DWORD RenderState(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    g_pd3dDevice->GetRenderState(state, &value);
    return value;
}

float FloatRenderState(D3DRENDERSTATETYPE state) {
    const DWORD bits = RenderState(state);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    DWORD value = 0;
    g_pd3dDevice->GetTextureStageState(stage, type, &value);
    return value;
}

// One line of name=value words: the camera, the lens read back from the projection (the far
// plane is the fog end), the colours and fixed states on the device, the queue, the text, the
// present and the counters.
void PrintReport(int frame) {
    const D3DXMATRIX& p = g_camera.m_matProjection;
    const float fieldOfView = 2.0f * std::atan(1.0f / p._22);
    const float nearPlane = -p._43 / p._33;
    const D3DXVECTOR4& l = g_vLight;
    const DeviceCounters& counters = g_pd3dDevice->Counters();
    std::printf(
        "frame=%d time=%s step=%s raw=%s eye=%s flock=%s dolly=%s fov=%s aspect=%s near=%s "
        "light=%s,%s,%s,%s clear=%s fogenable=%u fogcolor=%s fogmode=%u fogstart=%s "
        "fogend=%s zenable=%u cull=%u colorop0=%u colorop1=%u queued=%u sort=%s firstkey=%s "
        "lastkey=%s text=\"%s\" framerate=%s present=%s reset=%d draws=%llu triangles=%llu\n",
        frame, FormatFloat(static_cast<float>(MonotonicSeconds())).c_str(),
        FormatFloat(g_fTimeStep).c_str(), FormatFloat(g_fRawStep).c_str(),
        Csv(g_camera.Eye()).c_str(), Csv(g_vFlockCentre).c_str(),
        Csv(g_cameraDolly.Position()).c_str(), FormatFloat(fieldOfView).c_str(),
        FormatFloat(p._22 / p._11).c_str(), FormatFloat(nearPlane).c_str(),
        FormatFloat(l.x).c_str(), FormatFloat(l.y).c_str(), FormatFloat(l.z).c_str(),
        FormatFloat(l.w).c_str(), Hex(g_dwClearColor).c_str(),
        static_cast<unsigned>(RenderState(D3DRS_FOGENABLE)),
        Hex(RenderState(D3DRS_FOGCOLOR)).c_str(),
        static_cast<unsigned>(RenderState(D3DRS_FOGVERTEXMODE)),
        FormatFloat(FloatRenderState(D3DRS_FOGSTART)).c_str(),
        FormatFloat(FloatRenderState(D3DRS_FOGEND)).c_str(),
        static_cast<unsigned>(RenderState(D3DRS_ZENABLE)),
        static_cast<unsigned>(RenderState(D3DRS_CULLMODE)),
        static_cast<unsigned>(StageState(0, D3DTSS_COLOROP)),
        static_cast<unsigned>(StageState(1, D3DTSS_COLOROP)),
        static_cast<unsigned>(g_frameRecord.m_dwQueued),
        Csv(g_frameRecord.m_vSortDirection).c_str(), FormatFloat(g_frameRecord.m_fFirstKey).c_str(),
        FormatFloat(g_frameRecord.m_fLastKey).c_str(), g_frameRecord.m_szFrameRate,
        FormatFloat(g_fFrameRate).c_str(),
        Hex(static_cast<DWORD>(g_frameRecord.m_hrPresent)).c_str(), g_frameRecord.m_bReset,
        static_cast<unsigned long long>(counters.draws),
        static_cast<unsigned long long>(counters.triangles));
}

// One CSV row per actor after a frame's update (frame -1: after the start-up): the active
// leader as actor -1, then the birds in index order.
void WriteActors(FILE* file, int frame) {
    auto row = [&](int actor, const ActorState& a) {
        std::fprintf(file, "%d,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%d,%.9g\n", frame, actor,
                     a.vPos.x, a.vPos.y, a.vPos.z, a.fYaw, a.fPitch, a.fRoll, a.fSpeed, a.bLoop,
                     a.fLoopAngle);
    };
    row(-1, LeaderState());
    for (int i = 0; g_boids.m_pBoids && i < g_boids.m_nBoids; ++i) {
        const Boid& b = g_boids.m_pBoids[i];
        ActorState bird;
        bird.vPos = b.vPos;
        bird.fYaw = b.fYaw;
        bird.fPitch = b.fPitch;
        bird.fRoll = b.fRoll;
        bird.fSpeed = b.fSpeed;
        bird.bLoop = b.bLoop;
        bird.fLoopAngle = b.fLoopAngle;
        row(i, bird);
    }
}

bool WriteBackBuffer(const std::string& path) {
    std::vector<uint8_t> rgba;
    UINT width = 0, height = 0;
    std::string error;
    if (FAILED(g_pd3dDevice->ReadBackBuffer(&rgba, &width, &height)) ||
        !WritePng(path, rgba.data(), static_cast<int>(width), static_cast<int>(height), &error)) {
        std::fprintf(stderr, "velmora-tool: cannot write %s: %s\n", path.c_str(),
                     error.empty() ? "no back buffer" : error.c_str());
        return false;
    }
    return true;
}

// velmora-tool render [--seed S]: the manual clock reads S milliseconds (1 without --seed) from
// before the first global constructor runs, so the seeds that the constructors take from
// timeGetTime (SaverSettings', the lead bird's first waypoint) are S as well. glibc hands an
// ELF constructor the program's arguments; priority 101 runs it before every C++ global.
__attribute__((constructor(101))) void StartSeededClock(int argc, char** argv, char**) {
    if (argc < 2 || !argv || std::strcmp(argv[1], "render") != 0)
        return;
    uint64_t seed = RenderOptions().seed;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") != 0)
            continue;
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(argv[i + 1], &end, 10);
        if (end != argv[i + 1] && *end == '\0' && errno == 0 && value <= UINT32_MAX &&
            argv[i + 1][0] != '-')
            seed = value;
    }
    StartManualClock(seed * 1000u);
}
}  // namespace

void PrintRenderUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: velmora-tool render [--frames N] [--step SECONDS] [--seed N]\n"
                 "           [--set NAME=VALUE]... [--hold KEY[,KEY...]] [--png FRAME:FILE]...\n"
                 "           [--lose-device FRAME[:COUNT]]... [--report] [--actors FILE]\n"
                 "  NAME: a SaverSettings field (night, resolution, userControl, ...)\n"
                 "  FRAME: from 0, or 'last' for --png\n");
}

int RunRenderCommand(int argc, char** argv) {
    RenderOptions options;
    if (!ParseOptions(argc, argv, &options))
        return Usage();

    // As the saver's run does: the timer starts, then the start-up. The manual clock has stood
    // at the seed since the process began (StartSeededClock) and stands still through the
    // start-up, so every seed taken from it is the seed given.
    StartManualClock(static_cast<uint64_t>(options.seed) * 1000u);
    g_frameTimer(kTimerStart);
    const double startWall = WallSeconds();
    int status = Initiate(nullptr) ? 0 : 1;
    const double initiateSeconds = WallSeconds() - startWall;
    if (status != 0) {
        std::fprintf(stderr, "velmora-tool: the start-up failed:\n");
        PrintTrace();
    }

    FILE* actors = nullptr;
    if (status == 0 && !options.actors.empty()) {
        actors = std::fopen(options.actors.c_str(), "w");
        if (!actors) {
            std::fprintf(stderr, "velmora-tool: cannot write %s: %s\n", options.actors.c_str(),
                         std::strerror(errno));
            status = 1;
        } else {
            std::fprintf(actors, "frame,actor,x,y,z,yaw,pitch,roll,speed,loop,loop_angle\n");
            WriteActors(actors, -1);
        }
    }

    double startupSeconds = 0.0, frameWall = 0.0, frameCpu = 0.0;
    for (int frame = 0; status == 0 && frame < options.frames; ++frame) {
        const auto loss = options.losses.find(frame);
        if (loss != options.losses.end())
            g_pd3dDevice->ForceDeviceLoss(loss->second);
        AdvanceManualClock(options.stepMicroseconds);
        g_pd3dDevice->ResetCounters();

        const double wall0 = WallSeconds(), cpu0 = ThreadCpuSeconds();
        FrameWithKeys(nullptr, options.keys);
        const double wall1 = WallSeconds(), cpu1 = ThreadCpuSeconds();
        if (frame == 0) {
            startupSeconds = wall1 - startWall;
        } else {
            frameWall += wall1 - wall0;
            frameCpu += cpu1 - cpu0;
        }

        if (options.report)
            PrintReport(frame);
        if (actors)
            WriteActors(actors, frame);
        const bool last = frame + 1 == options.frames;
        for (const auto& png : options.pngs)
            if ((png.first == frame || (png.first == -1 && last)) && !WriteBackBuffer(png.second))
                status = 1;
    }
    if (actors && std::fclose(actors) != 0) {
        std::fprintf(stderr, "velmora-tool: cannot write %s: %s\n", options.actors.c_str(),
                     std::strerror(errno));
        status = 1;
    }
    if (status == 0) {
        // The first frame counts toward the start-up, not toward the frame times.
        const int timed = options.frames - 1;
        std::printf("size=%ux%u frames=%d startup_ms=%.1f initiate_ms=%.1f", g_nRenderWidth,
                    g_nRenderHeight, options.frames, startupSeconds * 1e3, initiateSeconds * 1e3);
        if (timed > 0)
            std::printf(" fps=%.1f frame_ms=%.3f cpu_ms_per_frame=%.3f",
                        frameWall > 0.0 ? timed / frameWall : 0.0, frameWall * 1e3 / timed,
                        frameCpu * 1e3 / timed);
        std::printf("\n");
    }
    g_frameTimer(kTimerStop);
    Cleanup();
    StopManualClock();
    return status;
}
