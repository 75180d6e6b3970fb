// The looping conversion without a device: pass after pass with nothing between them, the gain
// with clipping, a limited number of passes, and a conversion to another rate and format that
// matches converting the passes in one piece.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/loop_stream.h"

namespace {
constexpr double kGain = 2.3713737056616555;  // +7.5 dB

struct Track {
    std::vector<uint8_t> bytes;
    WaveFile wave;
    std::vector<int16_t> samples;
};

// `frames` stereo frames: the left channel a ramp over the whole 16-bit range, the right one
// a small ramp that never clips.
Track MakeTrack(size_t frames) {
    Track t;
    for (size_t i = 0; i < frames; ++i) {
        const int left = -32768 + static_cast<int>(65535 * i / (frames - 1));
        const int right = static_cast<int>(i % 200) - 100;
        for (int v : {left, right}) {
            t.samples.push_back(static_cast<int16_t>(v));
            t.bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            t.bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
    }
    t.wave.wChannels = 2;
    t.wave.dwSamplesPerSec = 8000;
    t.wave.wBitsPerSample = 16;
    t.wave.wBlockAlign = 4;
    t.wave.pData = t.bytes.data();
    t.wave.nDataBytes = t.bytes.size();
    return t;
}

SDL_AudioSpec Spec(SDL_AudioFormat format, int channels, int rate) {
    SDL_AudioSpec spec = {};
    spec.format = format;
    spec.channels = static_cast<Uint8>(channels);
    spec.freq = rate;
    spec.silence = 0;
    return spec;
}

int16_t Expected(int16_t stored) {
    return static_cast<int16_t>(std::clamp(std::lround(stored * kGain), -32768L, 32767L));
}

// Fills `frames` output frames in pieces of varying size, as a device asks for them.
template <typename Sample>
std::vector<Sample> Pull(LoopStream* stream, size_t frames, int channels) {
    std::vector<Sample> out(frames * channels, Sample(99));
    const size_t pieces[] = {333, 1, 512, 77, 1024};
    for (size_t at = 0, k = 0; at < frames; ++k) {
        const size_t n = std::min(pieces[k % 5], frames - at);
        stream->Fill(reinterpret_cast<uint8_t*>(&out[at * channels]),
                     static_cast<int>(n * channels * sizeof(Sample)));
        at += n;
    }
    return out;
}

TEST(LoopStream, ScaleRoundsToNearestAndClipsAtFullScale) {
    EXPECT_EQ(LoopStream::Scale(1000, kGain), 2371);
    EXPECT_EQ(LoopStream::Scale(-1000, kGain), -2371);
    EXPECT_EQ(LoopStream::Scale(13818, kGain), 32767);  // 32767.7 rounds up, then clips
    EXPECT_EQ(LoopStream::Scale(13817, kGain), 32765);
    EXPECT_EQ(LoopStream::Scale(32767, kGain), 32767);  // clipped, not wrapped
    EXPECT_EQ(LoopStream::Scale(-32768, kGain), -32768);
    EXPECT_EQ(LoopStream::Scale(-13817, kGain), -32765);
    EXPECT_EQ(LoopStream::Scale(-13819, kGain), -32768);  // -32770.0 clips
    EXPECT_EQ(LoopStream::Scale(-32768, 1.0), -32768);
}

TEST(LoopStream, PlaysPassAfterPassWithoutAGapAtTheGain) {
    const Track track = MakeTrack(1000);
    LoopStream stream;
    std::string error;
    ASSERT_EQ(stream.Create(&track.wave, Spec(AUDIO_S16SYS, 2, 8000), &error), S_OK) << error;
    stream.SetGain(kGain);
    const size_t frames = 2 * 1000 + 345;  // two whole passes, the seams, part of a third
    const std::vector<int16_t> out = Pull<int16_t>(&stream, frames, 2);
    size_t clipped = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const int16_t stored = track.samples[i % track.samples.size()];
        ASSERT_EQ(out[i], Expected(stored)) << "sample " << i << " (frame " << i / 2 << ")";
        clipped += std::abs(stored * kGain) > 32767.0;
    }
    EXPECT_GT(clipped, 1000u);
}

TEST(LoopStream, LimitedPassesEndInSilenceAndRewindStartsAgain) {
    const Track track = MakeTrack(700);
    LoopStream stream;
    std::string error;
    ASSERT_EQ(stream.Create(&track.wave, Spec(AUDIO_S16SYS, 2, 8000), &error), S_OK) << error;
    stream.SetPasses(2);
    stream.Rewind();
    const std::vector<int16_t> out = Pull<int16_t>(&stream, 2 * 700 + 600, 2);
    for (size_t i = 0; i < 2 * 700 * 2; ++i)
        ASSERT_EQ(out[i], track.samples[i % (700 * 2)]) << "sample " << i;
    for (size_t i = 2 * 700 * 2; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0) << "sample " << i;
    stream.Rewind();
    EXPECT_EQ(Pull<int16_t>(&stream, 1, 2)[0], track.samples[0]);
}

TEST(LoopStream, ConvertsToTheDevicesFormatAsOnePieceWould) {
    const Track track = MakeTrack(2400);
    LoopStream stream;
    std::string error;
    ASSERT_EQ(stream.Create(&track.wave, Spec(AUDIO_F32SYS, 2, 48000), &error), S_OK) << error;
    stream.SetGain(kGain);
    const size_t frames = 2 * 2400 * 6;  // two passes at six times the rate
    const std::vector<float> out = Pull<float>(&stream, frames, 2);

    // The same two passes, scaled, converted in one call.
    std::vector<int16_t> scaled;
    for (int pass = 0; pass < 3; ++pass)
        for (int16_t s : track.samples)
            scaled.push_back(Expected(s));
    SDL_AudioStream* whole = SDL_NewAudioStream(AUDIO_S16SYS, 2, 8000, AUDIO_F32SYS, 2, 48000);
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(SDL_AudioStreamPut(whole, scaled.data(), static_cast<int>(scaled.size() * 2)), 0);
    std::vector<float> reference(out.size());
    ASSERT_EQ(SDL_AudioStreamGet(whole, reference.data(), static_cast<int>(out.size() * 4)),
              static_cast<int>(out.size() * 4));
    SDL_FreeAudioStream(whole);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], reference[i], 1e-6f) << "sample " << i;
    // The clipped ramp reaches full scale (the resampler rings a little beyond it at the
    // ramp's jump; a float device clips that itself).
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    EXPECT_LT(*low, -0.99f);
    EXPECT_GT(*high, 0.99f);
}

TEST(LoopStream, WithoutAStreamFillsSilenceAndDestroyIsSafeTwice) {
    LoopStream stream;
    std::vector<uint8_t> out(64, 7);
    stream.Fill(out.data(), static_cast<int>(out.size()));
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 64);
    std::string error;
    EXPECT_EQ(stream.Create(nullptr, Spec(AUDIO_S16SYS, 2, 8000), &error), E_FAIL);
    stream.Destroy();
    stream.Destroy();
}
}  // namespace
