// The saver's frame, headless, with the default settings at 1024x768 (arg 3) and 640x480
// (arg 1): the start-up to the first presented frame, the simulation, the scene's queueing
// and sorting (no driver call in either), the queue's drawing through the device, and the
// whole frame. Times are wall (Time) and the main thread's CPU (CPU); the driver's rasteriser
// threads count in neither CPU column.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/globals.h"
#include "app/startup.h"
#include "platform/system/system_clock.h"

namespace {
constexpr uint64_t kStepMicroseconds = 16667;  // 60 frames a second of scene time

// The scene started at a resolution with a manual clock, torn down at the end of scope.
class Scene {
  public:
    explicit Scene(int resolution) {
        g_saverSettings = SaverSettings();
        g_saverSettings.resolution = resolution;
        g_traceLog = TraceLog(".");
        StartManualClock(1000000);
        g_frameTimer(kTimerStart);
        m_bStarted = Initiate(nullptr) == 1;
    }
    ~Scene() {
        Cleanup();
        StopManualClock();
    }
    bool Started() const { return m_bStarted; }
    void Step() {
        AdvanceManualClock(kStepMicroseconds);
        FrameWithKeys(nullptr, KeyState());
    }

  private:
    bool m_bStarted = false;
};

void BM_StartupToFirstPresent(benchmark::State& state) {
    for (auto _ : state) {
        auto scene = std::make_unique<Scene>(static_cast<int>(state.range(0)));
        if (!scene->Started()) {
            state.SkipWithError("the start-up failed");
            return;
        }
        scene->Step();
        state.PauseTiming();  // the tear-down is not part of the start-up
        scene.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPresent)->Arg(3)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Update(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    if (!scene.Started()) {
        state.SkipWithError("the start-up failed");
        return;
    }
    scene.Step();
    for (auto _ : state) {
        AdvanceManualClock(kStepMicroseconds);
        g_fTimeStep = g_fRawStep = kStepMicroseconds * 1e-6f;
        Update();
    }
}
BENCHMARK(BM_Update)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_QueueAndSortScene(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    if (!scene.Started()) {
        state.SkipWithError("the start-up failed");
        return;
    }
    scene.Step();
    for (auto _ : state) {
        g_camera.BuildFrustum();
        QueueScenery();
        state.counters["queued"] = g_zSortRender.Count();
        const D3DXVECTOR3 direction = ViewSortDirection(g_camera.m_matView);
        g_zSortRender.Sort(direction.x, direction.y, direction.z);
        g_zSortRender.Clear();
    }
}
BENCHMARK(BM_QueueAndSortScene)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_DrawQueue(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    if (!scene.Started()) {
        state.SkipWithError("the start-up failed");
        return;
    }
    scene.Step();
    for (auto _ : state) {
        state.PauseTiming();
        g_camera.BuildFrustum();
        QueueScenery();
        state.ResumeTiming();
        DrawQueue();
        state.PauseTiming();
        g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DrawQueue)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_Frame(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    if (!scene.Started()) {
        state.SkipWithError("the start-up failed");
        return;
    }
    for (auto _ : state)
        scene.Step();
    state.counters["queued"] = static_cast<double>(g_frameRecord.m_dwQueued);
}
BENCHMARK(BM_Frame)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace
