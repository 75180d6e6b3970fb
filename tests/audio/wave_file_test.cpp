// The RIFF WAVE reader: what it accepts (the embedded track, chunks in any order, skipped and
// padded chunks, the extensible PCM header) and what it refuses, each with its reason. Every
// input sits in a buffer of exactly its size, so a read past the end is caught by ASan.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "audio/wave_file.h"
#include "platform/system/resource_table.h"

namespace {
std::string Le16(uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string Le32(uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// A chunk with its pad byte when the body is odd.
std::string Chunk(const char* id, const std::string& body) {
    return std::string(id, 4) + Le32(static_cast<uint32_t>(body.size())) + body +
           (body.size() % 2 ? std::string(1, '\0') : std::string());
}

std::string Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits) {
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

std::string Riff(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

const std::string kStereoFormat = Format(1, 2, 8000, 4, 16);
const std::string kThreeFrames("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00", 12);

struct Parsed {
    HRESULT hr;
    WaveFile wave;
    std::string error;
    const uint8_t* base;  // where the copy began, for offsets of pData
};

// Parses a heap copy of exactly the input's size.
Parsed Parse(const std::string& bytes) {
    static std::unique_ptr<uint8_t[]> copy;
    copy.reset(new uint8_t[bytes.size() ? bytes.size() : 1]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    Parsed p{E_FAIL, WaveFile(), std::string(), copy.get()};
    p.hr = ParseWaveFile(copy.get(), bytes.size(), &p.wave, &p.error);
    return p;
}

TEST(WaveFile, ReadsTheEmbeddedTrack) {
    HRSRC track = FindResourceA("bgm1.wav", "Midi");
    ASSERT_NE(track, nullptr);
    WaveFile wave;
    std::string error;
    ASSERT_EQ(ParseWaveFile(LockResource(track), SizeofResource(track), &wave, &error), S_OK)
        << error;
    EXPECT_EQ(wave.wChannels, 2);
    EXPECT_EQ(wave.dwSamplesPerSec, 8000u);
    EXPECT_EQ(wave.wBitsPerSample, 16);
    EXPECT_EQ(wave.FrameCount(), 262144u);
    EXPECT_EQ(wave.pData, static_cast<const uint8_t*>(LockResource(track)) + 44);
}

TEST(WaveFile, AcceptsChunksInAnyOrderSkipsOthersAndHonoursPadding) {
    // Data first, then an odd-sized unknown chunk with its pad byte, then the format.
    Parsed p = Parse(Riff(Chunk("data", kThreeFrames) + Chunk("LIST", "INFOabc") +
                          Chunk("fmt ", kStereoFormat)));
    ASSERT_EQ(p.hr, S_OK) << p.error;
    EXPECT_EQ(p.wave.pData, p.base + 20);
    EXPECT_EQ(p.wave.FrameCount(), 3u);

    // An 18-byte format (with its empty extension size) and a mono track.
    p = Parse(
        Riff(Chunk("fmt ", Format(1, 1, 22050, 2, 16) + Le16(0)) + Chunk("data", kThreeFrames)));
    ASSERT_EQ(p.hr, S_OK) << p.error;
    EXPECT_EQ(p.wave.FrameCount(), 6u);
    EXPECT_EQ(p.wave.dwSamplesPerSec, 22050u);

    // The last chunk odd and unpadded, and bytes after the RIFF form, are tolerated.
    std::string file = Riff(Chunk("fmt ", kStereoFormat) + Chunk("data", kThreeFrames) +
                            Chunk("junk", std::string(13, 'x')));
    file.pop_back();
    file.replace(4, 4, Le32(static_cast<uint32_t>(file.size() - 8)));
    p = Parse(file + "trailing bytes");
    ASSERT_EQ(p.hr, S_OK) << p.error;
    EXPECT_EQ(p.wave.FrameCount(), 3u);
}

TEST(WaveFile, AcceptsTheExtensibleHeaderOnlyWithThePcmSubFormat) {
    const std::string pcmGuid("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71",
                              16);
    std::string floatGuid = pcmGuid;
    floatGuid[0] = 3;
    const std::string head = Format(0xFFFE, 2, 48000, 4, 16) + Le16(22) + Le16(16) + Le32(3);
    Parsed p = Parse(Riff(Chunk("fmt ", head + pcmGuid) + Chunk("data", kThreeFrames)));
    ASSERT_EQ(p.hr, S_OK) << p.error;
    EXPECT_EQ(p.wave.dwSamplesPerSec, 48000u);

    p = Parse(Riff(Chunk("fmt ", head + floatGuid) + Chunk("data", kThreeFrames)));
    EXPECT_EQ(p.hr, E_FAIL);
    EXPECT_EQ(p.error, "extensible sub-format is not PCM");
    p = Parse(Riff(Chunk("fmt ", head) + Chunk("data", kThreeFrames)));
    EXPECT_EQ(p.error, "extensible fmt chunk of 24 bytes is truncated (40 needed)");
}

TEST(WaveFile, RefusesTruncatedAndOverlongStructures) {
    const std::string good = Riff(Chunk("fmt ", kStereoFormat) + Chunk("data", kThreeFrames));
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"", "0 bytes hold no RIFF header"},
        {good.substr(0, 11), "11 bytes hold no RIFF header"},
        {"RIFX" + good.substr(4), "not a RIFF WAVE file"},
        {good.substr(0, 8) + "AVI " + good.substr(12), "not a RIFF WAVE file"},
        // The RIFF size points past the resource: the file was cut short.
        {good.substr(0, good.size() - 2), "RIFF size 48 does not fit the 54-byte file"},
        {"RIFF" + Le32(2) + "WAVE", "RIFF size 2 does not fit the 12-byte file"},
        {Riff(Chunk("fmt ", kStereoFormat) + "dat"), "truncated chunk header at offset 36"},
        {Riff(Chunk("fmt ", kStereoFormat.substr(0, 14)) + Chunk("data", kThreeFrames)),
         "fmt chunk of 14 bytes is truncated (16 needed)"},
        // A data chunk whose size runs past the end of the file.
        {Riff(Chunk("fmt ", kStereoFormat) + "data" + Le32(16) + kThreeFrames),
         "chunk \"data\" at offset 36: size 16 runs past the end (12 bytes left)"},
        {Riff(Chunk("fmt ", kStereoFormat) + "da\x01\xFF" + Le32(0xFFFFFFFFu)),
         "chunk \"da?\?\" at offset 36: size 4294967295 runs past the end (0 bytes left)"},
        {Riff(Chunk("fmt ", kStereoFormat)), "no data chunk"},
        {Riff(Chunk("data", kThreeFrames)), "no fmt chunk"},
        {Riff(Chunk("fmt ", kStereoFormat) + Chunk("data", "")), "the data chunk is empty"},
        {Riff(Chunk("fmt ", kStereoFormat) + Chunk("data", kThreeFrames.substr(0, 10))),
         "data chunk of 10 bytes is not a whole number of 4-byte frames"},
        {Riff(Chunk("fmt ", kStereoFormat) + Chunk("fmt ", kStereoFormat)), "a second fmt chunk"},
        {Riff(Chunk("fmt ", kStereoFormat) + Chunk("data", kThreeFrames) +
              Chunk("data", kThreeFrames)),
         "a second data chunk"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.bytes);
        EXPECT_EQ(p.hr, E_FAIL) << c.reason;
        EXPECT_EQ(p.error, c.reason);
        EXPECT_EQ(p.wave.pData, nullptr) << c.reason;  // nothing half-read is handed out
    }
}

TEST(WaveFile, RefusesAnythingButSixteenBitPcm) {
    const struct {
        std::string format;
        const char* reason;
    } cases[] = {
        {Format(1, 2, 8000, 2, 8), "8-bit samples, not 16-bit"},
        {Format(1, 2, 8000, 6, 24), "24-bit samples, not 16-bit"},
        {Format(3, 2, 8000, 8, 32), "format tag 3 is not PCM"},  // IEEE float
        {Format(2, 2, 8000, 4, 4), "format tag 2 is not PCM"},   // ADPCM
        {Format(1, 0, 8000, 0, 16), "0 channels (1 to 8 play)"},
        {Format(1, 9, 8000, 18, 16), "9 channels (1 to 8 play)"},
        {Format(1, 2, 0, 4, 16), "0 samples per second"},
        {Format(1, 2, 8000, 2, 16), "block align 2 for 2 16-bit channels"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(Riff(Chunk("fmt ", c.format) + Chunk("data", kThreeFrames)));
        EXPECT_EQ(p.hr, E_FAIL) << c.reason;
        EXPECT_EQ(p.error, c.reason);
    }
}
}  // namespace
