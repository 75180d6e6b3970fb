// Loading the whole scenery as the start-up does: the three pillar sets and both obstacle sets,
// models and placements, on a headless device; freed again after every round.
#include <benchmark/benchmark.h>

#include <string>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/headless_device.h"
#include "world/back_grounds.h"
#include "world/background_object.h"
#include "world/mesh_model.h"

namespace {
// A 64x64 headless device; `device` stays null when none can be had.
struct LoadDevice : HeadlessDevice {
    LoadDevice() {
        std::string error;
        Create(64, 64, D3DFMT_X8R8G8B8, &error);
    }
};
}  // namespace

static void BM_LoadAllScenerySets(benchmark::State& state) {
    LoadDevice headless;
    if (!headless.device) {
        state.SkipWithError("no headless device");
        return;
    }
    SaverSettings settings;
    settings.pillar01Enabled = settings.pillar02Enabled = settings.pillar03Enabled = 1;
    for (auto _ : state) {
        g_traceLog = TraceLog(".");  // the trace would fill up after a few rounds
        BackGrounds pillars;
        BackGroundObject obstacles01, obstacles02;
        pillars.ApplySettings(settings);
        if (FAILED(pillars.InitDeviceObjects(headless.device)) ||
            FAILED(
                obstacles01.InitDeviceObjects(headless.device, "OBSTACLE01.X", "OBSTACLE01.BPS")) ||
            FAILED(
                obstacles02.InitDeviceObjects(headless.device, "OBSTACLE02.X", "OBSTACLE02.BPS"))) {
            state.SkipWithError("a scenery set did not load");
            return;
        }
        pillars.DeleteDeviceObjects();
        obstacles01.DeleteDeviceObjects();
        obstacles02.DeleteDeviceObjects();
    }
}
BENCHMARK(BM_LoadAllScenerySets)->Unit(benchmark::kMillisecond);

// The heaviest single model alone, for comparison with the whole set.
static void BM_LoadPillar01Model(benchmark::State& state) {
    LoadDevice headless;
    if (!headless.device) {
        state.SkipWithError("no headless device");
        return;
    }
    for (auto _ : state) {
        g_traceLog = TraceLog(".");
        MeshModel model;
        if (FAILED(model.LoadXFile(headless.device, "PILLAR01.X"))) {
            state.SkipWithError(model.LastError().c_str());
            return;
        }
        model.Release();
    }
}
BENCHMARK(BM_LoadPillar01Model)->Unit(benchmark::kMillisecond);
