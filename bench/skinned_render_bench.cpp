// CPU cost of one frame's skinned work as the flock does it: two Advance calls (one per bird
// mesh) and one Render per bird (root split, frame tree re-multiplied, palette built and
// uploaded, the draws), for 1 and 100 birds; and the posing alone, without the device.
// Headless EGL; time is the main thread's CPU time, after a glFinish per frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/d3d8/headless_device.h"
#include "render/skinned_mesh.h"

namespace {
constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;
constexpr float kStep = 1.0f / 60.0f;  // seconds per frame

struct BirdScene {
    HeadlessDevice headless;
    SkinnedMesh meshes[2];
    std::string error;
};

BirdScene& Scene() {
    static BirdScene* scene = [] {
        BirdScene* s = new BirdScene();
        if (FAILED(s->headless.Create(kWidth, kHeight, D3DFMT_R5G6B5, &s->error)))
            return s;
        D3DCAPS8 caps;
        s->headless.device->GetDeviceCaps(&caps);
        const char* names[2] = {"BIRDSKINNED01.X", "BIRDSKINNED02.X"};
        for (int i = 0; i < 2; ++i)
            if (FAILED(s->meshes[i].InitDeviceObjects(s->headless.device, caps, names[i])) ||
                !s->meshes[i].Selected() || FAILED(s->meshes[i].RestoreDeviceObjects()))
                s->error = std::string(names[i]) + " does not load";
        return s;
    }();
    return *scene;
}

// One world matrix per bird, scaled by 3 as the flock draws them, spread in front of the eye.
std::vector<RenderParams> Birds(int count) {
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -300.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, 4.0f / 3.0f, 1.0f, 20000.0f);
    std::vector<RenderParams> birds(count);
    for (int i = 0; i < count; ++i) {
        D3DXMATRIX scale, turn, place;
        D3DXMatrixScaling(&scale, 3.0f, 3.0f, 3.0f);
        D3DXMatrixRotationYawPitchRoll(&turn, 0.3f * i, 0.1f * (i % 5), 0.0f);
        D3DXMatrixTranslation(&place, (i % 10) * 25.0f - 112.0f, (i / 10) * 18.0f - 80.0f,
                              5.0f * (i % 7));
        birds[i].matWorld = scale * turn * place;
        birds[i].matView = view;
        birds[i].matProjection = projection;
        birds[i].vLight = D3DXVECTOR4(0.5f, 0.9f, 0.5f, 0.0f);
        birds[i].fFogEnd = 20000.0f;
    }
    return birds;
}

void BM_SkinnedBirdsFrame(benchmark::State& state) {
    BirdScene& scene = Scene();
    if (!scene.error.empty()) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    scene.headless.window->MakeCurrent();
    IDirect3DDevice8* device = scene.headless.device;
    const std::vector<RenderParams> birds = Birds(static_cast<int>(state.range(0)));
    device->ResetCounters();
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
        device->BeginScene();
        scene.meshes[0].AdvanceBy(kStep, 1, 1);
        scene.meshes[1].AdvanceBy(kStep, 1, 1);
        for (size_t i = 0; i < birds.size(); ++i)
            scene.meshes[i & 1].Render(birds[i]);
        device->EndScene();
        scene.headless.window->Finish();
    }
    const DeviceCounters& counters = device->Counters();
    const double frames = static_cast<double>(state.iterations());
    state.counters["draws/frame"] = static_cast<double>(counters.draws) / frames;
    state.counters["constants/frame"] = static_cast<double>(counters.constantUploads) / frames;
    state.counters["refused"] = static_cast<double>(counters.refusedDraws);
}
BENCHMARK(BM_SkinnedBirdsFrame)->Arg(1)->Arg(100)->ArgName("birds")->Unit(benchmark::kMicrosecond);

// The same frames without drawing: Advance, then the frame tree posed for every bird.
void BM_SkinnedBirdsPoseOnly(benchmark::State& state) {
    BirdScene& scene = Scene();
    if (!scene.error.empty()) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    const std::vector<RenderParams> birds = Birds(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.meshes[0].AdvanceBy(kStep, 1, 1);
        scene.meshes[1].AdvanceBy(kStep, 1, 1);
        for (size_t i = 0; i < birds.size(); ++i)
            scene.meshes[i & 1].UpdateFrames(birds[i].matWorld);
        benchmark::DoNotOptimize(scene.meshes[0].Selected()->m_pRoot->m_matCombined);
    }
}
BENCHMARK(BM_SkinnedBirdsPoseOnly)
    ->Arg(1)
    ->Arg(100)
    ->ArgName("birds")
    ->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {
// What the start-up spends on one skinned model: load (parse, skin, convert), ramp, shaders.
void BM_SkinnedMeshSetUp(benchmark::State& state) {
    BirdScene& scene = Scene();
    if (!scene.error.empty()) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    scene.headless.window->MakeCurrent();
    const char* name = state.range(0) == 0 ? "Dammy.x" : "BIRDSKINNED01.X";
    D3DCAPS8 caps;
    scene.headless.device->GetDeviceCaps(&caps);
    for (auto _ : state) {
        SkinnedMesh mesh;
        mesh.InitDeviceObjects(scene.headless.device, caps, name);
        mesh.RestoreDeviceObjects();
        mesh.ReleaseDeviceObjects();
        mesh.DestroyObjects();
    }
    state.SetLabel(name);
}
BENCHMARK(BM_SkinnedMeshSetUp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace
