// Loading the whole scenery as the start-up does: the three pillar sets and both obstacle sets,
// models and placements, on a headless device; freed again after every round.
#include <benchmark/benchmark.h>

#include <string>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "platform/d3d8.h"
#include "platform/gl_window.h"
#include "world/back_grounds.h"
#include "world/background_object.h"
#include "world/mesh_model.h"

namespace {
struct HeadlessDevice {
    GlWindow* window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;

    HeadlessDevice() {
        std::string error;
        window = GlWindow::CreateHeadless(64, 64, &error);
        d3d = window ? Direct3DCreate8(D3D_SDK_VERSION) : nullptr;
        if (!d3d)
            return;
        D3DPRESENT_PARAMETERS parameters;
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = window;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D16;
        d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
    }
    ~HeadlessDevice() {
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
        GlWindow::Destroy(window);
    }
};
}  // namespace

static void BM_LoadAllScenerySets(benchmark::State& state) {
    HeadlessDevice headless;
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
    HeadlessDevice headless;
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
