// The music player through SDL's disk audio driver, which writes what a device would play into
// a file of this test's directory: two whole passes of a track and the seam between them, sample
// for sample at +7.5 dB with clipping; its trace lines; the refusals of a missing driver, a
// device that cannot open and a track that is not 16-bit PCM; a stop that ends the output.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/trace_log.h"
#include "audio/music_player.h"
#include "platform/system/resource_table.h"

namespace {
constexpr int32_t kMasterVolume = 750;

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
}

// The stored samples of a track resource.
std::vector<int16_t> TrackSamples(const char* name) {
    HRSRC found = FindResourceA(name, "MIDI");
    WaveFile wave;
    std::string error;
    EXPECT_EQ(ParseWaveFile(LockResource(found), SizeofResource(found), &wave, &error), S_OK);
    std::vector<int16_t> samples(wave.nDataBytes / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(wave.pData[2 * i] | (wave.pData[2 * i + 1] << 8));
    return samples;
}

class MusicPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char directory[] = "music_player_XXXXXX";  // in the test's working directory
        ASSERT_NE(mkdtemp(directory), nullptr);
        m_directory = directory;
        m_capture = m_directory + "/capture.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_capture.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);  // as fast as the disk takes it
        g_traceLog = TraceLog(m_directory);
    }

    void TearDown() override {
        m_player.Stop();
        unlink(m_capture.c_str());
        rmdir(m_directory.c_str());
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }

    // Plays the track forever at the master volume until the capture holds two passes and
    // part of a third after the silence of the paused device; returns the capture from the
    // track's first frame on.
    std::vector<int16_t> CaptureTwoPasses(const char* name, size_t trackSamples) {
        EXPECT_EQ(m_player.InitAudio(nullptr), S_OK) << g_traceLog.Text();
        EXPECT_EQ(m_player.Load(name, "Midi"), S_OK) << g_traceLog.Text();
        m_player.SetRepeats(0, 1);
        m_player.SetMasterVolume(kMasterVolume);
        m_player.Play();
        const size_t wanted = 2 * trackSamples + 4000;
        std::vector<int16_t> capture;
        size_t first = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (FileSize(m_capture) < static_cast<long>(2 * wanted))
                continue;
            capture = ReadSamples(m_capture);
            // The paused device wrote silence before Play; the track starts at a loud frame.
            first = std::find_if(capture.begin(), capture.end(), [](int16_t s) { return s; }) -
                    capture.begin();
            first -= first % 2;
            if (capture.size() >= first + wanted)
                break;
        }
        m_player.Stop();
        EXPECT_GE(capture.size(), first + wanted) << "the capture did not grow in time";
        capture.erase(capture.begin(), capture.begin() + static_cast<long>(first));
        return capture;
    }

    // Every sample of two whole passes, the seams and the start of a third against the stored
    // track at +7.5 dB, rounded to nearest, clipped at full scale. Returns the clipped count.
    size_t ExpectTwoPassesAtTheGain(const char* name) {
        const std::vector<int16_t> track = TrackSamples(name);
        EXPECT_NE(track[0], 0) << "the alignment needs a track that starts loud";
        const std::vector<int16_t> played = CaptureTwoPasses(name, track.size());
        const double gain = std::pow(10.0, 7.5 / 20.0);
        size_t clipped = 0, wrong = 0;
        const size_t count = std::min(played.size(), 2 * track.size() + 4000);
        for (size_t i = 0; i < count; ++i) {
            const double scaled = std::round(track[i % track.size()] * gain);
            const int16_t expected = static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
            clipped += scaled != expected;
            if (played[i] != expected && wrong++ < 5)
                ADD_FAILURE() << name << " sample " << i << " (pass " << i / track.size()
                              << ", frame " << (i % track.size()) / 2 << "): " << played[i]
                              << " instead of " << expected;
        }
        EXPECT_EQ(wrong, 0u) << name;
        EXPECT_EQ(count, 2 * track.size() + 4000) << name;
        return clipped;
    }

    MusicPlayer m_player;
    std::string m_directory;
    std::string m_capture;
};

TEST_F(MusicPlayerTest, PlaysTheTrackPassAfterPassAtPlus7Point5Decibels) {
    EXPECT_EQ(ExpectTwoPassesAtTheGain("BGM1.WAV"), 0u);  // the track never clips
    EXPECT_STREQ(g_traceLog.Text(),
                 "\t\tCoCreateInstanceL...\n\t\tCoCreateInstanceP...\n\t\tInitAudio...\n"
                 "\t\tFindResource...\n\t\tLoadResource...\n\t\tGetObject...\n");
    // The device was asked for the track's own format and took it.
    EXPECT_EQ(m_player.m_outputSpec.freq, 8000);
    EXPECT_EQ(m_player.m_outputSpec.channels, 2);
    EXPECT_EQ(m_player.m_outputSpec.format, AUDIO_S16SYS);
}

TEST_F(MusicPlayerTest, ClipsALoudTrackAtFullScaleInsteadOfWrapping) {
    // TEST_LOUD.WAV: a ramp over the whole range, most of it beyond full scale at the gain.
    EXPECT_GT(ExpectTwoPassesAtTheGain("TEST_LOUD.WAV"), 1000u);
}

TEST_F(MusicPlayerTest, StopEndsTheOutputFreesEverythingAndIsSafeTwice) {
    ASSERT_EQ(m_player.InitAudio(nullptr), S_OK) << g_traceLog.Text();
    ASSERT_EQ(m_player.Load("bgm1.wav", "MIDI"), S_OK) << g_traceLog.Text();
    m_player.SetRepeats(0, 1);
    m_player.SetMasterVolume(kMasterVolume);
    m_player.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_player.Stop();
    const long stopped = FileSize(m_capture);
    EXPECT_GT(stopped, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(FileSize(m_capture), stopped) << "the capture grew after Stop";
    EXPECT_EQ(m_player.m_dwDevice, 0u);
    EXPECT_EQ(m_player.m_bAudioReady, 0);
    EXPECT_EQ(m_player.m_pPerformance, nullptr);
    EXPECT_EQ(m_player.m_pSegment, nullptr);
    m_player.Stop();
    m_player.Play();  // nothing to play: no device is opened again
    EXPECT_EQ(m_player.m_dwDevice, 0u);
}

TEST_F(MusicPlayerTest, WithoutADriverOrADeviceInitAudioSaysWhichStepFailed) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(m_player.InitAudio(nullptr), E_FAIL);
    std::string trace = g_traceLog.Text();
    EXPECT_EQ(trace.rfind("\t\tCoCreateInstanceL...\n\t\tFailed SDL_InitSubSystem: ", 0), 0u)
        << trace;
    EXPECT_EQ(trace.back(), '\n');
    EXPECT_EQ(m_player.m_bAudioReady, 0);
    m_player.Stop();

    // A driver whose device cannot open: the disk driver with a file in no directory.
    g_traceLog = TraceLog(m_directory);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (m_directory + "/missing/capture.raw").c_str(), 1);
    EXPECT_EQ(m_player.InitAudio(nullptr), E_FAIL);
    trace = g_traceLog.Text();
    EXPECT_EQ(trace.rfind("\t\tCoCreateInstanceL...\n\t\tCoCreateInstanceP...\n\t\tInitAudio...\n"
                          "\t\tFailed SDL_OpenAudioDevice: disk: ",
                          0),
              0u)
        << trace;
    EXPECT_EQ(m_player.m_dwDevice, 0u);
    m_player.Stop();
    m_player.Stop();
    EXPECT_EQ(m_player.m_bAudioReady, 0);
}

TEST_F(MusicPlayerTest, RefusesAMissingTrackAndOneThatIsNotSixteenBitPcm) {
    ASSERT_EQ(m_player.InitAudio(nullptr), S_OK) << g_traceLog.Text();
    g_traceLog = TraceLog(m_directory);
    EXPECT_EQ(m_player.Load("NO_SUCH.WAV", "Midi"), E_FAIL);
    EXPECT_STREQ(g_traceLog.Text(), "\t\tFindResource...\n\t\tFailed\n");
    // The right name with the wrong type is not the track either.
    g_traceLog = TraceLog(m_directory);
    EXPECT_EQ(m_player.Load("BGM1.WAV", "MISC"), E_FAIL);
    EXPECT_STREQ(g_traceLog.Text(), "\t\tFindResource...\n\t\tFailed\n");

    g_traceLog = TraceLog(m_directory);
    EXPECT_EQ(m_player.Load("TEST_8BIT.WAV", "Midi"), E_FAIL);
    EXPECT_STREQ(g_traceLog.Text(),
                 "\t\tFindResource...\n\t\tLoadResource...\n\t\tGetObject...\n"
                 "\t\tFailed TEST_8BIT.WAV: 8-bit samples, not 16-bit\n");
    EXPECT_EQ(m_player.m_pSegment, nullptr);
    m_player.Play();  // nothing loaded: the device stays paused and silent
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    m_player.Stop();
    const std::vector<int16_t> capture = ReadSamples(m_capture);
    EXPECT_TRUE(std::all_of(capture.begin(), capture.end(), [](int16_t s) { return !s; }));
}
}  // namespace
