// The track played pass after pass into the output's format: each block of stored samples is
// scaled by the gain, rounded and clipped at 16-bit full scale, then converted by SDL's audio
// stream, so the last frame of a pass is followed directly by the first of the next.
// Owns: the SDL_AudioStream and a small block of scaled samples.
// Does not: open a device, lock or trace; the caller serialises Fill with every other call
// (the audio device's lock does). The WaveFile and its bytes must outlive the stream.
// Needs: SDL2's audio conversion (no audio subsystem or device).
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/wave_file.h"

class LoopStream {
  public:
    static constexpr size_t kBlockFrames = 512;  // frames scaled and queued at a time
    static constexpr int32_t kForever = -1;

    LoopStream() = default;
    ~LoopStream();
    LoopStream(const LoopStream&) = delete;
    LoopStream& operator=(const LoopStream&) = delete;

    // Builds the conversion from the track's format to `output` (format, channels, rate and
    // silence of the obtained device spec) and rewinds. E_FAIL with SDL's reason in *error.
    HRESULT Create(const WaveFile* track, const SDL_AudioSpec& output, std::string* error);
    // Linear factor on the stored samples.
    void SetGain(double gain) { m_fGain = gain; }
    // Passes to play in all, or kForever; counted from the next Rewind.
    void SetPasses(int32_t passes) { m_nPasses = passes; }
    // The next Fill starts at the track's first frame; drops what the conversion held.
    void Rewind();
    // Writes `bytes` (whole output frames) of the converted track; silence once the passes are
    // played or without a stream.
    void Fill(uint8_t* out, int bytes);
    // The SDL audio callback: userdata is the LoopStream.
    static void SDLCALL Callback(void* userdata, Uint8* out, int bytes);
    // Frees the conversion; safe twice and before Create.
    void Destroy();

    // Stored sample scaled by the gain, rounded to nearest and clipped to [-32768, 32767].
    static int16_t Scale(int16_t sample, double gain);

    bool IsCreated() const { return m_pStream != nullptr; }

  private:
    // Scales and queues the next block of the track; false when the stream refuses it.
    bool QueueBlock();

    const WaveFile* m_pTrack = nullptr;
    SDL_AudioStream* m_pStream = nullptr;
    SDL_AudioSpec m_output = {};
    double m_fGain = 1.0;
    int32_t m_nPasses = kForever;
    int32_t m_nPassesLeft = 0;  // passes still to queue, the current one included; -1 forever
    size_t m_nFrame = 0;        // next track frame to queue
    bool m_bFlushed = false;    // the conversion's tail was asked for after the last pass
    int16_t m_aBlock[kBlockFrames * kWaveMaxChannels] = {};
};
