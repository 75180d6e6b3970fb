// libFuzzer target of the RIFF WAVE reader and the looping conversion: any bytes must parse or
// be refused with a reason, never crash or read past the input; a parsed track must describe
// bytes inside the input and play two passes sample for sample at the gain, clipped.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/loop_stream.h"
#include "audio/wave_file.h"

namespace {
void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

constexpr double kGain = 2.3713737056616555;  // +7.5 dB
constexpr size_t kMaxPlayedFrames = 8192;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so ASan sees any read past the end.
    std::vector<uint8_t> copy(data, data + size);
    const uint8_t* bytes = copy.empty() ? nullptr : copy.data();
    WaveFile wave;
    std::string error;
    if (FAILED(ParseWaveFile(bytes, size, &wave, &error))) {
        Require(!error.empty() && error.find('\n') == std::string::npos);
        Require(wave.pData == nullptr && wave.nDataBytes == 0);
        return 0;
    }
    Require(wave.wBitsPerSample == 16 && wave.wChannels >= 1 &&
            wave.wChannels <= kWaveMaxChannels && wave.wBlockAlign == 2 * wave.wChannels);
    Require(wave.pData >= bytes && wave.nDataBytes > 0 &&
            wave.nDataBytes <= static_cast<size_t>(bytes + size - wave.pData));
    Require(wave.nDataBytes % wave.wBlockAlign == 0);

    // Two passes and a little more, unconverted, in pieces of odd sizes.
    SDL_AudioSpec output = {};
    output.format = AUDIO_S16SYS;
    output.channels = static_cast<Uint8>(wave.wChannels);
    output.freq = static_cast<int>(wave.dwSamplesPerSec);
    LoopStream stream;
    Require(SUCCEEDED(stream.Create(&wave, output, &error)));
    stream.SetGain(kGain);
    const size_t frames = std::min(2 * wave.FrameCount() + 3, kMaxPlayedFrames);
    std::vector<int16_t> played(frames * wave.wChannels);
    for (size_t at = 0, piece = 1; at < frames; at += piece, piece = piece * 3 % 509 + 1) {
        piece = std::min(piece, frames - at);
        stream.Fill(reinterpret_cast<uint8_t*>(&played[at * wave.wChannels]),
                    static_cast<int>(piece * wave.wBlockAlign));
    }
    const size_t samples = wave.nDataBytes / 2;
    for (size_t i = 0; i < played.size(); ++i) {
        const uint8_t* s = wave.pData + 2 * (i % samples);
        Require(played[i] == LoopStream::Scale(static_cast<int16_t>(s[0] | (s[1] << 8)), kGain));
    }
    return 0;
}
