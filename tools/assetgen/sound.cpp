// BGM1.WAV: an ambient loop of wind and soft chimes, 2^18 stereo frames at 8000 Hz (32.8 s),
// 16-bit PCM. Every component is periodic in the loop length (noise shaped in the frequency
// domain, gust envelopes with whole cycles per loop, chime tails wrapped to the start), so
// the last frame flows into the first without a click. Peaks are set to -12 dBFS.
#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "platform/system/lcg_random.h"
#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/byte_writer.h"

namespace {
constexpr int kSampleRate = 8000;
constexpr int kFrames = 1 << 18;
constexpr double kPi = 3.14159265358979323846;
constexpr double kPeak = 0.25118864315095801;  // -12 dBFS

typedef std::vector<double> Signal;

double Fraction() {
    return RandomFraction();
}

// In-place radix-2 FFT; inverse when sign is +1 (unscaled).
void Fft(std::vector<std::complex<double>>* data, int sign) {
    std::vector<std::complex<double>>& a = *data;
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2.0 * kPi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t start = 0; start < n; start += len) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[start + k];
                const std::complex<double> v = a[start + k + len / 2] * w;
                a[start + k] = u + v;
                a[start + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Periodic noise with unit RMS whose spectrum is a bell on a log-frequency axis around
// centreHz (width in octaves), tilted toward the low end like wind.
Signal BandNoise(double centreHz, double octaves) {
    std::vector<std::complex<double>> spectrum(kFrames);
    for (int k = 1; k < kFrames / 2; ++k) {
        const double f = static_cast<double>(k) * kSampleRate / kFrames;
        const double d = std::log2(f / centreHz) / octaves;
        const double magnitude = std::exp(-0.5 * d * d) / std::sqrt(f);
        const double phase = 2.0 * kPi * Fraction();
        spectrum[static_cast<size_t>(k)] = std::polar(magnitude, phase);
        spectrum[static_cast<size_t>(kFrames - k)] = std::conj(spectrum[static_cast<size_t>(k)]);
    }
    Fft(&spectrum, +1);
    Signal out(kFrames);
    double power = 0.0;
    for (int i = 0; i < kFrames; ++i) {
        out[static_cast<size_t>(i)] = spectrum[static_cast<size_t>(i)].real();
        power += out[static_cast<size_t>(i)] * out[static_cast<size_t>(i)];
    }
    const double rms = std::sqrt(power / kFrames);
    for (double& s : out)
        s /= rms;
    return out;
}

// A slow gust envelope between about 0.1 and 1: a few sines with whole cycles per loop.
Signal Gusts(const int (&cycles)[3]) {
    const double weights[3] = {0.25, 0.15, 0.06};
    double phases[3] = {};
    for (double& p : phases)
        p = 2.0 * kPi * Fraction();
    Signal out(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kFrames;
        double g = 0.55;
        for (int k = 0; k < 3; ++k)
            g += weights[k] * std::sin(2.0 * kPi * cycles[k] * t + phases[k]);
        out[static_cast<size_t>(i)] = g;
    }
    return out;
}

// One struck chime: bell partials with exponential decays, a 4 ms attack, written around
// the loop from frame `start` on, panned between the channels.
void AddChime(Signal* left, Signal* right, int start, double pitchHz, double level, double pan) {
    const double ratios[4] = {1.0, 2.76, 5.40, 8.93};
    const double amplitudes[4] = {1.0, 0.45, 0.22, 0.1};
    const double decaySeconds[4] = {2.2, 1.1, 0.55, 0.3};  // time constants
    const int length = 7 * kSampleRate;
    const int attack = kSampleRate / 250;
    const double gainL = level * std::cos(pan * 0.5 * kPi);
    const double gainR = level * std::sin(pan * 0.5 * kPi);
    for (int p = 0; p < 4; ++p) {
        const double f = pitchHz * ratios[p];
        if (f > 0.45 * kSampleRate)
            continue;
        for (int i = 0; i < length; ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double rise = i < attack ? static_cast<double>(i) / attack : 1.0;
            const double s =
                amplitudes[p] * rise * std::exp(-t / decaySeconds[p]) * std::sin(2.0 * kPi * f * t);
            const size_t at = static_cast<size_t>((start + i) % kFrames);
            (*left)[at] += gainL * s;
            (*right)[at] += gainR * s;
        }
    }
}
}  // namespace

void WriteSound(const std::string& outDir) {
    RandomSeed(0x42474D31);
    // Wind: a broad low rush shared between the channels plus a little of each side's own,
    // and a thinner airy whistle that swells on its own rhythm.
    const Signal rushCommon = BandNoise(220.0, 1.1);
    const Signal rushLeft = BandNoise(260.0, 1.0);
    const Signal rushRight = BandNoise(260.0, 1.0);
    const Signal airLeft = BandNoise(950.0, 0.45);
    const Signal airRight = BandNoise(950.0, 0.45);
    const Signal rushGusts = Gusts({2, 5, 11});
    const Signal airGusts = Gusts({3, 7, 13});

    Signal left(kFrames, 0.0), right(kFrames, 0.0);
    for (size_t i = 0; i < static_cast<size_t>(kFrames); ++i) {
        const double rush = 0.30 * rushGusts[i];
        const double air = 0.07 * airGusts[i] * airGusts[i];
        left[i] = rush * (0.8 * rushCommon[i] + 0.6 * rushLeft[i]) + air * airLeft[i];
        right[i] = rush * (0.8 * rushCommon[i] + 0.6 * rushRight[i]) + air * airRight[i];
    }

    // Chimes: a D major pentatonic set struck in loose clusters, as wind moves them.
    const double pitches[6] = {587.33, 659.26, 739.99, 880.0, 987.77, 1174.66};
    int frame = kSampleRate / 2;
    while (frame < kFrames) {
        const int strikes = 1 + static_cast<int>(Fraction() * 3.0);
        for (int s = 0; s < strikes && frame < kFrames; ++s) {
            const double pitch = pitches[static_cast<int>(Fraction() * 5.999)];
            AddChime(&left, &right, frame, pitch, 0.12 + 0.1 * Fraction(), 0.15 + 0.7 * Fraction());
            frame += static_cast<int>((0.25 + 0.5 * Fraction()) * kSampleRate);
        }
        frame += static_cast<int>((2.0 + 3.0 * Fraction()) * kSampleRate);
    }

    double peak = 0.0;
    for (size_t i = 0; i < static_cast<size_t>(kFrames); ++i)
        peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
    const double gain = peak > 0.0 ? kPeak / peak : 0.0;

    std::string wav;
    const uint32_t dataBytes = static_cast<uint32_t>(kFrames) * 4;
    wav += "RIFF";
    AppendLe32(&wav, 36 + dataBytes);
    wav += "WAVEfmt ";
    AppendLe32(&wav, 16);
    AppendLe16(&wav, 1);  // PCM
    AppendLe16(&wav, 2);
    AppendLe32(&wav, kSampleRate);
    AppendLe32(&wav, kSampleRate * 4);
    AppendLe16(&wav, 4);
    AppendLe16(&wav, 16);
    wav += "data";
    AppendLe32(&wav, dataBytes);
    for (size_t i = 0; i < static_cast<size_t>(kFrames); ++i) {
        const long l = std::lround(left[i] * gain * 32767.0);
        const long r = std::lround(right[i] * gain * 32767.0);
        AppendLe16(&wav, static_cast<uint32_t>(l) & 0xFFFF);
        AppendLe16(&wav, static_cast<uint32_t>(r) & 0xFFFF);
    }
    WriteAsset(outDir, "MIDI", "BGM1.WAV", wav);
}
