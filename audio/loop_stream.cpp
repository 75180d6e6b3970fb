#include "audio/loop_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

LoopStream::~LoopStream() {
    Destroy();
}

HRESULT LoopStream::Create(const WaveFile* track, const SDL_AudioSpec& output, std::string* error) {
    Destroy();
    if (!track || track->FrameCount() == 0) {
        *error = "no track";
        return E_FAIL;
    }
    m_pStream =
        SDL_NewAudioStream(AUDIO_S16SYS, track->wChannels, static_cast<int>(track->dwSamplesPerSec),
                           output.format, output.channels, output.freq);
    if (!m_pStream) {
        *error = SDL_GetError();
        return E_FAIL;
    }
    m_pTrack = track;
    m_output = output;
    Rewind();
    return S_OK;
}

void LoopStream::Rewind() {
    if (m_pStream)
        SDL_AudioStreamClear(m_pStream);
    m_nFrame = 0;
    m_nPassesLeft = m_nPasses;
    m_bFlushed = false;
}

int16_t LoopStream::Scale(int16_t sample, double gain) {
    // Clipped before rounding, so no gain can take the conversion out of range.
    return static_cast<int16_t>(std::lrint(std::clamp(sample * gain, -32768.0, 32767.0)));
}

bool LoopStream::QueueBlock() {
    const size_t channels = m_pTrack->wChannels;
    const size_t frames = std::min(kBlockFrames, m_pTrack->FrameCount() - m_nFrame);
    const uint8_t* in = m_pTrack->pData + m_nFrame * m_pTrack->wBlockAlign;
    for (size_t i = 0; i < frames * channels; ++i, in += 2)
        m_aBlock[i] = Scale(static_cast<int16_t>(in[0] | (in[1] << 8)), m_fGain);
    if (SDL_AudioStreamPut(m_pStream, m_aBlock, static_cast<int>(frames * 2 * channels)) != 0)
        return false;
    m_nFrame += frames;
    if (m_nFrame == m_pTrack->FrameCount()) {
        m_nFrame = 0;
        if (m_nPassesLeft > 0)
            --m_nPassesLeft;
    }
    return true;
}

void LoopStream::Fill(uint8_t* out, int bytes) {
    while (m_pStream && bytes > 0) {
        const int got = SDL_AudioStreamGet(m_pStream, out, bytes);
        if (got < 0)
            break;
        out += got;
        bytes -= got;
        if (bytes == 0)
            break;
        if (m_nPassesLeft == 0) {
            // After the last pass the resampler still holds a few frames.
            if (m_bFlushed)
                break;
            SDL_AudioStreamFlush(m_pStream);
            m_bFlushed = true;
        } else if (!QueueBlock()) {
            break;
        }
    }
    if (bytes > 0)
        std::memset(out, m_output.silence, static_cast<size_t>(bytes));
}

void SDLCALL LoopStream::Callback(void* userdata, Uint8* out, int bytes) {
    static_cast<LoopStream*>(userdata)->Fill(out, bytes);
}

void LoopStream::Destroy() {
    if (m_pStream)
        SDL_FreeAudioStream(m_pStream);
    m_pStream = nullptr;
    m_pTrack = nullptr;
}
