// Boids::Update for 5, 50 and 100 birds, without and with the obstacle look-ahead: the obstacle
// sets are loaded on a headless device and the leader circles through them, so that birds keep
// meeting obstacles. Each flock first flies 20 seconds to leave its start cube.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "flock/boids.h"
#include "platform/d3d8/headless_device.h"
#include "platform/system/lcg_random.h"
#include "world/background_object.h"

namespace {
constexpr float kDt = 0.03f;

struct ObstacleSets {
    HeadlessDevice headless;
    BackGroundObject sets[2];
    D3DXVECTOR3 centre;
    bool loaded = false;

    ObstacleSets() {
        std::string error;
        if (FAILED(headless.Create(64, 64, D3DFMT_X8R8G8B8, &error)) ||
            FAILED(sets[0].InitDeviceObjects(headless.device, "OBSTACLE01.X", "OBSTACLE01.BPS")) ||
            FAILED(sets[1].InitDeviceObjects(headless.device, "OBSTACLE02.X", "OBSTACLE02.BPS")))
            return;
        int count = 0;
        for (BackGroundObject& set : sets) {
            set.m_fQueryRadius = 200.0f;
            for (int n = 0; n < set.m_nCount; ++n) {
                const D3DXMATRIX& w = set.m_pBackGroundObj[n].m_matWorld;
                centre += D3DXVECTOR3(w._41, w._42, w._43);
                ++count;
            }
        }
        centre = centre / static_cast<float>(count);
        loaded = true;
    }
};

ObstacleSets& Obstacles() {
    static ObstacleSets sets;
    return sets;
}

D3DXVECTOR3 Leader(const D3DXVECTOR3& centre, int frame) {
    const float t = static_cast<float>(frame) * kDt;
    return centre + D3DXVECTOR3(1500.0f * std::cos(t / 25.0f), 300.0f * std::sin(t / 9.0f),
                                1500.0f * std::sin(t / 25.0f));
}

void BM_BoidsUpdate(benchmark::State& state) {
    ObstacleSets& obstacles = Obstacles();
    if (!obstacles.loaded) {
        state.SkipWithError("no headless device or obstacle sets");
        return;
    }
    SaverSettings settings;
    settings.birdCount = static_cast<int32_t>(state.range(0));
    settings.avoidObstacles = static_cast<int32_t>(state.range(1));
    Boids boids;
    boids.ApplySettings(settings);
    RandomSeed(1);
    if (FAILED(boids.CreateBirds())) {
        state.SkipWithError("no flock");
        return;
    }
    int frame = 0;
    for (; frame < 667; ++frame)
        boids.Update(Leader(obstacles.centre, frame), obstacles.sets[0], obstacles.sets[1], kDt);
    for (auto _ : state) {
        boids.Update(Leader(obstacles.centre, frame), obstacles.sets[0], obstacles.sets[1], kDt);
        ++frame;
    }
    benchmark::DoNotOptimize(boids.m_pBoids[0].vPos);
    state.counters["birds"] = static_cast<double>(boids.m_nBoids);
}
BENCHMARK(BM_BoidsUpdate)
    ->ArgNames({"birds", "avoid"})
    ->ArgsProduct({{5, 50, 100}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
}  // namespace
