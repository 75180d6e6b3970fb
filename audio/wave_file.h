// The RIFF WAVE format, read in place: a "RIFF" header of form "WAVE", then chunks in any order
// (each a 4-byte id, a little-endian 32-bit size and the bytes, padded to an even length); only
// "fmt " and "data" are read, every other chunk is skipped.
// Owns: nothing; the sample bytes stay in the caller's buffer, which must outlive the view.
// Does not: find resources, convert or play (audio/loop_stream.h, audio/music_player.h).
// Accepts 16-bit PCM only (format tag 1, or the extensible tag with the PCM sub-format).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system/d3d8_types.h"

struct WaveFile {
    uint16_t wChannels = 0;          // interleaved, 1 to kWaveMaxChannels
    uint32_t dwSamplesPerSec = 0;    // frames per second
    uint16_t wBitsPerSample = 0;     // always 16
    uint16_t wBlockAlign = 0;        // bytes per frame: 2 per channel
    const uint8_t* pData = nullptr;  // the "data" chunk: little-endian signed 16-bit samples
    size_t nDataBytes = 0;           // a whole, non-zero number of frames

    size_t FrameCount() const { return wBlockAlign ? nDataBytes / wBlockAlign : 0; }
};

constexpr uint16_t kWaveMaxChannels = 8;            // what SDL's conversion handles
constexpr uint32_t kWaveMaxSamplesPerSec = 384000;  // frames per second

// Reads the header and the two chunks of `size` bytes at `bytes` without reading past them.
// Anything but 16-bit PCM, a truncated or overlong chunk, a size field past the end, a missing
// chunk or a "data" chunk that is empty or not a whole number of frames gives E_FAIL and a
// one-line reason (no line feed) in *error.
HRESULT ParseWaveFile(const void* bytes, size_t size, WaveFile* wave, std::string* error);
