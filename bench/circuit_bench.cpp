// The circuit's per-frame work: translate onto the flock centre, rebuild, sample once.
#include <benchmark/benchmark.h>

#include "world/ferguson.h"

static void BM_CircuitTranslateAndEvaluate(benchmark::State& state) {
    Ferguson path;
    if (FAILED(path.InitDeviceObjects("CLOCK.FPP"))) {
        state.SkipWithError("CLOCK.FPP did not load");
        return;
    }
    float t = 0.0f;
    D3DXVECTOR3 position, ahead;
    for (auto _ : state) {
        path.Translate(t, 1.0f, -t);
        path.Evaluate(t, &position, &ahead);
        t += 0.01f;
        if (t >= 49.0f) t = 0.0f;
        benchmark::DoNotOptimize(position);
        benchmark::DoNotOptimize(ahead);
    }
}
BENCHMARK(BM_CircuitTranslateAndEvaluate);
