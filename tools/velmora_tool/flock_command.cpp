// velmora-tool flock: flies the flock without drawing for many frames of a fixed step, with the
// obstacle sets loaded on a headless device, behind a leader that circles through the obstacle
// field; checks every bird after every frame (a NaN or infinity anywhere, the distance from the
// origin) and counts the bird-steps that end inside an obstacle's collision hull. It is the
// soak and the obstacle check of the simulation.
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "flock/boids.h"
#include "platform/d3d8/headless_device.h"
#include "platform/system/lcg_random.h"
#include "tools/velmora_tool/commands.h"
#include "tools/velmora_tool/tool_output.h"
#include "world/background_object.h"
#include "world/mesh_model.h"
#include "world/segment_query.h"

namespace {
struct FlockOptions {
    long long frames = 1000000;
    int birds = 50;
    float step = 0.03f;  // seconds
    uint32_t seed = 1;
    int avoid = 0;
    int loops = 1;
};

int Usage() {
    PrintFlockUsage(stderr);
    return 2;
}

bool ParseOptions(int argc, char** argv, FlockOptions* options) {
    for (int i = 0; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "velmora-tool: '%s' needs a value\n", option.c_str());
            return false;
        }
        const char* value = argv[i + 1];
        long long number = 0;
        if (option == "--frames") {
            if (!ParseIntegerArgument(value, 1, 1000000000LL, &number))
                return false;
            options->frames = number;
        } else if (option == "--birds") {
            if (!ParseIntegerArgument(value, 1, 100, &number))
                return false;
            options->birds = static_cast<int>(number);
        } else if (option == "--seed") {
            if (!ParseIntegerArgument(value, 0, UINT32_MAX, &number))
                return false;
            options->seed = static_cast<uint32_t>(number);
        } else if (option == "--avoid" || option == "--loops") {
            if (!ParseIntegerArgument(value, 0, 1, &number))
                return false;
            (option == "--avoid" ? options->avoid : options->loops) = static_cast<int>(number);
        } else if (option == "--step") {
            if (!ParseFloatArgument(value, &options->step))
                return false;
            if (!(options->step > 0.0f && options->step <= 0.03f)) {
                std::fprintf(stderr, "velmora-tool: --step takes seconds above 0, at most 0.03\n");
                return false;
            }
        } else {
            std::fprintf(stderr, "velmora-tool: unknown option '%s'\n", option.c_str());
            return false;
        }
    }
    return true;
}

bool Finite(const D3DXVECTOR3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

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

// One collision hull of an obstacle set in model space: positions, faces and bounds.
struct Hull {
    std::string positions;  // D3DXVECTOR3 per vertex
    std::string indices;    // 16-bit, three per face
    D3DXVECTOR3 low, high;
};

bool ReadHull(const DammyMesh& mesh, Hull* hull) {
    ID3DXMesh* m = mesh.m_pMesh;
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    if (!m || FAILED(m->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return false;
    if (FAILED(m->LockIndexBuffer(D3DLOCK_READONLY, &indices))) {
        m->UnlockVertexBuffer();
        return false;
    }
    const DWORD stride = m->GetNumBytesPerVertex();
    hull->low = D3DXVECTOR3(1e30f, 1e30f, 1e30f);
    hull->high = -hull->low;
    for (DWORD v = 0; v < m->GetNumVertices(); ++v) {
        D3DXVECTOR3 p;
        std::memcpy(&p, vertices + v * stride, sizeof p);
        hull->positions.append(reinterpret_cast<const char*>(&p), sizeof p);
        hull->low = D3DXVECTOR3(std::fmin(hull->low.x, p.x), std::fmin(hull->low.y, p.y),
                                std::fmin(hull->low.z, p.z));
        hull->high = D3DXVECTOR3(std::fmax(hull->high.x, p.x), std::fmax(hull->high.y, p.y),
                                 std::fmax(hull->high.z, p.z));
    }
    hull->indices.assign(reinterpret_cast<const char*>(indices),
                         m->GetNumFaces() * 3 * sizeof(unsigned short));
    m->UnlockIndexBuffer();
    m->UnlockVertexBuffer();
    return true;
}

// Whether a model-space point lies inside a closed, outward-wound hull: along a ray from it,
// the faces it leaves through outnumber those it enters through.
bool Inside(const Hull& hull, const D3DXVECTOR3& p) {
    if (p.x < hull.low.x || p.y < hull.low.y || p.z < hull.low.z || p.x > hull.high.x ||
        p.y > hull.high.y || p.z > hull.high.z)
        return false;
    const D3DXVECTOR3* v = reinterpret_cast<const D3DXVECTOR3*>(hull.positions.data());
    const unsigned short* index = reinterpret_cast<const unsigned short*>(hull.indices.data());
    const size_t faces = hull.indices.size() / (3 * sizeof(unsigned short));
    const D3DXVECTOR3 dir(0.57735026f, 0.57735026f, 0.57735026f);
    int balance = 0;
    for (size_t f = 0; f < faces; ++f) {
        const D3DXVECTOR3 &a = v[index[3 * f]], &b = v[index[3 * f + 1]], &c = v[index[3 * f + 2]];
        float t = 0.0f, u = 0.0f, w = 0.0f;
        if (IntersectTriangle(p, dir, a, b, c, &t, &u, &w) && t > 0.0f)
            --balance;  // entered through a face that looks back at the ray
        if (IntersectTriangle(p, dir, a, c, b, &t, &u, &w) && t > 0.0f)
            ++balance;  // left through one that looks along it
    }
    return balance > 0;
}

// The obstacle sets with their hulls and every instance's inverse placement.
struct ObstacleField {
    BackGroundObject sets[2];
    Hull hulls[2];
    std::string inverses[2];  // D3DXMATRIX per instance
    D3DXVECTOR3 centre;       // mean of all placements

    bool Load(IDirect3DDevice8* device) {
        const char* names[2][2] = {{"OBSTACLE01.X", "OBSTACLE01.BPS"},
                                   {"OBSTACLE02.X", "OBSTACLE02.BPS"}};
        int placed = 0;
        for (int s = 0; s < 2; ++s) {
            BackGroundObject& set = sets[s];
            if (FAILED(set.InitDeviceObjects(device, names[s][0], names[s][1])) ||
                set.m_pBackGroundMdl->m_dwMeshDammyNum < 1 ||
                !ReadHull(set.m_pBackGroundMdl->m_pMeshDammy[0], &hulls[s])) {
                std::fprintf(stderr, "velmora-tool: %s did not load\n", names[s][0]);
                return false;
            }
            set.m_fQueryRadius = 200.0f;
            for (int n = 0; n < set.m_nCount; ++n) {
                const D3DXMATRIX& world = set.m_pBackGroundObj[n].m_matWorld;
                D3DXMATRIX inverse;
                D3DXMatrixInverse(&inverse, nullptr, &world);
                inverses[s].append(reinterpret_cast<const char*>(&inverse), sizeof inverse);
                centre += D3DXVECTOR3(world._41, world._42, world._43);
                ++placed;
            }
        }
        centre = centre / static_cast<float>(placed > 0 ? placed : 1);
        return true;
    }

    // Whether p lies inside some instance's hull.
    bool Contains(const D3DXVECTOR3& p) const {
        for (int s = 0; s < 2; ++s) {
            const D3DXMATRIX* inverse = reinterpret_cast<const D3DXMATRIX*>(inverses[s].data());
            for (int n = 0; n < sets[s].m_nCount; ++n) {
                const D3DXMATRIX& world = sets[s].m_pBackGroundObj[n].m_matWorld;
                const D3DXVECTOR3 d = p - D3DXVECTOR3(world._41, world._42, world._43);
                if (D3DXVec3LengthSq(&d) > 200.0f * 200.0f)
                    continue;
                D3DXVECTOR3 local;
                D3DXVec3TransformCoord(&local, &p, &inverse[n]);
                if (Inside(hulls[s], local))
                    return true;
            }
        }
        return false;
    }
};

double CpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
}  // namespace

int RunFlockCommand(int argc, char** argv) {
    FlockOptions options;
    if (!ParseOptions(argc, argv, &options))
        return Usage();

    HeadlessDevice headless;
    std::string error;
    if (FAILED(headless.Create(64, 64, D3DFMT_X8R8G8B8, &error))) {
        std::fprintf(stderr, "velmora-tool: no headless device: %s\n", error.c_str());
        return 1;
    }
    ObstacleField field;
    if (!field.Load(headless.device))
        return 1;

    SaverSettings settings;
    settings.birdCount = options.birds;
    settings.avoidObstacles = options.avoid;
    settings.loops = options.loops;
    Boids boids;
    boids.ApplySettings(settings);
    RandomSeed(options.seed);
    if (FAILED(boids.CreateBirds())) {
        std::fprintf(stderr, "velmora-tool: the flock could not be made\n");
        return 1;
    }

    // The leader circles the obstacle field's centre at 1500 units, once every 2.6 minutes,
    // rising and falling 300 units, so that the flock keeps crossing the obstacles.
    long long nonFinite = 0, inside = 0, somersaults = 0, firstSomersault = -1;
    long long farthestFrame = -1, firstBad = -1;
    float farthest = 0.0f;
    double updateSeconds = 0.0;
    for (long long frame = 0; frame < options.frames; ++frame) {
        const double t = static_cast<double>(frame) * options.step;
        const D3DXVECTOR3 target(field.centre.x + static_cast<float>(1500.0 * std::cos(t / 25.0)),
                                 field.centre.y + static_cast<float>(300.0 * std::sin(t / 9.0)),
                                 field.centre.z + static_cast<float>(1500.0 * std::sin(t / 25.0)));
        const float timerBefore = boids.m_fLoopTimer;
        const double cpu0 = CpuSeconds();
        boids.Update(target, field.sets[0], field.sets[1], options.step);
        updateSeconds += CpuSeconds() - cpu0;
        if (boids.m_fLoopTimer < timerBefore) {
            if (firstSomersault < 0)
                firstSomersault = frame;
            ++somersaults;
        }
        for (int i = 0; i < boids.m_nBoids; ++i) {
            const Boid& b = boids.m_pBoids[i];
            if (!Finite(b)) {
                ++nonFinite;
                if (firstBad < 0)
                    firstBad = frame;
                continue;
            }
            const float distance = D3DXVec3Length(&b.vPos);
            if (distance > farthest) {
                farthest = distance;
                farthestFrame = frame;
            }
            if (field.Contains(b.vPos))
                ++inside;
        }
    }
    std::printf(
        "frames=%lld birds=%d step=%s avoid=%d loops=%d seed=%u nonfinite=%lld "
        "first_nonfinite=%lld "
        "max_origin_distance=%s at_frame=%lld within_20000=%d inside_hull_steps=%lld "
        "bird_steps=%lld somersaults=%lld first_somersault_frame=%lld update_us=%.2f\n",
        options.frames, options.birds, FormatFloat(options.step).c_str(), options.avoid,
        options.loops, options.seed, nonFinite, firstBad, FormatFloat(farthest).c_str(),
        farthestFrame, farthest <= 20000.0f ? 1 : 0, inside,
        options.frames * static_cast<long long>(options.birds), somersaults, firstSomersault,
        updateSeconds * 1e6 / static_cast<double>(options.frames));
    return nonFinite == 0 && farthest <= 20000.0f ? 0 : 1;
}

void PrintFlockUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: velmora-tool flock [--frames N] [--birds N] [--step SECONDS] "
                 "[--seed N] [--avoid 0|1] [--loops 0|1]\n");
}
