#include "audio/music_player.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "app/trace_log.h"
#include "platform/system/resource_table.h"

namespace {
// The embedded track's own format, asked of the device so that one which takes it plays the
// samples unconverted; any other format the device offers is converted to.
constexpr int kRequestedRate = 8000;  // frames per second
constexpr Uint8 kRequestedChannels = 2;
// A device buffer of at most 20 ms: SDL's audio thread lets three buffers pass when a device
// closes, so this bounds the time from Stop to silence at 60 ms.
constexpr int kBuffersPerSecond = 50;

// The largest power of two of frames that lasts at most 1/kBuffersPerSecond.
Uint16 BufferFrames(int rate) {
    Uint16 frames = 64;
    while (frames < 32768 && frames * 2 * kBuffersPerSecond <= rate)
        frames *= 2;
    return frames;
}

// Text from outside (SDL's messages) as printable ASCII, for the trace.
std::string Printable(const char* text) {
    std::string out = text && *text ? text : "unknown error";
    for (char& c : out)
        if (c < 0x20 || c > 0x7E)
            c = '?';
    return out;
}

HRESULT FailStep(const char* call, const std::string& reason) {
    g_traceLog.AppendFormat("\t\tFailed %s: %s\n", call, Printable(reason.c_str()).c_str());
    return E_FAIL;
}

// Holds the device's lock, so that the callback never sees a half-made change.
class DeviceLock {
  public:
    explicit DeviceLock(SDL_AudioDeviceID device) : m_dwDevice(device) {
        if (m_dwDevice)
            SDL_LockAudioDevice(m_dwDevice);
    }
    ~DeviceLock() {
        if (m_dwDevice)
            SDL_UnlockAudioDevice(m_dwDevice);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

  private:
    SDL_AudioDeviceID m_dwDevice;
};
}  // namespace

MusicPlayer::~MusicPlayer() {
    Stop();
}

HRESULT MusicPlayer::InitAudio(SaverWindow*) {
    g_traceLog.Append("\t\tCoCreateInstanceL...\n");
    if (!m_bAudioReady) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return FailStep("SDL_InitSubSystem", SDL_GetError());
        m_bAudioReady = 1;
    }
    g_traceLog.Append("\t\tCoCreateInstanceP...\n");
    if (!m_pPerformance)
        m_pPerformance = new (std::nothrow) LoopStream;
    if (!m_pPerformance)
        return FailStep("LoopStream", "out of memory");

    g_traceLog.Append("\t\tInitAudio...\n");
    if (!m_dwDevice) {
        SDL_AudioSpec desired = {};
        desired.freq = kRequestedRate;
        desired.format = AUDIO_S16SYS;
        desired.channels = kRequestedChannels;
        desired.samples = BufferFrames(kRequestedRate);
        desired.callback = LoopStream::Callback;
        desired.userdata = m_pPerformance;
        m_outputSpec = SDL_AudioSpec();
        m_dwDevice =
            SDL_OpenAudioDevice(nullptr, 0, &desired, &m_outputSpec, SDL_AUDIO_ALLOW_ANY_CHANGE);
        if (!m_dwDevice) {
            const char* driver = SDL_GetCurrentAudioDriver();
            return FailStep("SDL_OpenAudioDevice",
                            std::string(driver ? driver : "no driver") + ": " + SDL_GetError());
        }
    }
    return S_OK;
}

HRESULT MusicPlayer::Load(const char* name, const char* type) {
    g_traceLog.Append("\t\tFindResource...\n");
    HRSRC found = FindResourceA(name, type);
    if (!found) {
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    g_traceLog.Append("\t\tLoadResource...\n");
    HRSRC loaded = LoadResource(found);
    if (!loaded) {
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    const void* bytes = LockResource(loaded);
    const size_t size = SizeofResource(loaded);

    g_traceLog.Append("\t\tGetObject...\n");
    WaveFile track;
    std::string error;
    if (FAILED(ParseWaveFile(bytes, size, &track, &error)))
        return FailStep(name, error);
    DeviceLock lock(m_dwDevice);
    if (m_pPerformance)
        m_pPerformance->Destroy();
    delete m_pSegment;
    m_pSegment = new (std::nothrow) WaveFile(track);
    if (!m_pSegment)
        return FailStep(name, "out of memory");

    // The download: the conversion from the track's format to the device's.
    if (!m_pPerformance || !m_dwDevice)
        return FailStep(name, "no audio device");
    if (FAILED(m_pPerformance->Create(m_pSegment, m_outputSpec, &error)))
        return FailStep(name, "no conversion to the device's format: " + error);
    return S_OK;
}

void MusicPlayer::SetRepeats(int32_t count, int32_t forever) {
    m_nRepeats = forever == 1 ? LoopStream::kForever
                              : std::clamp(count, 0, std::numeric_limits<int32_t>::max() - 1);
}

void MusicPlayer::SetMasterVolume(int32_t value) {
    m_nMasterVolume = value;
    DeviceLock lock(m_dwDevice);
    if (m_pPerformance)
        m_pPerformance->SetGain(GainOf(value));
}

void MusicPlayer::Play() {
    if (!m_dwDevice || !m_pPerformance || !m_pPerformance->IsCreated())
        return;
    {
        DeviceLock lock(m_dwDevice);
        m_pPerformance->SetPasses(m_nRepeats == LoopStream::kForever ? LoopStream::kForever
                                                                     : m_nRepeats + 1);
        m_pPerformance->SetGain(GainOf(m_nMasterVolume));
        m_pPerformance->Rewind();
    }
    SDL_PauseAudioDevice(m_dwDevice, 0);
}

void MusicPlayer::Stop() {
    if (m_dwDevice) {
        // Pausing takes the device's lock, which the callback holds while it runs: once it
        // returns no callback is running, and closing joins the audio thread.
        SDL_PauseAudioDevice(m_dwDevice, 1);
        SDL_CloseAudioDevice(m_dwDevice);
        m_dwDevice = 0;
    }
    if (m_bAudioReady) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bAudioReady = 0;
    }
    delete m_pPerformance;
    m_pPerformance = nullptr;
    delete m_pSegment;
    m_pSegment = nullptr;
}

double MusicPlayer::GainOf(int32_t volume) {
    return std::pow(10.0, volume / 2000.0);
}
