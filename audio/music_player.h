// The background music: one embedded RIFF WAVE track played from memory through SDL2 audio,
// looped without a gap at a fixed master gain. DirectMusic's roles map onto SDL: the loader is
// SDL's audio subsystem, the performance is the LoopStream the device's callback pulls from,
// its audio the opened output device, the segment the parsed track.
// Owns: the audio subsystem's use, the device, the LoopStream and the parsed view of the track.
// Does not: copy the track (the resource's bytes live as long as the program) or start itself;
// InitiateBGM (app/startup.h) runs the steps, Cleanup calls Stop.
// Needs: the resource table, the trace log (app/trace_log.h), SDL2 audio.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "audio/loop_stream.h"
#include "audio/wave_file.h"

class SaverWindow;

class MusicPlayer {
  public:
    MusicPlayer() = default;
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Starts SDL's audio subsystem, creates the performance and opens the default output device
    // paused, each step traced; the first failure traces "\t\tFailed <call>: <reason>\n".
    HRESULT InitAudio(SaverWindow* window);
    // Finds the resource (name and type without regard to case), parses its WAVE data and
    // builds the conversion to the device's format; the steps and failures are traced.
    HRESULT Load(const char* name, const char* type);
    // forever = 1: the track repeats without end; else it plays 1 + count times.
    void SetRepeats(int32_t count, int32_t forever);
    // Master volume in hundredths of a decibel over the track as stored.
    void SetMasterVolume(int32_t value);
    // Starts the track from its first frame.
    void Play();
    // Stops the device, waits for its callback, closes it, ends the audio subsystem's use and
    // frees the performance and the track, in that order; safe twice and after any set-up.
    void Stop();

    // Linear gain of a master volume: 10^(hundredths of a decibel / 2000).
    static double GainOf(int32_t volume);

    int32_t m_bAudioReady = 0;             // this player started SDL's audio subsystem
    LoopStream* m_pPerformance = nullptr;  // what the device's callback plays
    SDL_AudioDeviceID m_dwDevice = 0;      // the open output device, 0 for none
    SDL_AudioSpec m_outputSpec = {};       // as the device obtained it
    WaveFile* m_pSegment = nullptr;        // the parsed track, pointing into the resource
    int32_t m_nRepeats = 0;                // LoopStream::kForever or a count
    int32_t m_nMasterVolume = 0;           // hundredths of a decibel
};

extern MusicPlayer g_musicPlayer;
