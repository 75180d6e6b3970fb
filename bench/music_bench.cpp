// The music's cost: the audio callback's CPU time per second of sound (the embedded track
// unconverted, and converted to a typical desktop device's 48 kHz float), and the music's share
// of the start-up (InitiateBGM's steps through SDL's disk driver, Stop not timed).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/trace_log.h"
#include "audio/loop_stream.h"
#include "audio/music_player.h"
#include "platform/system/resource_table.h"

namespace {
constexpr int kCallbackFrames = 1024;  // what a device asks for at a time

// Each iteration fills one second of sound in device-sized callbacks: the time per iteration is
// the callback's CPU cost per second of sound.
void BM_CallbackPerSecondOfSound(benchmark::State& state, SDL_AudioFormat format, int rate) {
    HRSRC found = FindResourceA("BGM1.WAV", "Midi");
    WaveFile track;
    std::string error;
    if (!found ||
        FAILED(ParseWaveFile(LockResource(found), SizeofResource(found), &track, &error))) {
        state.SkipWithError("BGM1.WAV did not parse");
        return;
    }
    SDL_AudioSpec output = {};
    output.format = format;
    output.channels = 2;
    output.freq = rate;
    LoopStream stream;
    if (FAILED(stream.Create(&track, output, &error))) {
        state.SkipWithError(error.c_str());
        return;
    }
    stream.SetGain(MusicPlayer::GainOf(750));
    const int frameBytes = 2 * SDL_AUDIO_BITSIZE(format) / 8;
    std::vector<Uint8> buffer(static_cast<size_t>(kCallbackFrames * frameBytes));
    for (auto _ : state) {
        for (int frames = 0; frames < rate; frames += kCallbackFrames) {
            LoopStream::Callback(&stream, buffer.data(), static_cast<int>(buffer.size()));
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * rate);  // output frames
}
BENCHMARK_CAPTURE(BM_CallbackPerSecondOfSound, S16_8kHz_unconverted, AUDIO_S16SYS, 8000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CallbackPerSecondOfSound, F32_48kHz_converted, AUDIO_F32SYS, 48000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CallbackPerSecondOfSound, S16_44kHz_converted, AUDIO_S16SYS, 44100)
    ->Unit(benchmark::kMicrosecond);

// InitiateBGM's steps: the audio subsystem, the device, the track's parse and conversion, Play.
void BM_MusicStartup(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    MusicPlayer player;
    for (auto _ : state) {
        g_traceLog = TraceLog(".");
        const auto start = std::chrono::steady_clock::now();
        if (FAILED(player.InitAudio(nullptr)) || FAILED(player.Load("BGM1.WAV", "Midi"))) {
            state.SkipWithError(g_traceLog.Text());
            break;
        }
        player.SetRepeats(0, 1);
        player.SetMasterVolume(750);
        player.Play();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        player.Stop();
    }
}
BENCHMARK(BM_MusicStartup)->UseManualTime()->Unit(benchmark::kMillisecond);
}  // namespace
